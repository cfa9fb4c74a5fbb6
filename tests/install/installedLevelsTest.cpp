#include "level/LevelFields.h"
#include "catalogue/LevelTable.h"
#include "install/InstalledLevels.h"
#include "install/LevelArchives.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestCatalogue.h"
#include "tools/MapWriter.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;

class InstalledLevelsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newMapsBecomeRecordsCompletedFromTheReadme()
    {
        const QTemporaryDir dir;
        const QString baseq2 = dir.filePath(QStringLiteral("game/baseq2"));
        const QByteArray untitled = mapwriter::mapFile(QStringLiteral("entity worldspawn\nentity info_player_deathmatch * 3"));
        const QByteArray titled = mapwriter::mapFile(QStringLiteral("entity worldspawn message=\"Own Title\"\n"
                                                                    "entity info_player_deathmatch * 6\nentity weapon_railgun"));
        const QByteArray stored = mapwriter::mapFile(QStringLiteral("entity worldspawn message=\"Not Read\""));
        const QString zip = dir.filePath(QStringLiteral("hall.zip"));
        writeTestArchive(zip, TestFormat::Zip,
                         {{QStringLiteral("Hall/maps/HALL.bsp"), untitled},
                          {QStringLiteral("Hall/hallpack.pak"),
                           mapwriter::pakFile({{"maps/tower.bsp", titled}, {"maps/q2dm1.bsp", stored}})},
                          {QStringLiteral("Hall/HALL.TXT"), "Title: S\xE4ulenhalle\r\nDeathmatch: 2 - 16 players\r\n"
                                                            "Description: Pillars.\r\n  Many of them.\r\nAuthor: me\r\n"}});
        const auto table = newCatalogue(dir.filePath(QStringLiteral("maps.DB")),
                                        {{QStringLiteral("q2dm1"), QStringLiteral("The Edge"), QStringLiteral("DM"), QStringLiteral("2"),
                                          QStringLiteral("8"), {}, {}, {}, {}, {}, {}, {}, {}}});

        const ArchivesInstalled installed = installArchives(baseq2, {zip}, {}, {});
        QVERIFY(installed.failures.isEmpty());
        const GameMaps maps = installedLevelMaps(baseq2, installed.installs);
        QCOMPARE(maps.maps.size(), std::size_t(3));
        const GameLevelsAdded added = addInstalledLevels(*table, maps, installed.installs);

        QCOMPARE(added.added, 2);
        QCOMPARE(added.present, 1);
        const int hall = table->indexOfKey(QStringLiteral("hall"));
        QCOMPARE(table->textAt(hall, Field::Level), QStringLiteral("Säulenhalle"));
        QCOMPARE(table->textAt(hall, Field::MinPlayer), QStringLiteral("2"));
        QCOMPARE(table->textAt(hall, Field::MaxPlayer), QStringLiteral("16"));
        QCOMPARE(table->textAt(hall, Field::Beschreibung), QStringLiteral("Pillars. Many of them."));
        // The map's own title wins; the archive's one text speaks for its packaged map too.
        const int tower = table->indexOfKey(QStringLiteral("tower"));
        QCOMPARE(table->textAt(tower, Field::Level), QStringLiteral("Own Title"));
        QCOMPARE(table->textAt(tower, Field::MaxPlayer), QStringLiteral("16"));
        QCOMPARE(table->textAt(tower, Field::RG), QStringLiteral("Wahr"));
        QCOMPARE(table->textAt(table->indexOfKey(QStringLiteral("q2dm1")), Field::Level), QStringLiteral("The Edge"));
        QCOMPARE(table->text(Field::Datei), QStringLiteral("tower"));
    }
};

QTEST_GUILESS_MAIN(InstalledLevelsTest)
#include "installedLevelsTest.moc"
