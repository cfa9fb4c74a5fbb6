#include "catalogue/LevelTable.h"
#include "lang/translate.h"
#include "game/GameInstall.h"
#include "overview/tabelle.h"
#include "platform/dataaware/DBEdit.h"
#include "platform/dataaware/DBGrid.h"
#include "platform/dataaware/DBGridModel.h"
#include "platform/design/SpeedButton.h"
#include "platform/pictures/PictureBox.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ScriptedDialogs.h"
#include "tools/MapWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include "common/toolbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <cstdio>

using namespace tolvex;

namespace {

const std::vector<QStringList> kLevels = {
    levelRecord(QStringLiteral("q2dm1"), QStringLiteral("The Edge")),
    levelRecord(QStringLiteral("q2dm2"), QStringLiteral("Tokay's Towers")),
    levelRecord(QStringLiteral("q2ctf1"), QStringLiteral("McKinley Revival"), QStringLiteral("CTF")),
};

// The add's window of progress, once it is there.
QProgressDialog* addProgress()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(w))
            return dialog;
    }
    return nullptr;
}

} // namespace

class OverviewGameFolderTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> m_folder;
    QByteArray m_home;

    // A relative game program lies in the program folder. The home and the
    // system folders are the program folder's "home" and "root".
    void start(const QString& game, const QByteArray& language = "deutsch")
    {
        m_folder = std::make_unique<ProgramFolder>();
        qputenv("HOME", QFile::encodeName(m_folder->path(QStringLiteral("home"))));
        qputenv(kTestSystemRootVariable, QFile::encodeName(m_folder->path(QStringLiteral("root"))));
        m_folder->makeCatalogue(kLevels);
        const QString path = QDir::isAbsolutePath(game) ? game : m_folder->path(game);
        m_folder->writeKonfig("[Verzeichnisse]\r\nquake=" + path.toUtf8() + "\r\n[Other]\r\nsprache=" + language + "\r\n");
        m_folder->start();
        QTest::mouseClick(Form2->SpeedButton6, Qt::LeftButton);
        QVERIFY(Form1->isVisible());
    }

    void putMap(const QString& name, const QString& description) const
    {
        QDir().mkpath(m_folder->path(QStringLiteral("game/baseq2/maps")));
        m_folder->writeFile(QStringLiteral("game/baseq2/maps/") + name, mapwriter::mapFile(description));
    }

    [[nodiscard]] ScriptedDialogs& dialogs() const { return m_folder->dialogs(); }

    [[nodiscard]] static bool dimmed(const QString& datei)
    {
        const DBGridModel* model = Form1->DBGrid1->gridModel();
        return model->data(model->index(Form1->Table1->indexOfKey(datei), 0), Qt::ForegroundRole).isValid();
    }

    void putFile(const QString& name, const QByteArray& bytes) const { m_folder->writeFile(name, bytes); }

private Q_SLOTS:
    void initTestCase() { m_home = qgetenv("HOME"); }
    void cleanup()
    {
        m_folder.reset();
        ApplyGerman();
        qputenv("HOME", m_home);
        qunsetenv(kTestSystemRootVariable);
    }

    void addTakesTheNewLevelsAndDimsTheUninstalled()
    {
        // No game folder at the first showing: nothing is known, so nothing is dimmed.
        start(QStringLiteral("game/quake2"));
        QVERIFY(!dimmed(QStringLiteral("q2dm1")) && !dimmed(QStringLiteral("q2dm2")));
        putMap(QStringLiteral("Q2DM1.bsp"), QStringLiteral("entity worldspawn message=\"Another Edge\""));
        putMap(QStringLiteral("newctf.bsp"), QStringLiteral("entity worldspawn message=\"Flags\"\n"
                                                            "entity item_flag_team1\nentity item_flag_team2\n"
                                                            "entity info_player_team1 * 3\nentity info_player_team2 * 3\n"
                                                            "box -256 -256 -16 256 256 0"));
        m_folder->writeFile(QStringLiteral("game/baseq2/maps/broken.bsp"), "not a map");
        m_folder->writeFile(QStringLiteral("game/quake2"), "#!/bin/sh\n");

        QTest::mouseClick(Form1->SpeedButton5, Qt::LeftButton);

        QVERIFY(dialogs().messages(ScriptedDialogs::Kind::Error).isEmpty());
        QCOMPARE(dialogs().messages(ScriptedDialogs::Kind::Info),
                 QStringList{QStringLiteral("1 Level übernommen, 1 schon im Katalog, 1 übersprungen. "
                                            "1 Vorschaubild erstellt.\nDurchsucht: ")
                             + m_folder->path(QStringLiteral("game"))});
        // Only the new level's map has geometry to draw.
        QVERIFY(QFile::exists(m_folder->path(QStringLiteral("screens/newctf.jpg"))));
        QVERIFY(!QFile::exists(m_folder->path(QStringLiteral("screens/q2dm1.jpg"))));
        QCOMPARE(Form1->Table1->recordCount(), 4);
        QCOMPARE(Form1->Table1->text(Field::Datei), QStringLiteral("newctf"));
        QCOMPARE(Form1->Table1->text(Field::Typ), QStringLiteral("CTF"));
        QCOMPARE(Form1->Table1->text(Field::MaxPlayer), QStringLiteral("6"));
        QCOMPARE(Form1->Table1->textAt(Form1->Table1->indexOfKey(QStringLiteral("q2dm1")), Field::Level),
                 QStringLiteral("The Edge"));
        QVERIFY(!dimmed(QStringLiteral("q2dm1")));
        QVERIFY(!dimmed(QStringLiteral("newctf")));
        QVERIFY(dimmed(QStringLiteral("q2dm2")));
        // Dimmed, yet readable on the grid's background.
        const QColor dim = Form1->DBGrid1->gridModel()
                               ->data(Form1->DBGrid1->gridModel()->index(Form1->Table1->indexOfKey(QStringLiteral("q2dm2")), 1),
                                      Qt::ForegroundRole)
                               .value<QColor>();
        QVERIFY(dim != Form1->DBGrid1->palette().color(QPalette::Active, QPalette::Text));
        QVERIFY(contrastRatio(dim, Form1->DBGrid1->palette().color(QPalette::Active, QPalette::Base)) >= kReadableContrast);
    }

    void theShownLevelsNewPlanIsShownAtOnce()
    {
        start(QStringLiteral("game/quake2"));
        putMap(QStringLiteral("q2dm1.bsp"), QStringLiteral("box -256 -256 -16 256 256 0"));
        m_folder->writeFile(QStringLiteral("game/quake2"), "#!/bin/sh\n");
        Form1->Table1->moveTo(Form1->Table1->indexOfKey(QStringLiteral("q2dm1")) + 1);
        QVERIFY(Form2->Image1->path().endsWith(QStringLiteral("/nopic.jpg")));

        QTest::mouseClick(Form1->SpeedButton5, Qt::LeftButton);

        // Nothing was added, so the record shown stayed the same.
        QCOMPARE(dialogs().messages(ScriptedDialogs::Kind::Info),
                 QStringList{QStringLiteral("0 Level übernommen, 1 schon im Katalog, 0 übersprungen. "
                                            "1 Vorschaubild erstellt.\nDurchsucht: ")
                             + m_folder->path(QStringLiteral("game"))});
        QCOMPARE(Form1->Table1->text(Field::Datei), QStringLiteral("q2dm1"));
        QCOMPARE(QFileInfo(Form2->Image1->path()).canonicalFilePath(),
                 QFileInfo(m_folder->path(QStringLiteral("screens/q2dm1.jpg"))).canonicalFilePath());
    }

    void theCounterShowsTheTotalAfterAnAdd()
    {
        start(QStringLiteral("game/quake2"));
        Form1->Table1->last();
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 3/3"));
        putMap(QStringLiteral("zzdm1.bsp"), QStringLiteral("entity worldspawn message=\"Last\""));
        m_folder->writeFile(QStringLiteral("game/quake2"), "#!/bin/sh\n");

        QTest::mouseClick(Form1->SpeedButton5, Qt::LeftButton);

        QCOMPARE(Form1->Table1->recordCount(), 4);
        QCOMPARE(Form2->Label8->text(),
                 QStringLiteral("Datensatz: %1/4").arg(Form1->Table1->recNo()));
        QCOMPARE(Form2->DBEdit1->text(), Form1->Table1->text(Field::Datei));
    }

    void plansThatCannotBeSavedAreReportedAfterTheLevels_data()
    {
        QTest::addColumn<bool>("screensIsAFile");
        QTest::newRow("screens is a file") << true;
        QTest::newRow("screens is write-protected") << false;
    }
    void plansThatCannotBeSavedAreReportedAfterTheLevels()
    {
        QFETCH(bool, screensIsAFile);
        start(QStringLiteral("game/quake2"));
        putMap(QStringLiteral("newmap.bsp"), QStringLiteral("entity worldspawn\nbox -256 -256 -16 256 256 0"));
        m_folder->writeFile(QStringLiteral("game/quake2"), "#!/bin/sh\n");
        const QString screens = ProgramDir() + QStringLiteral("screens");
        if (screensIsAFile) {
            QVERIFY(QDir(screens).removeRecursively());
            m_folder->writeFile(QStringLiteral("screens"), "in the way");
        } else {
            QVERIFY(QDir().mkpath(screens));
            QCOMPARE(::chmod(QFile::encodeName(screens).constData(), 0555), 0);
        }

        QTest::mouseClick(Form1->SpeedButton5, Qt::LeftButton);

        const QString why = screensIsAFile ? QString(screens + QStringLiteral(" ist kein Ordner"))
                                           : QString(QStringLiteral("der Ordner ") + screens + QStringLiteral(" ist schreibgeschützt"));
        QCOMPARE(dialogs().messages(ScriptedDialogs::Kind::Error),
                 QStringList{QStringLiteral("1 Level übernommen, 0 schon im Katalog, 0 übersprungen. 0 Vorschaubilder erstellt.\nDurchsucht: %3\n"
                                            "Die Vorschaubilder konnten nicht gespeichert werden: Datei %1/newmap.jpg "
                                            "kann nicht erstellt werden: %2.")
                                 .arg(screens, why, m_folder->path(QStringLiteral("game")))});
        QVERIFY(dialogs().messages(ScriptedDialogs::Kind::Info).isEmpty());
        QCOMPARE(Form1->Table1->recordCount(), 4);
        (void)::chmod(QFile::encodeName(screens).constData(), 0755);
    }

    // 5,000 maps, each with a plan to draw: the window's events keep coming
    // in every phase, and a cancel in the appends or in the plans ends the
    // add at once, keeping and reporting what was stored.
    void aLargeAddKeepsPaintingAndStopsAtCancel_data()
    {
        QTest::addColumn<QString>("phase");
        QTest::newRow("cancelled while adding") << MsgAddingLevels;
        QTest::newRow("cancelled while drawing") << MsgDrawingPlans;
    }
    void aLargeAddKeepsPaintingAndStopsAtCancel()
    {
        QFETCH(QString, phase);
        constexpr int kMaps = 5000;
        start(QStringLiteral("game/quake2"));
        const QByteArray map = mapwriter::mapFile(QStringLiteral("entity worldspawn message=\"Arena\"\n"
                                                                 "entity info_player_deathmatch * 4\n"
                                                                 "box -256 -256 -16 256 256 0\nbox -64 -64 0 64 64 32"));
        QVERIFY(QDir().mkpath(m_folder->path(QStringLiteral("game/baseq2/maps"))));
        for (int i = 0; i < kMaps; ++i)
            m_folder->writeFile(QStringLiteral("game/baseq2/maps/m%1.bsp").arg(i, 4, 10, QLatin1Char('0')), map);
        m_folder->writeFile(QStringLiteral("game/quake2"), "#!/bin/sh\n");

        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longestGap = 0;
        qint64 cancelledAt = -1;
        QTimer beat;
        beat.setInterval(5);
        connect(&beat, &QTimer::timeout, this, [&] {
            const qint64 now = clock.elapsed();
            if (cancelledAt < 0)
                longestGap = std::max(longestGap, now - last);
            last = now;
            QProgressDialog* progress = addProgress();
            // Some way into the phase, so that some of it is stored and some not.
            if (cancelledAt < 0 && progress && progress->labelText() == phase && progress->value() >= 50) {
                cancelledAt = now;
                progress->cancel();
            }
        });
        clock.start();
        beat.start();
        QTest::mouseClick(Form1->SpeedButton5, Qt::LeftButton);
        const qint64 stopped = clock.elapsed() - cancelledAt;
        beat.stop();

        QVERIFY2(cancelledAt >= 0, "the add ended before the phase could be cancelled");
        qInfo("longest time between events %lld ms, cancel took %lld ms", longestGap, stopped);
        // Generous against a shared machine under a load of twenty and the
        // sanitizers; the aim is 100 ms and 500 ms, and the freeze this guards
        // against lasted the whole phase.
        QVERIFY2(longestGap < 500, qPrintable(QString::number(longestGap)));
        QVERIFY2(stopped < 1500, qPrintable(QString::number(stopped)));

        const int added = Form1->Table1->recordCount() - int(kLevels.size());
        const int pictures = int(QDir(ProgramDir() + QStringLiteral("screens")).entryList({"*.jpg"}, QDir::Files).size());
        QVERIFY(added > 0 && added <= kMaps);
        QCOMPARE(added < kMaps, phase == MsgAddingLevels);
        QVERIFY(pictures < kMaps);
        QCOMPARE(pictures > 0, phase == MsgDrawingPlans);
        QCOMPARE(dialogs().messages(ScriptedDialogs::Kind::Info),
                 QStringList{QStringLiteral("Übernahme abgebrochen. %1 Level übernommen, 0 schon im Katalog, 0 übersprungen. "
                                            "%2 Vorschaubilder erstellt.\nDurchsucht: %3")
                                 .arg(added)
                                 .arg(pictures)
                                 .arg(m_folder->path(QStringLiteral("game")))});
    }

    void aMissingGameFolderIsNamedAndNothingChanges()
    {
        start(QStringLiteral("/nonexistent/tolvex-game/quake2"));
        Form1->Table1->last();
        QTest::mouseClick(Form1->SpeedButton5, Qt::LeftButton);

        const QString home = m_folder->path(QStringLiteral("home"));
        const QString root = m_folder->path(QStringLiteral("root"));
        QCOMPARE(dialogs().messages(ScriptedDialogs::Kind::Error),
                 QStringList{QStringLiteral("Keiner der Datenordner des Spiels existiert: /nonexistent/tolvex-game, ") + home
                             + QStringLiteral("/.yq2, ") + home + QStringLiteral("/.q2pro, ") + root
                             + QStringLiteral("/usr/share/games/quake2, ") + root + QStringLiteral("/usr/local/share/games/quake2, ")
                             + root + QStringLiteral("/usr/share/games/q2pro.")});
        QVERIFY(dialogs().messages(ScriptedDialogs::Kind::Info).isEmpty());
        QCOMPARE(Form1->Table1->recordCount(), 3);
        QCOMPARE(Form1->Table1->text(Field::Datei), QStringLiteral("q2dm2"));
        QVERIFY(!dimmed(QStringLiteral("q2dm2")));
    }

    void addTakesTheMapsOfEveryDataFolderFirstPlaceFirst()
    {
        // Debian's layout: the program a link in /usr/games, the game's data
        // in /usr/share/games/quake2, the player's maps in ~/.yq2; and the
        // re-release in a Steam library.
        start(QStringLiteral("root/usr/games/quake2"), "english");
        putFile(QStringLiteral("root/usr/lib/quake2/quake2"), "#!/bin/sh\n");
        QVERIFY(QDir().mkpath(m_folder->path(QStringLiteral("root/usr/games"))));
        QVERIFY(QFile::link(m_folder->path(QStringLiteral("root/usr/lib/quake2/quake2")),
                            m_folder->path(QStringLiteral("root/usr/games/quake2"))));
        const QByteArray edge = mapwriter::mapFile(QStringLiteral("entity worldspawn message=\"Packed Edge\""));
        putFile(QStringLiteral("root/usr/share/games/quake2/baseq2/pak0.pak"),
                mapwriter::pakFile({{"maps/q2dm1.bsp", edge},
                                    {"maps/mine.bsp", mapwriter::mapFile(QStringLiteral("entity worldspawn message=System"))},
                                    {"maps/a b.bsp", edge}}));
        putFile(QStringLiteral("home/.yq2/baseq2/maps/Mine.bsp"),
                mapwriter::mapFile(QStringLiteral("entity worldspawn message=Home\nbox -64 -64 -16 64 64 0"),
                                   mapwriter::Format::Qbsp));
        // A name in Latin-1 on disk, as older systems wrote them.
        putFile(QStringLiteral("home/.yq2/baseq2/maps/cafe.bsp"), edge);
        const QByteArray maps = QFile::encodeName(m_folder->path(QStringLiteral("home/.yq2/baseq2/maps/")));
        QCOMPARE(::rename(QByteArray(maps + "cafe.bsp").constData(), QByteArray(maps + "caf\xe9.bsp").constData()), 0);
        putFile(QStringLiteral("home/.local/share/Steam/steamapps/libraryfolders.vdf"),
                "\"libraryfolders\" { \"0\" { \"path\" \"" + QFile::encodeName(m_folder->path(QStringLiteral("home/.local/share/Steam")))
                    + "\" } }");
        QVERIFY(QDir().mkpath(m_folder->path(QStringLiteral("home/.local/share/Steam/steamapps/common/Quake 2/rerelease/baseq2"))));

        QTest::mouseClick(Form1->SpeedButton5, Qt::LeftButton);

        const QString home = m_folder->path(QStringLiteral("home"));
        const QString root = m_folder->path(QStringLiteral("root"));
        QVERIFY(dialogs().messages(ScriptedDialogs::Kind::Error).isEmpty());
        QCOMPARE(dialogs().messages(ScriptedDialogs::Kind::Info),
                 QStringList{QStringLiteral("2 levels added, 1 already in the catalogue, 1 skipped. 1 preview picture made.\n"
                                            "Searched: ")
                             + root + QStringLiteral("/usr/games, ") + root + QStringLiteral("/usr/lib/quake2, ") + home
                             + QStringLiteral("/.yq2, ") + root + QStringLiteral("/usr/share/games/quake2, ") + home
                             + QStringLiteral("/.local/share/Steam/steamapps/common/Quake 2/rerelease")});
        const LevelTable* table = Form1->Table1;
        QCOMPARE(table->textAt(table->indexOfKey(QStringLiteral("Mine")), Field::Level), QStringLiteral("Home"));
        QCOMPARE(table->textAt(table->indexOfKey(QStringLiteral("café")), Field::Level), QStringLiteral("Packed Edge"));
        QVERIFY(QFile::exists(m_folder->path(QStringLiteral("screens/Mine.jpg"))));
        QVERIFY(!dimmed(QStringLiteral("q2dm1")));
        QVERIFY(dimmed(QStringLiteral("q2dm2")));
    }
};

QTEST_MAIN(OverviewGameFolderTest)
#include "overviewGameFolderTest.moc"
