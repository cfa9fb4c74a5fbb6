#include "tests/support/TestFiles.h"
#include "platform/Cp1252.h"
#include "platform/SafeFile.h"
#include "platform/TextFile.h"
#include "platform/TolvexError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvex;

class TextFilesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyByteSurvivesTheCodePage()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = cp1252::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC));
        QCOMPARE(text.at(0xB4), QChar(0x00B4));
        QCOMPARE(text.at(0x81), QChar(0x0081));
        QCOMPARE(cp1252::encode(text), all);
        QVERIFY(cp1252::representable(text));
        QVERIFY(!cp1252::representable(QStringLiteral("Ω")));
        QVERIFY(cp1252::representable(QStringLiteral("Levelübersicht €")));
    }

    void splitLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("lone LF") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("lone CR") << QByteArray("a\rb") << QStringList{"a", "b"};
        QTest::newRow("last line without ending") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("empty lines between") << QByteArray("a\r\n\r\n\nb") << QStringList{"a", "", "", "b"};
        QTest::newRow("LF CR is two endings") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("only an ending") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("NUL ends the text") << QByteArray("a\r\nb\0c\r\nd", 10) << QStringList{"a", "b"};
        QTest::newRow("high bytes") << QByteArray("\xfc\x80\r\n") << QStringList{QStringLiteral("ü€")};
    }
    void splitLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(tolvex::splitLines(bytes), lines);
    }

    void joinPutsCrLfAfterEveryLine()
    {
        QCOMPARE(joinLines({"a", "", "b"}), QByteArray("a\r\n\r\nb\r\n"));
        QCOMPARE(joinLines({}), QByteArray());
    }

    void readingAMissingFileOrAFolderFails()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath("nothing.txt");
        try {
            (void)readLines(missing);
            QFAIL("no error");
        } catch (const TolvexError& e) {
            QCOMPARE(e.message(), QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(missing));
        }
        QVERIFY_THROWS_EXCEPTION(TolvexError, (void)readLines(dir.path()));
        QVERIFY_THROWS_EXCEPTION(TolvexError, (void)readLines(QString()));
        QVERIFY(!fileExists(dir.path()));
        QVERIFY(!fileExists(QString()));
    }

    void writeReplacesAndKeepsPermissions()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("maps.txt");
        put(path, "old\r\n");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        writeLines(path, {"q2dm1", "q2dm2"});
        QCOMPARE(contents(path), QByteArray("q2dm1\r\nq2dm2\r\n"));
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), 0640);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"maps.txt"});
    }

    void writeProtectedTargetsAreNotReplaced()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("maps.txt");
        put(path, "old\r\n");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
        QCOMPARE(saveAtomically(path, "new"), std::optional(SaveFailure::CannotCreate));
        QCOMPARE(contents(path), QByteArray("old\r\n"));

        try {
            writeLines(path, {"x"});
            QFAIL("no error");
        } catch (const TolvexError& e) {
            QCOMPARE(e.message(), QStringLiteral("Datei %1 kann nicht erstellt werden").arg(path));
        }

        QCOMPARE(saveAtomically(dir.filePath("missing/maps.txt"), "x"), std::optional(SaveFailure::CannotCreate));
        QCOMPARE(saveAtomically(QString(), "x"), std::optional(SaveFailure::CannotCreate));
        QCOMPARE(saveAtomically(dir.path(), "x"), std::optional(SaveFailure::CannotCreate));

        const QString locked = dir.filePath("locked");
        QVERIFY(QDir(dir.path()).mkdir("locked"));
        QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0555) == 0);
        QCOMPARE(saveAtomically(locked + "/new.txt", "x"), std::optional(SaveFailure::CannotCreate));
        (void)::chmod(QFile::encodeName(locked).constData(), 0755);
    }

    void aFailedWriteLeavesTheOldFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("export.txt");
        const QByteArray old(10'000, 'o');
        put(path, old);

        // A file size limit stands in for a full disk; the child keeps the limit to itself.
        const pid_t child = ::fork();
        if (child == 0) {
            struct rlimit limit {4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const auto failure = saveAtomically(path, QByteArray(100'000, 'n'));
            ::_exit(failure == SaveFailure::WriteFailed ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(contents(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"export.txt"});
    }
};

QTEST_GUILESS_MAIN(TextFilesTest)
#include "textFilesTest.moc"
