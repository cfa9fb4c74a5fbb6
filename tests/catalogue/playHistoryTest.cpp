#include "catalogue/LevelTable.h"
#include "catalogue/PlayHistory.h"
#include "tests/support/TestCatalogue.h"
#include "tests/support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace tolvex;

namespace {

QStringList level(const QString& datei)
{
    QStringList texts(kFieldCount);
    texts[Field::Datei] = datei;
    texts[Field::Level] = QStringLiteral("Level");
    return texts;
}

QDateTime at(const char* utc)
{
    QDateTime time = QDateTime::fromString(QLatin1String(utc), Qt::ISODate);
    time.setTimeSpec(Qt::UTC);
    return time;
}

QStringList rows(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    QStringList values;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        values << QString::fromUtf8(sqlite3_errmsg(db));
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
        values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return values;
}

} // namespace

class PlayHistoryTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    [[nodiscard]] QString file() const { return m_dir.filePath(QStringLiteral("maps.DB")); }

private Q_SLOTS:
    void startsAreCountedKeptAndReadBack()
    {
        auto table = newCatalogue(file(), {level("q2dm1"), level("Städte"), level("q2dm2")});
        table->close();
        QCOMPARE(rows(file(), "SELECT name FROM sqlite_schema WHERE name = 'plays'"), QStringList());
        table->open();
        QVERIFY(!table->recordPlay(QStringLiteral("q2dm1"), at("2026-12-01T20:00:00")));
        QVERIFY(!table->recordPlay(QStringLiteral("Q2DM1"), at("2026-12-03T21:30:05")));
        QVERIFY(!table->recordPlay(QStringLiteral("Städte"), at("2026-11-30T10:00:00")));
        table->close();
        QCOMPARE(rows(file(), "SELECT \"Datei\" || ' ' || \"Zeit\" FROM plays ORDER BY \"Zeit\""),
                 (QStringList{"Städte 2026-11-30 10:00:00", "q2dm1 2026-12-01 20:00:00", "Q2DM1 2026-12-03 21:30:05"}));

        table->open();
        const PlayHistory::Entry* dm1 = table->history().find(QStringLiteral("q2dm1"));
        QVERIFY(dm1);
        QCOMPARE(dm1->count, 2);
        QCOMPARE(dm1->lastPlayed, at("2026-12-03T21:30:05").toSecsSinceEpoch());
        QCOMPARE(table->history().find(QStringLiteral("STÄDTE")), nullptr); // only A-Z fold, as the key does
        QCOMPARE(table->history().find(QStringLiteral("Städte"))->count, 1);
        QCOMPARE(table->history().find(QStringLiteral("q2dm2")), nullptr);

        // Deleting a level takes its history with it, and nothing else.
        table->first();
        QCOMPARE(table->text(Field::Datei), QStringLiteral("q2dm1"));
        table->remove();
        QCOMPARE(table->history().find(QStringLiteral("q2dm1")), nullptr);
        table->close();
        QCOMPARE(rows(file(), "SELECT \"Datei\" FROM plays"), QStringList{"Städte"});
    }

    void aHostilePlaysTableIsRefusedAndLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QString>("why");
        const QByteArray table = "CREATE TABLE plays (\"Datei\" TEXT, \"Zeit\" TEXT);";
        QTest::newRow("trigger") << table + "CREATE TRIGGER spy AFTER INSERT ON plays BEGIN DELETE FROM maps; END;"
                                 << "Trigger \"spy\"";
        QTest::newRow("view") << table + "CREATE VIEW peek AS SELECT * FROM plays;" << "Sicht \"peek\"";
        QTest::newRow("other columns") << QByteArray("CREATE TABLE plays (\"Datei\" TEXT, \"Zeit\" TEXT, extra BLOB);")
                                       << "Spalten";
        QTest::newRow("a number for a time") << table + "INSERT INTO plays VALUES ('q2dm1', 17);" << "Feld 'Zeit'";
        QTest::newRow("no time") << table + "INSERT INTO plays VALUES ('q2dm1', '2026-13-45 99:00:00');" << "Feld 'Zeit'";
        QTest::newRow("a name too long") << table + "INSERT INTO plays VALUES ('abcdefghijklmnop', '2026-12-01 10:00:00');"
                                         << "Feld 'Datei'";
        QTest::newRow("a blob for a name") << table + "INSERT INTO plays VALUES (x'00ff', '2026-12-01 10:00:00');" << "Feld 'Datei'";
    }
    void aHostilePlaysTableIsRefusedAndLeftAlone()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QString, why);
        newCatalogue(file(), {level("q2dm1")}).reset();
        QVERIFY(runSql(file(), sql.constData()));
        const QByteArray before = contents(file());

        auto table = std::make_unique<LevelTable>();
        table->setFileName(file());
        table->open(); // the levels open all the same
        QCOMPARE(table->recordCount(), 1);
        QVERIFY(table->history().refusal());
        QVERIFY2(table->history().refusal()->contains(why), qPrintable(*table->history().refusal()));
        const std::optional<QString> refused = table->recordPlay(QStringLiteral("q2dm1"), at("2026-12-01T20:00:00"));
        QCOMPARE(refused, table->history().refusal());
        table->close();
        QCOMPARE(contents(file()), before);
    }

    void aStoreTheFileRefusesLeavesTheHistoryAsItWas()
    {
        auto table = newCatalogue(file(), {level("q2dm1")});
        QVERIFY(table->recordPlay(QString(), at("2026-12-01T20:00:00")));
        QVERIFY(table->recordPlay(QStringLiteral("name-too-long-16"), at("2026-12-01T20:00:00")));
        QCOMPARE(table->history().size(), std::size_t(0));
        table->close();
        QCOMPARE(rows(file(), "SELECT name FROM sqlite_schema WHERE name = 'plays'"), QStringList());
    }
};

QTEST_GUILESS_MAIN(PlayHistoryTest)
#include "playHistoryTest.moc"
