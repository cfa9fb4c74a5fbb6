#include "catalogue/LevelTable.h"
#include "overview/tabelle.h"
#include "platform/design/SpeedButton.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ScriptedDialogs.h"

#include <QAction>
#include <QDir>
#include <QTest>

#include <sys/stat.h>

using namespace tolvex;

namespace {

// A stand-in program that records its arguments and working folder beside itself.
void installRecorder(const ProgramFolder& folder, const QString& name)
{
    const QString path = folder.path(name);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    const QByteArray record = QFile::encodeName(QFileInfo(path).path());
    folder.writeFile(name, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record + "/args.tmp'\npwd > '" + record
                               + "/pwd.txt'\nmv '" + record + "/args.tmp' '" + record + "/args.txt'\n");
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0755), 0);
}

QStringList lines(const QByteArray& bytes)
{
    QStringList result = QString::fromUtf8(bytes).split(u'\n');
    if (!result.isEmpty() && result.back().isEmpty())
        result.removeLast();
    return result;
}

} // namespace

class GameStartTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> m_folder;
    QByteArray m_path;

    void start(const QByteArray& game, const QString& type = QStringLiteral("DM"))
    {
        m_folder->makeCatalogue({levelRecord(QStringLiteral("lvl001"), QStringLiteral("Eins"), type)});
        m_folder->writeKonfig("[Verzeichnisse]\r\nquake=" + game + "\r\n[Other]\r\nsprache=deutsch\r\n");
        m_folder->start();
    }

    // The arguments and working folder the stand-in in that folder was started with.
    [[nodiscard]] QStringList started(const QString& folder) const
    {
        const QString args = m_folder->path(folder + QStringLiteral("/args.txt"));
        if (!QTest::qWaitFor([&] { return QFile::exists(args); }, 5000))
            return {QStringLiteral("<not started>")};
        QStringList result = lines(m_folder->readFile(folder + QStringLiteral("/args.txt")));
        result.prepend(lines(m_folder->readFile(folder + QStringLiteral("/pwd.txt"))).value(0));
        QFile::remove(args);
        return result;
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<ProgramFolder>();
        m_path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_folder->path(QStringLiteral("bin"))) + ":/usr/bin:/bin");
    }
    void cleanup()
    {
        m_folder.reset();
        qputenv("PATH", m_path);
    }

    void aBareNameStartsTheProgramPathFinds()
    {
        installRecorder(*m_folder, QStringLiteral("bin/yquake2"));
        start("yquake2");
        QVERIFY(Form2->SpeedButton5->isEnabled());
        QVERIFY(!Form2->SpeedButton7->isEnabled());
        QTest::mouseClick(Form2->SpeedButton5, Qt::LeftButton);
        QCOMPARE(started(QStringLiteral("bin")),
                 (QStringList{m_folder->path(QStringLiteral("bin")), "+map", "lvl001", "+set", "deathmatch", "1"}));
    }

    void theRereleaseStartsThroughSteamWithItsOwnBots()
    {
        installRecorder(*m_folder, QStringLiteral("bin/steam"));
        m_folder->writeFile(QStringLiteral("Quake 2/rerelease/quake2ex_steam.exe"), "MZ");
        start(QFile::encodeName(m_folder->path(QStringLiteral("Quake 2/rerelease/quake2ex_steam.exe"))), QStringLiteral("CTF"));
        // No EraserBot map list is needed for bots of the game's own.
        QVERIFY(Form2->SpeedButton5->isEnabled() && Form2->SpeedButton7->isEnabled());

        QTest::mouseClick(Form2->SpeedButton5, Qt::LeftButton);
        const QString bin = m_folder->path(QStringLiteral("bin"));
        QCOMPARE(started(QStringLiteral("bin")), (QStringList{bin, "-applaunch", "2320", "+set", "ctf", "1", "+map", "lvl001"}));
        Form2->findChild<QAction*>(QStringLiteral("N51"))->trigger();
        QCOMPARE(started(QStringLiteral("bin")), (QStringList{bin, "-applaunch", "2320", "+set", "deathmatch", "1", "+set",
                                                              "bot_minClients", "6", "+map", "lvl001"}));
        // Min 2, max 8 give 4 bots, and the player.
        QTest::mouseClick(Form2->SpeedButton7, Qt::LeftButton);
        QCOMPARE(started(QStringLiteral("bin")).at(8), QStringLiteral("5"));
        QVERIFY(m_folder->dialogs().messages(ScriptedDialogs::Kind::Error).isEmpty());
    }

    void aStartThatFailsNamesTheProgramAndWhy()
    {
        // Executable, but no program the system can run.
        m_folder->writeFile(QStringLiteral("game/quake2"), "garbage");
        QCOMPARE(::chmod(QFile::encodeName(m_folder->path(QStringLiteral("game/quake2"))).constData(), 0755), 0);
        m_folder->writeFile(QStringLiteral("game/readme"), "not a program");
        start(QFile::encodeName(m_folder->path(QStringLiteral("game/quake2"))));
        QTest::mouseClick(Form2->SpeedButton5, Qt::LeftButton);
        m_folder->writeKonfig("[Verzeichnisse]\r\nquake=" + QFile::encodeName(m_folder->path(QStringLiteral("game/readme"))) + "\r\n");
        QTest::mouseClick(Form2->SpeedButton5, Qt::LeftButton);
        QCOMPARE(m_folder->dialogs().messages(ScriptedDialogs::Kind::Error),
                 (QStringList{m_folder->path(QStringLiteral("game/quake2"))
                                  + QStringLiteral(" kann nicht gestartet werden: Die Datei ist kein ausführbares Programm."),
                              m_folder->path(QStringLiteral("game/readme"))
                                  + QStringLiteral(" kann nicht gestartet werden: Das Programm darf nicht ausgeführt werden.")}));
    }
};

QTEST_MAIN(GameStartTest)
#include "gameStartTest.moc"
