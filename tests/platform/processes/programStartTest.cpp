#include "platform/processes/ProgramStart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace tolvex;

namespace {

// A stand-in game: records its working directory and then its arguments,
// one per line, and moves the record into place only when it is complete.
QString writeRecorder(const QString& folder, const QString& name, const QString& record)
{
    const QString path = folder + u'/' + name;
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return QString();
    script.write("#!/bin/sh\n"
                 "{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" + QFile::encodeName(record) + ".part'\n"
                 "mv '" + QFile::encodeName(record) + ".part' '" + QFile::encodeName(record) + "'\n");
    script.close();
    ::chmod(QFile::encodeName(path).constData(), 0755);
    return path;
}

QStringList recorded(const QString& record)
{
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class ProgramStartTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_game;
    QString m_record;
    QString m_opened;

    QStringList waitForRecord(const QString& record)
    {
        [&] { QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 20000); }();
        const QStringList lines = recorded(record);
        QFile::remove(record);
        return lines;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkdir("quake2"));
        m_record = m_dir.filePath("record");
        m_game = writeRecorder(m_dir.filePath("quake2"), "quake2", m_record);
        m_opened = m_dir.filePath("opened");
        overrideDesktopOpener(writeRecorder(m_dir.path(), "opener", m_opened));
    }

    void splitCommandLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << "" << QStringList{};
        QTest::newRow("only blanks") << "  \t " << QStringList{};
        QTest::newRow("blanks and tabs separate") << " +map  arena1\t+set deathmatch 1 "
                                                 << QStringList{"+map", "arena1", "+set", "deathmatch", "1"};
        QTest::newRow("quotes group") << "+set hostname \"Tolvex Server\" x"
                                      << QStringList{"+set", "hostname", "Tolvex Server", "x"};
        QTest::newRow("quotes inside a word") << "a\"b c\"d" << QStringList{"ab cd"};
        QTest::newRow("empty quotes are an argument") << "\"\" x" << QStringList{"", "x"};
        QTest::newRow("unclosed quote runs to the end") << "\"a b" << QStringList{"a b"};
        QTest::newRow("backslashes alone stay") << "c:\\quake2\\ x\\\\y" << QStringList{"c:\\quake2\\", "x\\\\y"};
        QTest::newRow("odd backslashes quote a quote") << "a\\\"b \\\\\\\"c" << QStringList{"a\"b", "\\\"c"};
        QTest::newRow("even backslashes before a quote") << "a\\\\\"b c\"" << QStringList{"a\\b c"};
        QTest::newRow("doubled quote inside quotes ends them") << "\"a\"\"b\" c" << QStringList{"a\"b c"};
        QTest::newRow("tripled quote") << "\"\"\"a\"" << QStringList{"\"a"};
        QTest::newRow("shell characters are text") << "a;b|c&d $(e) `f` >g 'h"
                                                   << QStringList{"a;b|c&d", "$(e)", "`f`", ">g", "'h"};
    }
    void splitCommandLine()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, arguments);
        QCOMPARE(tolvex::splitCommandLine(text), arguments);
    }

    void theGameGetsItsArgumentsAndWorkingDirectory_data()
    {
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("deathmatch") << " +map arena1 +set deathmatch 1 +set dmflags 20"
                                    << QStringList{"+map", "arena1", "+set", "deathmatch", "1", "+set", "dmflags", "20"};
        QTest::newRow("level name with blanks") << "+set game eraser +map big arena  +bot_num 4"
                                                << QStringList{"+set", "game", "eraser", "+map", "big", "arena", "+bot_num", "4"};
        QTest::newRow("shell characters")
            << " +map a;touch${IFS}hacked|b&c$(touch hacked)`x`>out +set game ctf "
            << QStringList{"+map", "a;touch${IFS}hacked|b&c$(touch", "hacked)`x`>out", "+set", "game", "ctf"};
        QTest::newRow("quoted value") << "+set hostname \"Tolvex LAN\"" << QStringList{"+set", "hostname", "Tolvex LAN"};
    }
    void theGameGetsItsArgumentsAndWorkingDirectory()
    {
        QFETCH(QString, parameters);
        QFETCH(QStringList, arguments);
        const QString folder = m_dir.filePath("quake2/");
        QVERIFY(shellExecute("quake2", parameters, folder) > 32);
        const QStringList lines = waitForRecord(m_record);
        QVERIFY(!lines.isEmpty());
        QCOMPARE(lines.first(), m_dir.filePath("quake2"));
        QCOMPARE(lines.mid(1), arguments);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"quake2"});
    }

    void aFullPathRunsInTheGivenDirectory()
    {
        QVERIFY(shellExecute(m_game, "+map q2dm1", m_dir.path()) > 32);
        QCOMPARE(waitForRecord(m_record), (QStringList{m_dir.path(), "+map", "q2dm1"}));
    }

    void aBareNameWithoutDirectoryIsFoundInTheCurrentOne()
    {
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.filePath("quake2")));
        const int result = shellExecute("quake2", "x", QString());
        QVERIFY(QDir::setCurrent(before));
        QVERIFY(result > 32);
        QCOMPARE(waitForRecord(m_record), (QStringList{m_dir.filePath("quake2"), "x"}));
    }

    void theGameIsNeverLeftAZombie()
    {
        QVERIFY(shellExecute(m_game, "+map q2dm1", m_dir.path()) > 32);
        (void)waitForRecord(m_record);
        // The script has finished writing; whatever it became, it is no child of ours.
        errno = 0;
        QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);
        QCOMPARE(errno, ECHILD);
    }

    // "@" stands for the test's folder.
    void failuresGiveShellCodes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty file name") << "" << "" << shellresult::kFileNotFound;
        QTest::newRow("missing file") << "quake3" << "@/quake2" << shellresult::kFileNotFound;
        QTest::newRow("missing folder of the file") << "@/gone/quake2" << "" << shellresult::kPathNotFound;
        QTest::newRow("missing working directory") << "quake2" << "@/gone" << shellresult::kPathNotFound;
        QTest::newRow("executable of a bad format") << "@/garbage" << "" << shellresult::kBadFormat;
    }
    void failuresGiveShellCodes()
    {
        QFETCH(QString, file);
        QFETCH(QString, directory);
        QFETCH(int, expected);
        QFile garbage(m_dir.filePath("garbage"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("\x7f\x01\x02 not a program\n");
        garbage.close();
        QVERIFY(::chmod(QFile::encodeName(garbage.fileName()).constData(), 0755) == 0);

        const int result = shellExecute(file.replace(u'@', m_dir.path()), "+map q2dm1", directory.replace(u'@', m_dir.path()));
        QCOMPARE(result, expected);
        QVERIFY(!QFile::exists(m_record));
    }

    void otherFilesGoToTheDesktopOpener()
    {
        const QString document = m_dir.filePath("read me; now.txt");
        QFile file(document);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(shellExecute(document, "+map q2dm1", m_dir.path()) > 32);
        QCOMPARE(waitForRecord(m_opened), (QStringList{m_dir.path(), document}));

        QVERIFY(openUrl("https://example.org/a?b=1&c=$(d)") > 32);
        QCOMPARE(waitForRecord(m_opened).mid(1), QStringList{"https://example.org/a?b=1&c=$(d)"});

        overrideDesktopOpener(m_dir.filePath("no-opener"));
        QCOMPARE(openUrl("https://example.org/"), shellresult::kFileNotFound);
    }
};

QTEST_GUILESS_MAIN(ProgramStartTest)
#include "programStartTest.moc"
