#include "catalogue/GameLevels.h"
#include "catalogue/LevelRecords.h"
#include "catalogue/LevelTable.h"
#include "gamefolder/EntityText.h"
#include "gamefolder/GameFolder.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"
#include "tests/support/TestCatalogue.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

MapRecord recordOf(const QStringList& texts)
{
    MapRecord record;
    for (const QString& text : texts)
        record.add(cp1252::encode(text));
    return record;
}

QString shown(const LevelRecord& record)
{
    QStringList texts;
    for (int pos = 0; pos < kFieldCount; ++pos)
        texts << QString::number(record[size_t(pos)].index()) + u':' + fieldText(pos, record[size_t(pos)]);
    return texts.join(u'|');
}

// A map's entity text as map editors write them: the world with its message,
// spawn points, items and lights, the entities varying with n.
QByteArray mapText(const QByteArray& message, int n)
{
    QByteArray text = "{\n\"classname\" \"worldspawn\"\n\"message\" \"" + message + "\"\n\"sky\" \"unit1_\"\n}\n";
    const char* classes[] = {"info_player_deathmatch", "weapon_railgun", "item_flag_team1", "light", "info_player_team2",
                             "weapon_bfg",             "item_quad",      "info_player_team1", "weapon_hyperblaster"};
    for (int i = 0; i < 8 + n % 23; ++i)
        text += "{ \"origin\" \"0 0 0\" \"classname\" \"" + QByteArray(classes[(i * 7 + n) % 9]) + "\" }\n";
    return text;
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
        m_table = newCatalogue(m_dir.filePath(QStringLiteral("maps.DB")), records);
        return *m_table;
    }

    // Reads every map as a level of its own name, except "broken" (unreadable)
    // and "refused" (a record the table turns down), and notes what it read.
    [[nodiscard]] ReadMapRecord reader()
    {
        return [this](const GameMap& map) -> std::optional<MapRecord> {
            m_read.append(map.name);
            if (map.name == QLatin1String("broken"))
                return std::nullopt;
            if (map.name == QLatin1String("refused"))
                return recordOf(level(map.name, QStringLiteral("Refused"), QStringLiteral("many")));
            return recordOf(level(map.name, QStringLiteral("From ") + map.name));
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

    // The record a map gives as bytes stores exactly the values its texts store
    // through the text forms.
    void mapRecordsStoreWhatTheirTextsStore()
    {
        const QList<QByteArray> messages{
            "Arena 7\\nby someone", "", " \t\\n ", "\v\f Form feeds trimmed \x1c\x0b", "a\x01" "b\x7f  \x1f",
            QByteArray(49, 'x') + " yz", QByteArray(48, 'y') + "\\n\\nz", "C:\\quake\\new", "  two  blanks  ",
            "Br\xc3\xbc" "cke \xe2\x82\xac\xc2\xa0", "Br\xfc" "cke \x81\x9d", "\xce\xa9 \xf0\x9f\x98\x80!",
            QByteArray(60, '\n') + "late", QByteArray(300, 'w')};
        LevelTable& table = openTable({});
        for (int n = 0; n < 40; ++n) {
            const QByteArray text = mapText(messages[n % messages.size()], n);
            const QString name = QStringLiteral("Map%1").arg(n);
            const auto record = mapRecordOfText(name, text);
            const auto entities = parseEntities(text);
            QVERIFY(record && entities);
            table.appendRecord(record->texts());
            const LevelRecord fromBytes = table.records().record(table.recNo() - 1);
            table.remove();
            table.appendRecord(levelTexts(name, *entities));
            const LevelRecord fromTexts = table.records().record(table.recNo() - 1);
            table.remove();
            QVERIFY2(fromBytes == fromTexts, qPrintable(shown(fromBytes) + u'\n' + shown(fromTexts)));
        }
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
