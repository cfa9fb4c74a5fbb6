#include "game/GameInstall.h"
#include "game/LevelName.h"
#include "game/SteamLibraries.h"
#include "launch/GameCommand.h"
#include "platform/dialogs/TolvexError.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tolvex;

namespace {

// An environment variable set for the test's length and put back after.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const QByteArray& value)
        : m_name(name), m_was(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~EnvironmentValue()
    {
        if (m_wasSet)
            qputenv(m_name, m_was);
        else
            qunsetenv(m_name);
    }
    EnvironmentValue(const EnvironmentValue&) = delete;
    EnvironmentValue& operator=(const EnvironmentValue&) = delete;

private:
    const char* m_name;
    QByteArray m_was;
    bool m_wasSet;
};

void putFile(const QString& path, const QByteArray& bytes, mode_t mode = 0644)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    put(path, bytes);
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

void link(const QString& target, const QString& at)
{
    QVERIFY(QDir().mkpath(QFileInfo(at).path()));
    QVERIFY(QFile::link(target, at));
}

QByteArray libraryFile(const QStringList& paths)
{
    QByteArray text = "\"libraryfolders\"\n{\n";
    for (qsizetype i = 0; i < paths.size(); ++i) {
        text += "\t\"" + QByteArray::number(i) + "\"\n\t{\n\t\t\"path\"\t\t\"" + paths.at(i).toUtf8()
                + "\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"2320\"\t\t\"1\"\n\t\t}\n\t}\n";
    }
    return text + "}\n";
}

} // namespace

class GameInstallTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    [[nodiscard]] QString at(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void bareNamesAreLookedUpInPathLikeAShell()
    {
        // The first folder has the name but not as a program; a link chain leads from the second.
        putFile(at("first/yquake2"), "not a program");
        putFile(at("lib/yamagi/quake2"), "#!/bin/sh\n", 0755);
        link(at("lib/yamagi/quake2"), at("etc/alternatives/yquake2"));
        link(at("etc/alternatives/yquake2"), at("games/yquake2"));
        const EnvironmentValue path("PATH", QFile::encodeName(at("first") + ':' + at("missing") + ':' + at("games")));

        const auto found = findGameProgram(QStringLiteral("yquake2"));
        QVERIFY(found);
        QCOMPARE(found->path, at("games/yquake2"));
        QCOMPARE(found->folder(), at("games/"));
        QCOMPARE(found->resolvedFolder(), QFileInfo(at("lib/yamagi")).canonicalFilePath() + '/');
        QVERIFY(!findGameProgram(QStringLiteral("q2pro")));
        QVERIFY(!findGameProgram(QString()));
        // A path is taken as given, as before: any existing file.
        QVERIFY(findGameProgram(at("first/yquake2")));
        QVERIFY(!findGameProgram(at("first/quake2")));
    }

    void dataFoldersComeInTheirOrderEachOnce()
    {
        const QString home = at("home");
        const QString root = at("root");
        putFile(root + "/usr/lib/yamagi-quake2/quake2", "#!/bin/sh\n", 0755);
        link(root + "/usr/lib/yamagi-quake2/quake2", root + "/usr/games/quake2");
        QVERIFY(QDir().mkpath(root + "/usr/games/baseq2"));
        QVERIFY(QDir().mkpath(root + "/usr/share/games/quake2/baseq2"));
        QVERIFY(QDir().mkpath(root + "/usr/share/games/q2pro"));
        QVERIFY(QDir().mkpath(home + "/.yq2/baseq2"));
        QVERIFY(QDir().mkpath(at("data")));
        // The same folder by a second name counts once.
        link(home + "/.yq2", home + "/.q2pro");
        // Steam's usual link from ~/.steam/steam to its real folder, and a second library.
        const QString steam = home + "/.local/share/Steam";
        putFile(steam + "/steamapps/libraryfolders.vdf", libraryFile({steam, at("games2")}));
        link(steam, home + "/.steam/steam");
        QVERIFY(QDir().mkpath(at("games2/steamapps/common/Quake 2/rerelease/baseq2")));
        QVERIFY(QDir().mkpath(steam + "/steamapps/common/Quake 2/rerelease"));
        const EnvironmentValue homeValue("HOME", QFile::encodeName(home));
        const EnvironmentValue rootValue(kTestSystemRootVariable, QFile::encodeName(root));

        const DataFolders folders = dataFolders(root + "/usr/games/quake2", "+set dmflags 20 -datadir ../../../data");
        QCOMPARE(folders.searched, (QStringList{root + "/usr/games", root + "/usr/lib/yamagi-quake2", at("data"),
                                                home + "/.yq2", root + "/usr/share/games/quake2", root + "/usr/share/games/q2pro",
                                                home + "/.steam/steam/steamapps/common/Quake 2/rerelease",
                                                at("games2/steamapps/common/Quake 2/rerelease")}));
        QVERIFY(folders.asked.contains(root + "/usr/local/share/games/quake2"));
        QVERIFY(!folders.searched.contains(root + "/usr/local/share/games/quake2"));
        QCOMPARE(steamLibraries(), (QStringList{home + "/.steam/steam", at("games2")}));

        // "+set basedir" names the data folder too; a missing program leaves its folder asked.
        const DataFolders based = dataFolders(at("nowhere/quake2"), "+set basedir " + at("data"));
        QCOMPARE(based.searched.first(), at("data"));
        QCOMPARE(based.asked.first(), at("nowhere"));
    }

    void libraryListsOfBothFormsAndDamagedOnesAreRead_data()
    {
        QTest::addColumn<QByteArray>("vdf");
        QTest::addColumn<QStringList>("libraries");
        QTest::newRow("today's form") << libraryFile({"/a", "/b c"}) << QStringList{"/a", "/b c"};
        QTest::newRow("the old form") << QByteArray("\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\"1\"\n\t\"1\"\t\t\"/mnt/games\"\n}\n")
                                      << QStringList{"/mnt/games"};
        QTest::newRow("escapes and comments") << QByteArray("// Steam\n\"libraryfolders\" { \"0\" { \"path\" \"/x\\\\y \\\"z\\\"\" } }")
                                              << QStringList{"/x\\y \"z\""};
        QTest::newRow("cut in the middle") << libraryFile({"/a", "/b"}).chopped(30) << QStringList{"/a"};
        QTest::newRow("a quote left open") << QByteArray("\"libraryfolders\" { \"0\" { \"path\" \"/a") << QStringList{};
        QTest::newRow("too deep") << QByteArray("\"a\"") + QByteArray("{\"b\"").repeated(100) << QStringList{};
        QTest::newRow("no blocks") << QByteArray("\"path\" \"/a\"") << QStringList{};
    }
    void libraryListsOfBothFormsAndDamagedOnesAreRead()
    {
        QFETCH(QByteArray, vdf);
        QFETCH(QStringList, libraries);
        QCOMPARE(libraryPaths(vdf), libraries);
    }

    void theRereleaseStartsThroughSteamWithItsOwnParameters()
    {
        putFile(at("bin/steam"), "#!/bin/sh\n", 0755);
        const EnvironmentValue path("PATH", QFile::encodeName(at("bin")));
        const QString game = at("Quake 2/rerelease/quake2ex_steam.exe");

        const GameCommand dm = gameCommand(game, "+set fraglimit 5", "q2dm1", "DM");
        QCOMPARE(dm.program, QStringLiteral("steam"));
        QCOMPARE(dm.directory, at("bin/"));
        QCOMPARE(dm.parameters, QStringLiteral("-applaunch 2320 +set deathmatch 1 +map q2dm1 +set fraglimit 5"));
        QCOMPARE(gameCommand(game, "", "q2ctf1", "CTF").parameters, QStringLiteral("-applaunch 2320 +set ctf 1 +map q2ctf1"));
        QCOMPARE(botCommand(game, "", "q2dm1", 5).parameters,
                 QStringLiteral("-applaunch 2320 +set deathmatch 1 +set bot_minClients 6 +map q2dm1"));
        QVERIFY(!needsMapListForBots(game));
        QVERIFY_THROWS_EXCEPTION(TolvexError, (void)gameCommand(game, "", "a;b", "DM"));

        // Every other program keeps its classic command line, run from its own folder.
        const GameCommand classic = gameCommand(at("q2/quake2"), "", "q2dm1", "DM");
        QCOMPARE(classic.program, QStringLiteral("quake2"));
        QCOMPARE(classic.directory, at("q2/"));
        QCOMPARE(classic.parameters, QStringLiteral(" +map q2dm1 +set deathmatch 1 "));
        QVERIFY(needsMapListForBots(at("q2/quake2")));
        // A bare name runs what PATH finds, from the folder it is in.
        QCOMPARE(botCommand("steam", "", "q2dm1", 2).directory, at("bin/"));
        QCOMPARE(botCommand("yquake2", "", "q2dm1", 2).directory, QString());
    }

    void levelNamesTheGameWouldSplitAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("startable");
        QTest::newRow("plain") << "q2dm1" << true;
        QTest::newRow("Latin-1") << "café" << true;
        QTest::newRow("brackets") << "dm(1)" << true;
        for (const char* bad : {"a b", "a;b", "x+y", "a\"b", "$(id)", " ", "a\tb"})
            QTest::newRow(bad) << QString::fromUtf8(bad) << false;
    }
    void levelNamesTheGameWouldSplitAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(bool, startable);
        QCOMPARE(isStartableLevelName(name), startable);
    }
};

QTEST_GUILESS_MAIN(GameInstallTest)
#include "gameInstallTest.moc"
