#include "install/ArchiveInstall.h"
#include "install/EntryPath.h"
#include "install/InstallFolder.h"
#include "install/LevelArchives.h"
#include "install/ReadmeFacts.h"
#include "platform/dialogs/TolvexError.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvex;

Q_DECLARE_METATYPE(TestFormat)
Q_DECLARE_METATYPE(EntryTarget::Kind)

namespace {

using Type = TestEntry::Type;

// A level as downloads bring it: the map and its textures below folders of
// the packer's own, a readme, editor sources.
std::vector<TestEntry> levelArchive()
{
    return {
        {QStringLiteral("Quake2/BaseQ2/"), {}, Type::Folder},
        {QStringLiteral("Quake2/BaseQ2/Maps/Arena7.BSP"), "IBSP map"},
        {QStringLiteral("Quake2/BaseQ2/textures/Arena7/Floor.wal"), "wal"},
        {QStringLiteral("env/arena7up.tga"), "sky"},
        {QStringLiteral("Extras/Sound/Arena7/hum.wav"), "wav"},
        {QStringLiteral("Arena7.txt"), "Title: Arena Seven"},
        {QStringLiteral("source/arena7.map"), "editor"},
    };
}

} // namespace

class ArchiveInstallTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    [[nodiscard]] QString path(const QString& name) const { return m_dir.filePath(name); }
    [[nodiscard]] QString baseq2() const { return path(QStringLiteral("game/baseq2")); }

    QString archive(const std::vector<TestEntry>& entries, TestFormat format = TestFormat::Zip,
                    const QString& name = QStringLiteral("level.zip"))
    {
        writeTestArchive(path(name), format, entries);
        return path(name);
    }

private Q_SLOTS:
    void init() { QVERIFY(QDir(path(QStringLiteral("game"))).removeRecursively()); }

    void entryNamesMapOntoTheDataFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<EntryTarget::Kind>("kind");
        QTest::addColumn<QString>("target");
        using K = EntryTarget::Kind;
        QTest::newRow("game folder deep") << "quake2/baseq2/maps/x.bsp" << K::File << "maps/x.bsp";
        QTest::newRow("upper case") << "BaseQ2\\Textures\\E1U1\\Wall.WAL" << K::File << "textures/e1u1/wall.wal";
        QTest::newRow("first game folder wins") << "pics/maps/x.pcx" << K::File << "pics/maps/x.pcx";
        QTest::newRow("loose map") << "mylevel/X.bsp" << K::File << "maps/x.bsp";
        QTest::newRow("package anywhere") << "stuff/maps/PAK0.PAK" << K::Package << "pak0.pak";
        QTest::newRow("zip package") << "e.pk3" << K::Package << "e.pk3";
        QTest::newRow("readme") << "x.txt" << K::Ignored << "";
        QTest::newRow("file named like a folder") << "maps" << K::Ignored << "";
        QTest::newRow("folder") << "maps/" << K::Ignored << "";
        QTest::newRow("dot parts") << "./maps/./x.bsp" << K::File << "maps/x.bsp";
        QTest::newRow("parent") << "../maps/x.bsp" << K::Unsafe << "";
        QTest::newRow("parent inside") << "a/../maps/x.bsp" << K::Unsafe << "";
        QTest::newRow("parent of a readme") << "docs/../../x.txt" << K::Unsafe << "";
        QTest::newRow("absolute") << "/etc/maps/x.bsp" << K::Unsafe << "";
        QTest::newRow("drive") << "C:maps\\x.bsp" << K::Unsafe << "";
        QTest::newRow("drive in a part") << "x/c:/y.pak" << K::Unsafe << "";
        QTest::newRow("colon after a non-drive") << QString::fromUtf8("\xd1\x8f:e.pak") << K::Package
                                                 << QString::fromUtf8("\xd1\x8f:e.pak");
    }

    void entryNamesMapOntoTheDataFolder()
    {
        QFETCH(QString, name);
        QFETCH(EntryTarget::Kind, kind);
        QFETCH(QString, target);
        const EntryTarget where = entryTarget(name);
        QCOMPARE(where.kind, kind);
        QCOMPARE(where.path, target);
    }

    void theDataFolderIsBesideTheProgramOrInTheHome()
    {
        const QString home = path(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(path(QStringLiteral("portable/baseq2"))));
        QVERIFY(QDir().mkpath(path(QStringLiteral("bin"))));
        put(path(QStringLiteral("portable/quake2")), "#!/bin/sh\n");
        QVERIFY(QFile::link(path(QStringLiteral("portable/quake2")), path(QStringLiteral("bin/q2"))));

        QCOMPARE(installFolder(path(QStringLiteral("portable/quake2")), home), path(QStringLiteral("portable/baseq2")));
        QCOMPARE(installFolder(path(QStringLiteral("bin/q2")), home), path(QStringLiteral("portable/baseq2")));
        QCOMPARE(installFolder(path(QStringLiteral("bin/q2pro")), home), home + QStringLiteral("/.q2pro/baseq2"));
        QCOMPARE(installFolder(path(QStringLiteral("bin/yquake2")), home), home + QStringLiteral("/.yq2/baseq2"));
        QCOMPARE(installFolder(QString(), home), home + QStringLiteral("/.yq2/baseq2"));
        QVERIFY(isSystemFolder(QStringLiteral("/usr/share/games/quake2/baseq2")));
        QVERIFY(isSystemFolder(QStringLiteral("/")));
        QVERIFY(!isSystemFolder(QStringLiteral("/usrlocal/baseq2")));
    }

    void eachFormatInstallsTheGameFilesInLowerCase_data()
    {
        QTest::addColumn<TestFormat>("format");
        QTest::newRow("zip") << TestFormat::Zip;
        QTest::newRow("7z") << TestFormat::SevenZip;
        QTest::newRow("tar") << TestFormat::Tar;
    }

    void eachFormatInstallsTheGameFilesInLowerCase()
    {
        QFETCH(TestFormat, format);
        ArchiveInstall install(baseq2());
        QVERIFY(install.unpack(archive(levelArchive(), format)));
        QVERIFY(install.differing().isEmpty());
        const ArchiveInstalled installed = install.commit();

        const QMap<QString, QByteArray> expected{
            {QStringLiteral("env/"), {}},
            {QStringLiteral("env/arena7up.tga"), "sky"},
            {QStringLiteral("maps/"), {}},
            {QStringLiteral("maps/arena7.bsp"), "IBSP map"},
            {QStringLiteral("sound/"), {}},
            {QStringLiteral("sound/arena7/"), {}},
            {QStringLiteral("sound/arena7/hum.wav"), "wav"},
            {QStringLiteral("textures/"), {}},
            {QStringLiteral("textures/arena7/"), {}},
            {QStringLiteral("textures/arena7/floor.wal"), "wal"},
        };
        QCOMPARE(folderContents(baseq2()), expected);
        QCOMPARE(installed.files.size(), 4);
        QCOMPARE(installed.maps, QStringList{QStringLiteral("arena7")});
        QCOMPARE(installed.texts.size(), std::size_t(1));
        QCOMPARE(installed.texts.front().name, QStringLiteral("arena7"));
    }

    void packagesGoIntoTheFolderUnderAFreeNameWhenTheirsIsTaken()
    {
        QVERIFY(QDir().mkpath(baseq2()));
        put(baseq2() + QStringLiteral("/pak0.pak"), "id's own");
        put(baseq2() + QStringLiteral("/pak1.pak"), "same");
        ArchiveInstall install(baseq2());
        QVERIFY(install.unpack(archive({{QStringLiteral("a/PAK0.pak"), "new"},
                                        {QStringLiteral("b/pak1.pak"), "same"},
                                        {QStringLiteral("C.PK3"), "zip"}})));
        QVERIFY(install.differing().isEmpty());
        const ArchiveInstalled installed = install.commit();
        QCOMPARE(installed.files, (QStringList{QStringLiteral("pak2.pak"), QStringLiteral("c.pk3")}));
        QCOMPARE(installed.packages, (QStringList{QStringLiteral("pak2.pak"), QStringLiteral("pak1.pak"), QStringLiteral("c.pk3")}));
        QCOMPARE(contents(baseq2() + QStringLiteral("/pak0.pak")), QByteArray("id's own"));
        QCOMPARE(contents(baseq2() + QStringLiteral("/pak2.pak")), QByteArray("new"));
    }

    void aSingleMapOrPackageIsInstalledAsItIs()
    {
        put(path(QStringLiteral("Single.BSP")), "IBSP single");
        ArchiveInstall install(baseq2());
        QVERIFY(install.unpack(path(QStringLiteral("Single.BSP"))));
        QCOMPARE(install.commit().files, QStringList{QStringLiteral("maps/single.bsp")});
        QCOMPARE(contents(baseq2() + QStringLiteral("/maps/single.bsp")), QByteArray("IBSP single"));
    }

    void refusedArchivesLeaveTheFolderAsItWas_data()
    {
        QTest::addColumn<TestFormat>("format");
        QTest::addColumn<std::vector<TestEntry>>("entries");
        QTest::addColumn<QString>("reason");
        const TestEntry map{QStringLiteral("maps/ok.bsp"), "IBSP"};
        QTest::newRow("parent") << TestFormat::Zip << std::vector<TestEntry>{map, {QStringLiteral("../evil.bsp"), "x"}}
                                << "außerhalb des Spielordners";
        QTest::newRow("absolute") << TestFormat::Tar << std::vector<TestEntry>{map, {QStringLiteral("/tmp/maps/x.bsp"), "x"}}
                                  << "außerhalb des Spielordners";
        QTest::newRow("symlink") << TestFormat::Tar
                                 << std::vector<TestEntry>{map, {QStringLiteral("maps/link.bsp"), "/etc/passwd", Type::Symlink}}
                                 << "keine gewöhnliche Datei";
        QTest::newRow("hardlink") << TestFormat::Tar
                                  << std::vector<TestEntry>{map, {QStringLiteral("maps/hard.bsp"), "maps/ok.bsp", Type::Hardlink}}
                                  << "keine gewöhnliche Datei";
        // LZMA packs zeros far beyond the limit's thousandfold.
        QTest::newRow("bomb") << TestFormat::SevenZip
                              << std::vector<TestEntry>{map, {QStringLiteral("textures/zero.wal"), QByteArray(100 << 20, '\0')}}
                              << "1000-fachen";
    }

    void refusedArchivesLeaveTheFolderAsItWas()
    {
        QFETCH(TestFormat, format);
        QFETCH(std::vector<TestEntry>, entries);
        QFETCH(QString, reason);
        QVERIFY(QDir().mkpath(baseq2() + QStringLiteral("/maps")));
        put(baseq2() + QStringLiteral("/maps/mine.bsp"), "mine");
        const auto before = folderContents(baseq2());
        ArchiveInstall install(baseq2());
        try {
            (void)install.unpack(archive(entries, format, QStringLiteral("refused.arc")));
            QFAIL("the archive was taken");
        } catch (const TolvexError& error) {
            QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
        }
        QCOMPARE(folderContents(baseq2()), before);
    }

    void theLimitsAreCountedWhileUnpacking()
    {
        QVERIFY(QDir().mkpath(baseq2()));
        InstallLimits few;
        few.entries = 3;
        ArchiveInstall manyEntries(baseq2(), few);
        QVERIFY_THROWS_EXCEPTION(TolvexError, manyEntries.unpack(archive({{QStringLiteral("maps/a.bsp"), "a"},
                                                                          {QStringLiteral("maps/b.bsp"), "b"},
                                                                          {QStringLiteral("x.txt"), "c"},
                                                                          {QStringLiteral("y.txt"), "d"}})));
        InstallLimits small;
        small.bytes = 1000;
        ArchiveInstall tooLarge(baseq2(), small);
        QVERIFY_THROWS_EXCEPTION(TolvexError,
                                 tooLarge.unpack(archive({{QStringLiteral("maps/a.bsp"), QByteArray(600, 'a')},
                                                          {QStringLiteral("maps/b.bsp"), QByteArray(600, 'b')}})));
        QCOMPARE(folderContents(baseq2()), (QMap<QString, QByteArray>{}));

        // A sky picture of plain runs packs about twentyfold, all of it within
        // the archive bytes read before its entry begins: no bomb.
        QByteArray sky(2 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < sky.size(); ++i)
            sky[i] = char((i / 32) * 7919 % 251);
        ArchiveInstall plain(baseq2());
        QVERIFY(plain.unpack(archive({{QStringLiteral("maps/a.bsp"), "a"}, {QStringLiteral("env/sky.tga"), sky}})));
        QCOMPARE(plain.commit().files.size(), 2);
    }

    void aBrokenArchiveInstallsNothing()
    {
        const QString whole = archive(levelArchive());
        QFile file(whole);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(file.size() / 2));
        file.close();
        QVERIFY(QDir().mkpath(baseq2()));
        ArchiveInstall install(baseq2());
        QVERIFY_THROWS_EXCEPTION(TolvexError, install.unpack(whole));
        QCOMPARE(folderContents(baseq2()), (QMap<QString, QByteArray>{}));
    }

    void differingFilesAreAskedForAndNoInstallsNothing()
    {
        QVERIFY(QDir().mkpath(baseq2() + QStringLiteral("/maps")) && QDir().mkpath(baseq2() + QStringLiteral("/env")));
        put(baseq2() + QStringLiteral("/maps/arena7.bsp"), "older map");
        put(baseq2() + QStringLiteral("/env/arena7up.tga"), "sky");
        const auto before = folderContents(baseq2());
        const QString zip = archive(levelArchive());
        QStringList asked;
        const auto answer = [&asked](bool yes) {
            return [&asked, yes](const QString&, const QStringList& differing) {
                asked = differing;
                return yes;
            };
        };

        const ArchivesInstalled declined = installArchives(baseq2(), {zip}, {}, answer(false));
        QCOMPARE(asked, QStringList{QStringLiteral("maps/arena7.bsp")});
        QCOMPARE(declined.untouched, QStringList{zip});
        QCOMPARE(folderContents(baseq2()), before);

        const ArchivesInstalled replaced = installArchives(baseq2(), {zip, path(QStringLiteral("missing.zip"))}, {}, answer(true));
        QCOMPARE(replaced.files(), 3); // the sky was there with the same bytes
        QCOMPARE(replaced.failures.size(), 1);
        QCOMPARE(contents(baseq2() + QStringLiteral("/maps/arena7.bsp")), QByteArray("IBSP map"));
    }

    void aCancelInstallsNothingMore()
    {
        const QString zip = archive(levelArchive());
        const ArchivesInstalled result = installArchives(baseq2(), {zip, zip}, {{}, [] { return true; }}, {});
        QCOMPARE(result.untouched, (QStringList{zip, zip}));
        QCOMPARE(folderContents(baseq2()), (QMap<QString, QByteArray>{}));
    }

    void aKillDuringTheMoveIsUndoneByTheNextInstall()
    {
        QVERIFY(QDir().mkpath(baseq2() + QStringLiteral("/maps")));
        put(baseq2() + QStringLiteral("/maps/arena7.bsp"), "older map");
        const auto before = folderContents(baseq2());
        const QString zip = archive(levelArchive());

        const pid_t child = ::fork();
        if (child == 0) {
            ArchiveInstall install(baseq2());
            if (install.unpack(zip))
                (void)install.commit({[](qint64 moved, qint64) {
                                          if (moved == 3)
                                              ::raise(SIGKILL);
                                      },
                                      {}});
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        QVERIFY(folderContents(baseq2()) != before);

        clearInstallLeftovers(baseq2());
        QCOMPARE(folderContents(baseq2()), before);
    }

    void readmesGiveTitlePlayersAndDescription()
    {
        // Windows-1252, as most readmes of the time: 0xE4 is "ä", 0x96 a dash.
        const QByteArray readme = "================================================================\r\n"
                                  "Title                   : Die S\xE4ulenhalle\r\n"
                                  "Filename                : hall.bsp\r\n"
                                  "Description             : A fast hall with\r\n"
                                  "                          four floors.\r\n"
                                  "\r\n"
                                  "                          Bring a railgun, see http://example.org\r\n"
                                  "Additional Credits to   : id\r\n"
                                  "* Play Information *\r\n"
                                  "Single Player           : no\r\n"
                                  "Deathmatch              : yes, 2\x96" "12 players\r\n";
        const ReadmeFacts facts = readReadme(readme);
        QCOMPARE(facts.title, QStringLiteral("Die Säulenhalle"));
        QCOMPARE(facts.minPlayers, 2);
        QCOMPARE(facts.maxPlayers, 12);
        QCOMPARE(facts.description,
                 QStringLiteral("A fast hall with four floors.\nBring a railgun, see http://example.org"));

        const ReadmeFacts utf8 = readReadme("Title: Caf\xC3\xA9 \xE2\x9C\x93\nPlayers: 4 to 8\nDescription:\n  Small.\nAuthor: me\n");
        QCOMPARE(utf8.title, QStringLiteral("Café ?"));
        QCOMPARE(utf8.minPlayers, 4);
        QCOMPARE(utf8.maxPlayers, 8);
        QCOMPARE(utf8.description, QStringLiteral("Small."));

        const ReadmeFacts none = readReadme("Single player: yes\nPlayers: 8\nBest with 999-1000 players\n");
        QVERIFY(!none.hasPlayers());
        QVERIFY(none.title.isEmpty() && none.description.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ArchiveInstallTest)
#include "archiveInstallTest.moc"
