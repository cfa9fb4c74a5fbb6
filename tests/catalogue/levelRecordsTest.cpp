#include "catalogue/LevelRecords.h"
#include "platform/files/Cp1252.h"

#include <QTest>

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>

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

int insertByKey(LevelRecords& records, const LevelRecord& record)
{
    const int at = records.lowerBound(keyOf(record));
    records.insert(at, PackedRecord(record));
    return at;
}

void assignAll(LevelRecords& records, const QStringList& keys)
{
    std::vector<PackedRecord> packed;
    for (const QString& key : keys)
        packed.emplace_back(recordOf(key));
    records.assign(std::move(packed));
}

// What the key field stores: up to 15 characters of Windows-1252.
bool storable(const QString& key)
{
    return !textFault(Field::Datei, key);
}

QStringList keysOf(const LevelRecords& records)
{
    QStringList keys;
    for (int i = 0; i < records.size(); ++i)
        keys << records.key(i);
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
        // The records hold only keys the key field stores; the comparison above takes any.
        QStringList stored = keys;
        stored.removeIf([](const QString& key) { return !storable(key); });
        if (stored.isEmpty())
            return;
        const QStringList expected = sqliteOrder(db.get(), stored);

        LevelRecords inserted;
        for (const QString& key : stored)
            insertByKey(inserted, recordOf(key));
        QCOMPARE(keysOf(inserted), expected);

        LevelRecords loaded;
        QStringList reversed(stored.crbegin(), stored.crend());
        assignAll(loaded, reversed);
        QCOMPARE(keysOf(loaded), expected);

        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(inserted.indexOf(flipAsciiCase(expected[i])), i);
            QCOMPARE(inserted.lowerBound(expected[i]), i);
        }
        QCOMPARE(inserted.lowerBound(QString(expected.last() + u'!')), int(expected.size()));
    }

    // Every value a field can hold comes back as it went in: each of the 256
    // Windows-1252 characters, empty text apart from no value, long texts,
    // the longest key, the number range ends, both flags.
    void everyValueComesBackExactly()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString every = cp1252::decode(all);
        std::vector<LevelRecord> records;
        for (int i = 0; i < 16; ++i) {
            LevelRecord record;
            record[Field::Datei] = every.mid(1 + i * 15, 15);
            record[Field::Level] = every.mid(i * 16, 16);
            record[Field::Typ] = i % 2 ? FieldValue(QString()) : FieldValue(std::monostate{});
            record[Field::MinPlayer] = i % 3 == 0 ? FieldValue(-32768) : i % 3 == 1 ? FieldValue(32767) : FieldValue(std::monostate{});
            record[Field::MaxPlayer] = i % 2 ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
            for (int flag = Field::Quad; flag <= Field::BFG; ++flag)
                record[size_t(flag)] = (flag + i) % 3 == 0 ? FieldValue(true) : (flag + i) % 3 == 1 ? FieldValue(false) : FieldValue();
            records.push_back(record);
        }
        records[0][Field::Beschreibung] = every;
        records[1][Field::Beschreibung] = every.repeated(300);
        records[2][Field::Beschreibung] = every.repeated(1000).left(300000);
        records[3][Field::Beschreibung] = QString();
        records[4][Field::Datei] = QStringLiteral("ÿ");
        records[5][Field::Datei] = QStringLiteral("fifteen charsÄ€");

        LevelRecords stored;
        for (const LevelRecord& record : records)
            insertByKey(stored, record);
        QCOMPARE(stored.size(), int(records.size()));
        for (const LevelRecord& record : records) {
            const int index = stored.indexOf(keyOf(record));
            QVERIFY(index >= 0);
            QVERIFY(stored.record(index) == record);
            for (int pos = 0; pos < kFieldCount; ++pos)
                QVERIFY2(stored.value(index, pos) == record[size_t(pos)], qPrintable(keyOf(record) + u' ' + QString::number(pos)));
        }
        stored.replace(0, PackedRecord(records[1]));
        QVERIFY(stored.record(0) == records[1]);
    }

    // Many keys, inserted out of order and partly erased, stay in the order
    // and are found as a sorted list of the same keys has them, also by
    // search keys the key field could not store.
    void orderAndNearestKeySurviveInsertsAndErases()
    {
        const QStringList alphabet{"a", "B", "c", "_", "0", "Ä", "é", "€", "Z", "Ł", "-"};
        std::mt19937 random(5);
        // A quarter share their first eight characters.
        const auto randomKey = [&] {
            QString key = random() % 4 == 0 ? QStringLiteral("ctf_long") : QString();
            const int length = 1 + int(random() % 18);
            for (int i = 0; i < length; ++i)
                key += alphabet[qsizetype(random() % unsigned(alphabet.size()))];
            return key;
        };
        const auto storableKey = [&] {
            QString key = randomKey().left(15);
            return storable(key) ? key : QStringLiteral("ctf_long");
        };
        LevelRecords stored;
        QStringList expected;
        const auto insertSorted = [&](const QString& key) {
            const auto at = std::lower_bound(expected.begin(), expected.end(), key,
                                             [](const QString& a, const QString& b) { return compareKeys(a, b) < 0; });
            if (at != expected.end() && compareKeys(*at, key) == 0)
                return;
            QCOMPARE(insertByKey(stored, recordOf(key)), int(at - expected.begin()));
            expected.insert(at, key);
        };
        for (int i = 0; i < 6000; ++i)
            insertSorted(storableKey());
        for (int i = 0; i < 2500 && !expected.isEmpty(); ++i) {
            const int at = int(random() % unsigned(expected.size()));
            stored.erase(at);
            expected.removeAt(at);
        }
        for (int i = 0; i < 1000; ++i)
            insertSorted(storableKey());
        QCOMPARE(keysOf(stored), expected);

        for (int i = 0; i < 3000; ++i) {
            const QString probe = randomKey();
            const auto at = std::lower_bound(expected.begin(), expected.end(), probe,
                                             [](const QString& a, const QString& b) { return compareKeys(a, b) < 0; });
            const int want = int(at - expected.begin());
            QCOMPARE(stored.lowerBound(probe), want);
            QCOMPARE(stored.indexOf(flipAsciiCase(probe)), at != expected.end() && compareKeys(*at, probe) == 0 ? want : -1);
        }

        LevelRecords loaded;
        std::shuffle(expected.begin(), expected.end(), random);
        const QStringList shuffled = expected;
        assignAll(loaded, shuffled);
        std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) { return compareKeys(a, b) < 0; });
        QCOMPARE(keysOf(loaded), expected);
        QCOMPARE(loaded.firstRepeatedKey(), -1);
    }

    // A family of names shares its first eight characters; a key of another
    // name at the end or the front shifts every position, and back again
    // when it goes. The sizes take a few runs and many.
    void nearestKeyFollowsAFamilyJoinedByOtherNames_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("2,000") << 2000;
        QTest::newRow("5,000") << 5000;
        QTest::newRow("40,000") << 40000;
    }

    void nearestKeyFollowsAFamilyJoinedByOtherNames()
    {
        QFETCH(int, size);
        LevelRecords records;
        QStringList family;
        for (int i = 0; i < size; ++i)
            family.append(QStringLiteral("tourney_%1").arg(i * 7, 6, 10, QChar(u'0')));
        for (const QString& key : family)
            insertByKey(records, recordOf(key));
        const int stride = 1 + size / 2000;
        const auto findsFamily = [&](int offset) {
            for (int i = 0; i < family.size(); i += stride) {
                QCOMPARE(records.indexOf(family[i].toUpper()), offset + i);
                QCOMPARE(records.lowerBound(QString(family[i] + u'!')), offset + i + 1);
            }
            QCOMPARE(records.lowerBound(u"ta"), offset);
            QCOMPARE(records.lowerBound(u"tourney"), offset);
            QCOMPARE(records.lowerBound(u"tz"), offset + int(family.size()));
        };
        insertByKey(records, recordOf(QStringLiteral("zz")));
        findsFamily(0);
        records.erase(records.size() - 1);
        findsFamily(0);
        insertByKey(records, recordOf(QStringLiteral("a")));
        findsFamily(1);
        records.erase(0);
        findsFamily(0);
    }

    // Erasing and inserting again keeps the order of the rest; a load that
    // brings a key twice tells where.
    void eraseKeepsOrder()
    {
        LevelRecords records;
        for (const char* key : {"c", "a", "e", "b", "d"})
            insertByKey(records, recordOf(QString::fromLatin1(key)));
        records.erase(records.indexOf(u"C"));
        records.erase(0);
        QCOMPARE(insertByKey(records, recordOf(QStringLiteral("CC"))), 1);
        QCOMPARE(keysOf(records), (QStringList{"b", "CC", "d", "e"}));
        QCOMPARE(records.indexOf(u"a"), -1);
        assignAll(records, {"b", "a", "B", "c"});
        QCOMPARE(keysOf(records), (QStringList{"a", "b", "B", "c"}));
        QCOMPARE(records.firstRepeatedKey(), 2);
        records.clear();
        QVERIFY(records.empty());
        QCOMPARE(records.lowerBound(u"a"), 0);
    }
};

QTEST_APPLESS_MAIN(LevelRecordsTest)
#include "levelRecordsTest.moc"
