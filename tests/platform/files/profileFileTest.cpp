#include "platform/dialogs/TolvexError.h"
#include "platform/files/ProfileFile.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvex;

namespace {

void setMode(const QString& path, mode_t mode)
{
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

QString cannotWrite(const QString& path)
{
    return QStringLiteral("nach %1 kann nicht geschrieben werden").arg(path);
}

} // namespace

class ProfileFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString iniWith(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("konfig-%1.ini").arg(++m_count));
        put(path, bytes);
        return path;
    }
    int m_count = 0;

private Q_SLOTS:
    void integers_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        const int d = 77;
        QTest::newRow("decimal") << QByteArray("500") << 500;
        QTest::newRow("blanks before") << QByteArray("  \t 42") << 42;
        QTest::newRow("blanks after") << QByteArray("42  ") << 42;
        QTest::newRow("plus") << QByteArray("+7") << 7;
        QTest::newRow("minus") << QByteArray("-7") << -7;
        QTest::newRow("dollar") << QByteArray("$1F4") << 500;
        QTest::newRow("x") << QByteArray("x1f4") << 500;
        QTest::newRow("X") << QByteArray("X1F4") << 500;
        QTest::newRow("0x") << QByteArray("0x1F4") << 500;
        QTest::newRow("0X") << QByteArray("0X1F4") << 500;
        QTest::newRow("negative hex") << QByteArray("-$10") << -16;
        QTest::newRow("hex uses all 32 bits") << QByteArray("$FFFFFFFF") << -1;
        QTest::newRow("hex beyond 32 bits") << QByteArray("$100000000") << d;
        QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("smallest") << QByteArray("-2147483648") << int(-2147483648LL);
        QTest::newRow("above range") << QByteArray("2147483648") << d;
        QTest::newRow("below range") << QByteArray("-2147483649") << d;
        QTest::newRow("endless digits") << QByteArray(5000, '9') << d;
        QTest::newRow("empty") << QByteArray("") << d;
        QTest::newRow("only blanks") << QByteArray("   ") << d;
        QTest::newRow("letter after digits") << QByteArray("12a") << d;
        QTest::newRow("blank inside") << QByteArray("1 2") << d;
        QTest::newRow("blank after sign") << QByteArray("- 5") << d;
        QTest::newRow("sign only") << QByteArray("-") << d;
        QTest::newRow("prefix only") << QByteArray("0x") << d;
        QTest::newRow("hex digit without prefix") << QByteArray("1F") << d;
        QTest::newRow("decimal point") << QByteArray("1.5") << d;
        QTest::newRow("word") << QByteArray("yes") << d;
    }
    void integers()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        const ProfileFile ini(iniWith("[Tabelle]\r\nwidth=" + value + "\r\n"));
        QCOMPARE(ini.readInteger("Tabelle", "width", 77), expected);
    }

    void booleans_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("fallback");
        QTest::addColumn<bool>("expected");
        QTest::newRow("1") << QByteArray("1") << false << true;
        QTest::newRow("0") << QByteArray("0") << true << false;
        QTest::newRow("2 is true") << QByteArray("2") << false << true;
        QTest::newRow("-1 is true") << QByteArray("-1") << false << true;
        QTest::newRow("hex zero") << QByteArray("0x0") << true << false;
        QTest::newRow("yes gives the default true") << QByteArray("yes") << true << true;
        QTest::newRow("yes gives the default false") << QByteArray("yes") << false << false;
        QTest::newRow("true gives the default") << QByteArray("true") << false << false;
        QTest::newRow("empty gives the default") << QByteArray("") << true << true;
    }
    void booleans()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, fallback);
        QFETCH(bool, expected);
        const ProfileFile ini(iniWith("[Maplist]\r\nvisible=" + value + "\r\n"));
        QCOMPARE(ini.readBool("Maplist", "visible", fallback), expected);
    }

    void textsAreTrimmedAndCut()
    {
        const QByteArray longValue(3000, 'p');
        const ProfileFile ini(iniWith("[Other]\r\nparameter =  +set dmflags 20  \r\nsprache=a=b\r\n"
                                      "long=" + longValue + "\r\numlaut=\xfc\x80\r\nempty=\r\n"));
        QCOMPARE(ini.readString("Other", "parameter", "x"), QStringLiteral("+set dmflags 20"));
        QCOMPARE(ini.readString("Other", "sprache", "x"), QStringLiteral("a=b"));
        QCOMPARE(ini.readString("Other", "long", "x"), QString(2047, u'p'));
        QCOMPARE(ini.readString("Other", "umlaut", "x"), QStringLiteral("ü€"));
        QCOMPARE(ini.readString("Other", "empty", "x"), QString());
        QCOMPARE(ini.readString("Other", "missing", "x"), QStringLiteral("x"));
        QCOMPARE(ini.readString("Missing", "parameter", "x"), QStringLiteral("x"));
    }

    void aMissingFileReadsDefaultsAndIsCreatedByTheFirstWrite()
    {
        const QString path = m_dir.filePath("new/konfig.ini");
        QVERIFY(QDir(m_dir.path()).mkdir("new"));
        ProfileFile ini(path);
        QCOMPARE(ini.readString("Verzeichnisse", "quake", ""), QString());
        QCOMPARE(ini.readInteger("Hauptfenster", "width", 300), 300);
        QVERIFY(ini.readBool("Hauptfenster", "visible", true));
        ini.writeString("Verzeichnisse", "quake", "/q2/quake2");
        QCOMPARE(contents(path), QByteArray("<missing>"));
        ini.flush();
        QCOMPARE(contents(path), QByteArray("[Verzeichnisse]\r\nquake=/q2/quake2\r\n"));
    }

    void namesMatchWithoutCaseAndTheFirstMatchWins()
    {
        const QString path = iniWith("[other]\r\nPARAMETER=first\r\nparameter=second\r\n"
                                     "[Other]\r\nparameter=third\r\nsprache=english\r\n");
        ProfileFile ini(path);
        QCOMPARE(ini.readString("OTHER", "Parameter", ""), QStringLiteral("first"));
        QCOMPARE(ini.readString("Other", "sprache", ""), QStringLiteral("english"));
        ini.writeString("Other", "parameter", "new");
        ini.writeString("Other", "SPRACHE", "deutsch");
        ini.flush();
        QCOMPARE(contents(path), QByteArray("[other]\r\nPARAMETER=new\r\nparameter=second\r\n"
                                            "[Other]\r\nparameter=third\r\nsprache=deutsch\r\n"));
    }

    void readsSeePendingWritesAndTheDestructorStoresThem()
    {
        const QString path = iniWith("[Tabelle]\r\nwidth=1\r\n");
        {
            ProfileFile ini(path);
            ini.writeInteger("Tabelle", "width", 640);
            ini.writeBool("Tabelle", "visible", false);
            QCOMPARE(ini.readInteger("Tabelle", "width", 0), 640);
            QVERIFY(!ini.readBool("Tabelle", "visible", true));
            QCOMPARE(contents(path), QByteArray("[Tabelle]\r\nwidth=1\r\n"));
        }
        QCOMPARE(contents(path), QByteArray("[Tabelle]\r\nwidth=640\r\nvisible=0\r\n"));
    }

    void linesWeDontOwnSurviveEveryWrite()
    {
        const QByteArray before =
            "; written by hand\n"
            "orphan=before any section\n"
            "[Verzeichnisse]\n"
            "  Quake = c:\\old\\quake2.exe   \n"
            "garbage without equals\n"
            "=no name\n"
            "[broken section\n"
            "\n"
            "[Eigenes]\n"
            "wichtig=ja; bitte behalten\n"
            "\n"
            "[Other]\n"
            "sprache=english\n"
            "\n";
        const QString path = iniWith(before);
        ProfileFile ini(path);
        ini.writeString("Verzeichnisse", "quake", "/q2/quake2");
        ini.writeString("Verzeichnisse", "eraser", "/q2/maps.txt");
        ini.writeString("Other", "parameter", "+set dmflags 20");
        ini.writeBool("Maplist", "visible", true);
        ini.flush();
        QCOMPARE(contents(path), QByteArray(
            "; written by hand\n"
            "orphan=before any section\n"
            "[Verzeichnisse]\n"
            "  Quake = /q2/quake2\n"
            "garbage without equals\n"
            "=no name\n"
            "[broken section\n"
            "eraser=/q2/maps.txt\n"
            "\n"
            "[Eigenes]\n"
            "wichtig=ja; bitte behalten\n"
            "\n"
            "[Other]\n"
            "sprache=english\n"
            "parameter=+set dmflags 20\n"
            "\n"
            "[Maplist]\n"
            "visible=1\n"));
        QCOMPARE(ProfileFile(path).readString("verzeichnisse", "QUAKE", ""), QStringLiteral("/q2/quake2"));
    }

    void aLastLineWithoutEndingGetsOneBeforeAnAddedLine()
    {
        const QString path = iniWith("[Other]\rsprache=english");
        ProfileFile ini(path);
        ini.writeString("Other", "parameter", "x");
        ini.writeString("Tabelle", "top", "5");
        ini.flush();
        QCOMPARE(contents(path), QByteArray("[Other]\rsprache=english\rparameter=x\r[Tabelle]\rtop=5\r"));
    }

    void lineBreaksInAValueCannotSplitTheLine()
    {
        const QString path = iniWith("");
        ProfileFile ini(path);
        ini.writeString("Other", "parameter", "a\r\nb\nc");
        ini.flush();
        QCOMPARE(contents(path), QByteArray("[Other]\r\nparameter=a  b c\r\n"));
    }

    void garbageNeverCrashesAndSurvivesByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QTest::newRow("every byte") << all + all;
        static const char withNul[] = "[Other]\0sprache=x\r\nparameter=a\0b\r\n\0\0";
        QTest::newRow("NUL bytes") << QByteArray(withNul, sizeof withNul - 1);
        QTest::newRow("10 MB line") << QByteArray(10 * 1024 * 1024, 'w') + "=[";
        QTest::newRow("10 MB section") << "[" + QByteArray(10 * 1024 * 1024, 'S') + "]\n";
    }
    void garbageNeverCrashesAndSurvivesByteForByte()
    {
        QFETCH(QByteArray, bytes);
        const QString path = iniWith(bytes);
        {
            ProfileFile ini(path);
            QCOMPARE(ini.readString("Other", "quake", "d"), QStringLiteral("d"));
            QCOMPARE(ini.readInteger("Tabelle", "width", 3), 3);
            ini.writeString("Zusatz", "key", "value");
            ini.flush();
        }
        const QByteArray after = contents(path);
        QVERIFY(after.startsWith(bytes));
        QVERIFY(after.endsWith("[Zusatz]\r\nkey=value\r\n") || after.endsWith("[Zusatz]\nkey=value\n")
                || after.endsWith("[Zusatz]\rkey=value\r"));
        QCOMPARE(ProfileFile(path).readString("zusatz", "KEY", ""), QStringLiteral("value"));
    }

    void aReadOnlyFileFailsAtTheFirstWrite()
    {
        const QByteArray before = "[Verzeichnisse]\r\nquake=/q2/quake2\r\n";
        const QString path = iniWith(before);
        setMode(path, 0444);
        ProfileFile ini(path);
        try {
            ini.writeString("Verzeichnisse", "quake", "/other");
            QFAIL("the write went through");
        } catch (const TolvexError& e) {
            QCOMPARE(e.message(), cannotWrite(path));
        }
        QCOMPARE(ini.readString("Verzeichnisse", "quake", ""), QStringLiteral("/q2/quake2"));
        ini.flush();
        QCOMPARE(contents(path), before);
        setMode(path, 0644);
    }

    void aFolderWithoutWriteRightsTakesChangesOnlyToItsFiles()
    {
        const QString folder = m_dir.filePath("locked");
        QVERIFY(QDir(m_dir.path()).mkdir("locked"));
        const QString existing = folder + "/konfig.ini";
        put(existing, "[Other]\r\n");
        setMode(folder, 0555);
        {
            ProfileFile ini(existing);
            ini.writeBool("Hauptfenster", "visible", true);
            ini.flush();
        }
        for (const QString& path : QStringList{folder + "/missing.ini", m_dir.filePath("nowhere/konfig.ini")}) {
            ProfileFile ini(path);
            try {
                ini.writeBool("Hauptfenster", "visible", true);
                QFAIL("the write went through");
            } catch (const TolvexError& e) {
                QCOMPARE(e.message(), cannotWrite(path));
            }
        }
        setMode(folder, 0755);
        QCOMPARE(contents(existing), QByteArray("[Other]\r\n[Hauptfenster]\r\nvisible=1\r\n"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"konfig.ini"});
    }

    void somethingUnreadableIsNeverOverwritten()
    {
        const QString path = m_dir.filePath("folder.ini");
        QVERIFY(QDir(m_dir.path()).mkdir("folder.ini"));
        ProfileFile ini(path);
        QCOMPARE(ini.readInteger("Tabelle", "top", 9), 9);
        QVERIFY_THROWS_EXCEPTION(TolvexError, ini.writeInteger("Tabelle", "top", 1));
    }

    void aFailedFlushLeavesTheOldFileWhole()
    {
        const QByteArray before = "[Other]\r\nparameter=old\r\n";
        const QString path = iniWith(before);

        // A file size limit stands in for a full disk; the child keeps the limit to itself.
        const pid_t child = ::fork();
        if (child == 0) {
            struct rlimit limit {4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            int code = 1;
            try {
                ProfileFile ini(path);
                ini.writeString("Other", "parameter", QString(100'000, u'n'));
                ini.flush();
            } catch (const TolvexError& e) {
                code = e.message() == cannotWrite(path) ? 0 : 2;
            }
            ::_exit(code);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(contents(path), before);
        QCOMPARE(QDir(m_dir.path()).entryList({"*.tmp-*"}, QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(ProfileFileTest)
#include "profileFileTest.moc"
