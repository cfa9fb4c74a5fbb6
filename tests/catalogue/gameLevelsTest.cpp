#include "catalogue/GameLevels.h"
#include "catalogue/LevelSchema.h"
#include "catalogue/LevelTable.h"
#include "gamefolder/GameFolder.h"
#include "platform/TolvexError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace tolvex;

namespace {

QStringList level(const QString& datei, const QString& name, const QString& minPlayers = QStringLiteral("2"))
{
    QStringList texts(kFieldCount);
    texts[Field::Datei] = datei;
    texts[Field::Level] = name;
    texts[Field::Typ] = QStringLiteral("DM");
    texts[Field::MinPlayer] = minPlayers;
    return texts;
}

GameMaps found(const QStringList& names, int skipped = 0)
{
    GameMaps maps;
    for (const QString& name : names) {
        GameMap map;
        map.name = name;
        maps.maps.push_back(map);
    }
    maps.skipped = skipped;
    return maps;
}

} // namespace

class GameLevelsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<LevelTable> m_table;
    QStringList m_read;

    LevelTable& openTable(const std::vector<QStringList>& records)
    {
        m_table.reset();
        const QString file = m_dir.filePath(QStringLiteral("maps.DB"));
        QFile::remove(file);
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(file).constData(), &db);
        sqlite3_exec(db, LevelSchema::createStatement(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
        m_table = std::make_unique<LevelTable>();
        m_table->setFileName(file);
        m_table->open();
        for (const QStringList& record : records)
            m_table->appendRecord(record);
        m_table->first();
        return *m_table;
    }

    // Reads every map as a level of its own name, except "broken" (unreadable)
    // and "refused" (a record the table turns down), and notes what it read.
    [[nodiscard]] MapTexts reader()
    {
        return [this](const GameMap& map) -> std::optional<QStringList> {
            m_read.append(map.name);
            if (map.name == QLatin1String("broken"))
                return std::nullopt;
            if (map.name == QLatin1String("refused"))
                return level(map.name, QStringLiteral("Refused"), QStringLiteral("many"));
            return level(map.name, QStringLiteral("From ") + map.name);
        };
    }

private Q_SLOTS:
    void init() { m_read.clear(); }
    void cleanup() { m_table.reset(); }

    void addsOnlyNewNamesAndStandsOnTheLastAdded()
    {
        LevelTable& table = openTable({level(QStringLiteral("Q2DM1"), QStringLiteral("Stored title"))});
        const auto added = addGameLevels(table, found({"q2dm1", "zed", "broken", "abc"}, 2), reader());

        QCOMPARE(added.added, 2);
        QCOMPARE(added.present, 1);
        QCOMPARE(added.skipped, 3);
        // A stored name of another letter case is neither read nor changed.
        QCOMPARE(m_read, (QStringList{"zed", "broken", "abc"}));
        QCOMPARE(table.textAt(table.indexOfKey(QStringLiteral("q2dm1")), Field::Level), QStringLiteral("Stored title"));
        QCOMPARE(table.text(Field::Datei), QStringLiteral("abc"));
        QCOMPARE(table.recordCount(), 3);
        QVERIFY(!table.controlsDisabled());
    }

    void withNothingNewTheCursorStays()
    {
        LevelTable& table = openTable({level("a", "A"), level("b", "B"), level("c", "C")});
        table.next();
        const auto added = addGameLevels(table, found({"A", "c"}), reader());
        QCOMPARE(added.added, 0);
        QCOMPARE(added.present, 2);
        QCOMPARE(table.text(Field::Datei), QStringLiteral("b"));
    }

    void aRefusedRecordStopsAndKeepsWhatCameBefore()
    {
        LevelTable& table = openTable({});
        QVERIFY_THROWS_EXCEPTION(TolvexError, addGameLevels(table, found({"first", "refused", "after"}), reader()));
        QVERIFY(!table.controlsDisabled());
        QCOMPARE(m_read, (QStringList{"first", "refused"}));

        // Committed, as a second reader of the file sees after the table is closed.
        const QString file = table.fileName();
        m_table.reset();
        LevelTable reopened;
        reopened.setFileName(file);
        reopened.open();
        QCOMPARE(reopened.recordCount(), 1);
        QCOMPARE(reopened.text(Field::Datei), QStringLiteral("first"));
    }
};

QTEST_GUILESS_MAIN(GameLevelsTest)
#include "gameLevelsTest.moc"
