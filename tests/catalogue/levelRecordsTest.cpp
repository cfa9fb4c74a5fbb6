#include "catalogue/LevelRecords.h"

#include <QTest>

#include <sqlite3.h>

#include <memory>

using namespace tolvex;

namespace {

using Db = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

Db memoryDb()
{
    sqlite3* raw = nullptr;
    sqlite3_open(":memory:", &raw);
    return Db(raw, sqlite3_close);
}

void bind(sqlite3_stmt* stmt, int param, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt, param, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

// SQLite's own verdict: negative, zero or positive as a sorts before, with or after b.
int sqliteCompare(sqlite3* db, const QString& a, const QString& b)
{
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, "SELECT (?1 > ?2 COLLATE NOCASE) - (?1 < ?2 COLLATE NOCASE)", -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
    bind(raw, 1, a);
    bind(raw, 2, b);
    return sqlite3_step(raw) == SQLITE_ROW ? sqlite3_column_int(raw, 0) : 99;
}

QStringList sqliteOrder(sqlite3* db, const QStringList& keys)
{
    sqlite3_exec(db, "DROP TABLE IF EXISTS k; CREATE TABLE k (Datei TEXT)", nullptr, nullptr, nullptr);
    for (const QString& key : keys) {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO k VALUES (?1)", -1, &raw, nullptr);
        bind(raw, 1, key);
        sqlite3_step(raw);
        sqlite3_finalize(raw);
    }
    QStringList ordered;
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, "SELECT Datei FROM k ORDER BY Datei COLLATE NOCASE", -1, &raw, nullptr);
    while (sqlite3_step(raw) == SQLITE_ROW)
        ordered << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
    sqlite3_finalize(raw);
    return ordered;
}

LevelRecord recordOf(const QString& key)
{
    LevelRecord record;
    record[Field::Datei] = key;
    return record;
}

QStringList keysOf(const LevelRecords& records)
{
    QStringList keys;
    for (int i = 0; i < records.size(); ++i)
        keys << keyOf(records[i]);
    return keys;
}

// Swaps the case of ASCII letters only, which NOCASE must not tell apart.
QString flipAsciiCase(const QString& key)
{
    QString flipped = key;
    for (QChar& c : flipped) {
        if (c.unicode() < 0x80 && c.isLetter())
            c = c.isUpper() ? c.toLower() : c.toUpper();
    }
    return flipped;
}

} // namespace

class LevelRecordsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each row's keys differ under NOCASE and come in no particular order.
    void keyOrderIsSqlites_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("case") << QStringList{"q2DM10", "Q2dm1", "q2dm", "Q2DM2", "Q2_dm", "q2-dm"};
        QTest::newRow("Windows-1252 letters") << QStringList{"zdm", "ädm", "Édm", "Adm", "édm", "ßdm", "€dm", "ÿdm", "Ødm", "Ädm"};
        QTest::newRow("digits and underscores") << QStringList{"dmZ", "_dm", "9dm", "dm_1", "0dm", "dm1", "dm[", "dm`", "Dm^"};
        QTest::newRow("prefixes") << QStringList{"DM1", "dm10", "dm", "d", "dm 1", "DM1a", "dm1_"};
        QTest::newRow("beyond the BMP") << QStringList{"z", QString::fromUtf8("\xF0\x9F\x98\x80"), QString(QChar(0xFFFD)), QString(QChar(0xE000))};
    }

    void keyOrderIsSqlites()
    {
        QFETCH(QStringList, keys);
        const Db db = memoryDb();
        for (const QString& a : keys) {
            for (const QString& b : keys) {
                const int ours = compareKeys(a, b);
                QVERIFY2((ours > 0) - (ours < 0) == sqliteCompare(db.get(), a, b), qPrintable(QString(a + u" vs " + b)));
                QCOMPARE(compareKeys(flipAsciiCase(a), b) == 0, a == b);
            }
        }
        const QStringList expected = sqliteOrder(db.get(), keys);

        LevelRecords inserted;
        for (const QString& key : keys)
            inserted.insertByKey(recordOf(key));
        QCOMPARE(keysOf(inserted), expected);

        LevelRecords loaded;
        for (auto it = keys.crbegin(); it != keys.crend(); ++it)
            loaded.append(recordOf(*it));
        loaded.sortByKey();
        QCOMPARE(keysOf(loaded), expected);

        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(inserted.indexOf(flipAsciiCase(expected[i])), i);
            QCOMPARE(inserted.lowerBound(expected[i]), i);
        }
        QCOMPARE(inserted.lowerBound(QString(expected.last() + u'!')), int(expected.size()));
    }

    // Freed places are reused without disturbing the order of the rest.
    void eraseKeepsOrder()
    {
        LevelRecords records;
        for (const char* key : {"c", "a", "e", "b", "d"})
            records.insertByKey(recordOf(QString::fromLatin1(key)));
        records.erase(records.indexOf(u"C"));
        records.erase(0);
        QCOMPARE(records.insertByKey(recordOf(QStringLiteral("CC"))), 1);
        QCOMPARE(keysOf(records), (QStringList{"b", "CC", "d", "e"}));
        QCOMPARE(records.indexOf(u"a"), -1);
        records.clear();
        QVERIFY(records.empty());
        QCOMPARE(records.lowerBound(u"a"), 0);
    }
};

QTEST_APPLESS_MAIN(LevelRecordsTest)
#include "levelRecordsTest.moc"
