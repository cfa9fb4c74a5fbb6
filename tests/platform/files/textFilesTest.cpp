#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"
#include "platform/files/SafeFile.h"
#include "platform/files/TextFile.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/file.h>
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

    void aLinkIsFollowedAndTheFileItNamesReplaced()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("real") && QDir(dir.path()).mkpath("links"));
        const QString real = dir.filePath("real/konfig.ini");
        put(real, "old\r\n");
        QVERIFY(::chmod(QFile::encodeName(real).constData(), 0604) == 0);
        QVERIFY(::chown(QFile::encodeName(real).constData(), 4321, 8765) == 0 || ::geteuid() != 0);
        struct stat before {};
        QVERIFY(::stat(QFile::encodeName(real).constData(), &before) == 0);
        // A chain: an absolute link to a relative one.
        QVERIFY(QFile::link("../real/konfig.ini", dir.filePath("links/relative.ini")));
        QVERIFY(QFile::link(dir.filePath("links/relative.ini"), dir.filePath("konfig.ini")));

        QCOMPARE(saveAtomically(dir.filePath("konfig.ini"), "new\r\n"), std::nullopt);
        QVERIFY(QFileInfo(dir.filePath("konfig.ini")).isSymLink());
        QVERIFY(QFileInfo(dir.filePath("links/relative.ini")).isSymLink());
        QCOMPARE(contents(real), QByteArray("new\r\n"));
        struct stat after {};
        QVERIFY(::stat(QFile::encodeName(real).constData(), &after) == 0);
        QCOMPARE(int(after.st_mode & 07777), 0604);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(QDir(dir.filePath("real")).entryList(QDir::Files | QDir::Hidden), QStringList{"konfig.ini"});

        QVERIFY(QFile::link("loop.ini", dir.filePath("loop.ini")));
        QCOMPARE(saveAtomically(dir.filePath("loop.ini"), "x"), std::optional(SaveFailure::CannotCreate));
    }

    void aFileInAFolderThatMayNotBeWrittenIsWrittenInPlace()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("shared");
        QVERIFY(QDir(dir.path()).mkdir("shared"));
        const QString path = folder + "/maps.txt";
        const QString locked = folder + "/locked.txt";
        put(path, QByteArray(5000, 'o'));
        put(locked, "old");
        QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0444) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        const auto unlock = qScopeGuard([&] { ::chmod(QFile::encodeName(folder).constData(), 0755); });
        struct stat before {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &before) == 0);

        QCOMPARE(saveAtomically(path, "q2dm1\r\n"), std::nullopt);
        QCOMPARE(contents(path), QByteArray("q2dm1\r\n"));
        struct stat after {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(saveAtomically(locked, "new"), std::optional(SaveFailure::CannotCreate));
        QCOMPARE(contents(locked), QByteArray("old"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{"locked.txt", "maps.txt"}));
    }

    void namesUpToTheFileSystemsLimitCanBeWritten()
    {
        QTemporaryDir dir;
        for (const int length : {245, 250, 255}) {
            const QString path = dir.filePath(QString(length - 4, u'n') + ".txt");
            QCOMPARE(saveAtomically(path, "first"), std::nullopt);
            QCOMPARE(saveAtomically(path, "second"), std::nullopt);
            QCOMPARE(contents(path), QByteArray("second"));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

    void aBatchNamesItsFilesOnlyWhereNoneAreAndLeavesNothingElse()
    {
        QTemporaryDir dir;
        put(dir.filePath("taken.jpg"), "the user's own");
        put(dir.filePath(".tolvex-0123abcd-Xy12Z9"), "left by a crashed batch");
        put(dir.filePath(".tolvex-notours"), "someone else's");
        {
            NewFileBatch batch(dir.path());
            QCOMPARE(batch.add("a.jpg", "first"), std::nullopt);
            QCOMPARE(batch.add("taken.jpg", "plan"), std::nullopt);
            QCOMPARE(batch.add("late.jpg", "plan"), std::nullopt);
            QCOMPARE(batch.add("../out.jpg", "x"), std::optional(SaveFailure::CannotCreate));
            QCOMPARE(batch.pending(), 3);
            // Nothing has a name before the batch is placed.
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{".tolvex-notours", "taken.jpg"}));
            put(dir.filePath("late.jpg"), "made meanwhile");

            const NewFileBatch::Placed placed = batch.place();
            QCOMPARE(placed.made, QStringList{"a.jpg"});
            QVERIFY(placed.failed.isEmpty());
            QCOMPARE(batch.pending(), 0);
            QCOMPARE(batch.add("dropped.jpg", "never placed"), std::nullopt);
        }
        QCOMPARE(contents(dir.filePath("a.jpg")), QByteArray("first"));
        QCOMPARE(contents(dir.filePath("taken.jpg")), QByteArray("the user's own"));
        QCOMPARE(contents(dir.filePath("late.jpg")), QByteArray("made meanwhile"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{".tolvex-notours", "a.jpg", "late.jpg", "taken.jpg"}));
        QCOMPARE(QFileInfo(dir.filePath("a.jpg")).permissions() & QFile::WriteOwner, QFile::WriteOwner);

        const QString locked = dir.filePath("locked");
        QVERIFY(QDir(dir.path()).mkdir("locked"));
        QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0555) == 0);
        QCOMPARE(NewFileBatch(locked).add("new.jpg", "x"), std::optional(SaveFailure::CannotCreate));
        QCOMPARE(NewFileBatch(dir.filePath("missing")).add("new.jpg", "x"), std::optional(SaveFailure::CannotCreate));
        (void)::chmod(QFile::encodeName(locked).constData(), 0755);
    }

    void aKilledSaveLeavesNoLitterAndOldLitterGoes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("export.txt");
        put(path, "old");
        // What saves that died before the short names left: full-size copies
        // beside the target. One is still being written by a live save.
        put(path + ".tmp-a1B2c3", QByteArray(100'000, 'x'));
        put(path + ".tmp-Q9w8E7", QByteArray(100'000, 'x'));
        put(path + ".tmp-toolong", "not ours");
        put(dir.filePath("other.txt.tmp-a1B2c3"), "not this file's");
        QFile live(path + ".tmp-L1v3s4");
        QVERIFY(live.open(QIODevice::WriteOnly));
        QVERIFY(::flock(live.handle(), LOCK_EX) == 0);

        const QByteArray big(64 * 1024 * 1024, 'n');
        const pid_t child = ::fork();
        if (child == 0) {
            (void)saveAtomically(path, big);
            ::_exit(0);
        }
        QTest::qWait(50);
        ::kill(child, SIGKILL);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) || contents(path).size() == big.size());
        // The killed save may have cleared the old litter; it left none of its own.
        const QStringList before{"export.txt", "export.txt.tmp-a1B2c3", "export.txt.tmp-L1v3s4", "export.txt.tmp-Q9w8E7",
                                 "export.txt.tmp-toolong", "other.txt.tmp-a1B2c3"};
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(before.contains(name), qPrintable(name));

        const QStringList stay{"export.txt", "export.txt.tmp-L1v3s4", "export.txt.tmp-toolong", "other.txt.tmp-a1B2c3"};
        QCOMPARE(saveAtomically(path, "new"), std::nullopt);
        QCOMPARE(contents(path), QByteArray("new"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), stay);
    }
};

QTEST_GUILESS_MAIN(TextFilesTest)
#include "textFilesTest.moc"
