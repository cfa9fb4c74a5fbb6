#include "catalogue/LevelSchema.h"
#include "catalogue/LevelTable.h"
#include "platform/dialogs/TolvexError.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <unistd.h>

using namespace tolvex;

namespace {

QStringList level(const QString& datei, const QString& name = QStringLiteral("Level"))
{
    QStringList texts(kFieldCount);
    texts[Field::Datei] = datei;
    texts[Field::Level] = name;
    return texts;
}

void runSql(const QString& path, const char* sql)
{
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    QCOMPARE(sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr), SQLITE_OK);
}

QStringList sqliteColumn(const QString& path, const char* sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    sqlite3_stmt* stmt = nullptr;
    QStringList values;
    if (sqlite3_prepare_v2(db.get(), sql, -1, &stmt, nullptr) != SQLITE_OK)
        return {QString::fromUtf8(sqlite3_errmsg(db.get()))};
    while (sqlite3_step(stmt) == SQLITE_ROW)
        values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    return values;
}

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TolvexError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

class LevelTableTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    // A fresh table file holding the given file names, in the given order of appends.
    void makeTable(const QStringList& keys)
    {
        QFile::remove(m_path);
        runSql(m_path, LevelSchema::createStatement());
        LevelTable table;
        table.setFileName(m_path);
        table.open();
        for (const QString& key : keys)
            table.appendRecord(level(key, key.toUpper()));
    }

    void openTable(LevelTable& table)
    {
        table.setFileName(m_path);
        table.open();
    }

    [[nodiscard]] QStringList keysInMemory(const LevelTable& table) const
    {
        QStringList keys;
        for (int i = 0; i < table.recordCount(); ++i)
            keys << table.textAt(i, Field::Datei);
        return keys;
    }

private Q_SLOTS:
    void init() { m_path = m_dir.filePath(QStringLiteral("maps.DB")); }

    void marksFollowTheMoves_data()
    {
        QTest::addColumn<QStringList>("moves");
        QTest::addColumn<int>("recNo");
        QTest::addColumn<bool>("bof");
        QTest::addColumn<bool>("eof");
        QTest::newRow("open") << QStringList{} << 1 << true << false;
        QTest::newRow("next") << QStringList{"next"} << 2 << false << false;
        QTest::newRow("next on the last stays") << QStringList{"next", "next", "next"} << 3 << false << true;
        QTest::newRow("prior on the first stays") << QStringList{"next", "prior", "prior"} << 1 << true << false;
        QTest::newRow("last") << QStringList{"last"} << 3 << false << true;
        QTest::newRow("prior after last") << QStringList{"last", "prior"} << 2 << false << false;
        QTest::newRow("first after last") << QStringList{"last", "first"} << 1 << true << false;
        QTest::newRow("moveTo clears the marks") << QStringList{"last", "moveTo3"} << 3 << false << false;
        QTest::newRow("moveTo beyond the end") << QStringList{"moveTo9"} << 3 << false << false;
    }
    void marksFollowTheMoves()
    {
        QFETCH(QStringList, moves);
        makeTable({"c", "a", "b"});
        LevelTable table;
        openTable(table);
        for (const QString& move : moves) {
            if (move == "next")
                table.next();
            else if (move == "prior")
                table.prior();
            else if (move == "first")
                table.first();
            else if (move == "last")
                table.last();
            else
                table.moveTo(move.mid(6).toInt());
        }
        QTEST(table.recNo(), "recNo");
        QTEST(table.bof(), "bof");
        QTEST(table.eof(), "eof");
        QCOMPARE(table.text(Field::Datei), QString(QChar(u'a' + table.recNo() - 1)));
    }

    void emptyTableHasBothMarksAndNothingMoves()
    {
        makeTable({});
        LevelTable table;
        openTable(table);
        QVERIFY(table.isEmpty());
        QCOMPARE(table.recordCount(), 0);
        QCOMPARE(table.recNo(), 0);
        table.first();
        QVERIFY(table.bof() && table.eof());
        table.next();
        table.findNearest("x");
        QCOMPARE(table.recNo(), 0);
        QCOMPARE(table.text(Field::Datei), QString());
        table.edit();
        QCOMPARE(table.state(), Dataset::State::Insert);
    }

    void insertingNumbersMinusOneAndCancelReturns()
    {
        makeTable({"a", "b"});
        LevelTable table;
        openTable(table);
        table.next();
        table.insert();
        QCOMPARE(table.recNo(), -1);
        QCOMPARE(table.recordCount(), 2);
        for (int pos = 0; pos < kFieldCount; ++pos)
            QVERIFY(tolvex::isEmpty(table.value(pos)));
        table.setText(Field::Datei, "zz");
        table.cancel();
        QCOMPARE(table.state(), Dataset::State::Browse);
        QCOMPARE(table.recNo(), 2);
        QCOMPARE(table.recordCount(), 2);
    }

    void postStandsOnTheStoredRecordAtItsKeyPosition()
    {
        makeTable({"a", "c", "e"});
        LevelTable table;
        openTable(table);
        table.insert();
        table.setText(Field::Datei, "d");
        table.setText(Field::Level, "Neu");
        table.post();
        QCOMPARE(table.recNo(), 3);
        QCOMPARE(table.text(Field::Datei), QStringLiteral("d"));

        table.first();
        table.edit();
        table.setText(Field::Datei, "f");
        table.post();
        QCOMPARE(table.recNo(), 4);
        QCOMPARE(keysInMemory(table), (QStringList{"c", "d", "e", "f"}));
        table.close();
        QCOMPARE(sqliteColumn(m_path, "SELECT \"Datei\" FROM maps ORDER BY 1"), (QStringList{"c", "d", "e", "f"}));
    }

    void movingAwayFinishesThePendingRecord_data()
    {
        QTest::addColumn<bool>("inserting");
        QTest::addColumn<bool>("changed");
        QTest::newRow("changed edit is stored") << false << true;
        QTest::newRow("unchanged edit is dropped") << false << false;
        QTest::newRow("changed insert is stored") << true << true;
        QTest::newRow("unchanged insert is dropped") << true << false;
    }
    void movingAwayFinishesThePendingRecord()
    {
        QFETCH(bool, inserting);
        QFETCH(bool, changed);
        makeTable({"a", "b"});
        const QByteArray before = contents(m_path);
        {
            LevelTable table;
            openTable(table);
            if (inserting) {
                table.insert();
            } else {
                table.edit();
                QVERIFY(!table.isModified());
            }
            if (changed) {
                table.setText(Field::Datei, inserting ? "aa" : "a");
                table.setText(Field::Level, "Geändert");
            }
            table.next();
            QCOMPARE(table.state(), Dataset::State::Browse);
            QCOMPARE(table.text(Field::Datei), QStringLiteral("b"));
            QCOMPARE(table.recordCount(), inserting && changed ? 3 : 2);
        }
        if (!changed)
            QCOMPARE(contents(m_path), before);
        const QStringList levels = sqliteColumn(m_path, "SELECT \"Level\" FROM maps ORDER BY \"Datei\"");
        const QStringList expected = !changed ? QStringList{"A", "B"}
                                   : inserting ? QStringList{"A", "Geändert", "B"}
                                               : QStringList{"Geändert", "B"};
        QCOMPARE(levels, expected);
    }

    void changedRecordWithEmptyLevelBlocksTheMove()
    {
        makeTable({"a", "b"});
        LevelTable table;
        openTable(table);
        table.edit();
        table.setText(Field::Level, "");
        QCOMPARE(errorOf([&] { table.next(); }), QStringLiteral("Feld 'Level' muß einen Wert haben"));
        QCOMPARE(table.state(), Dataset::State::Edit);
        QCOMPARE(table.recNo(), 1);
        QCOMPARE(errorOf([&] { table.findNearest("b"); }), QStringLiteral("Feld 'Level' muß einen Wert haben"));
        QCOMPARE(table.recNo(), 1);
    }

    // Bound controls write what the user typed when asked, before the table decides.
    void typedTextIsWrittenBeforeAMoveDecides()
    {
        makeTable({"a", "b"});
        LevelTable table;
        openTable(table);
        QString typed; // nothing typed yet
        connect(&table, &Dataset::updateRecordRequested, this, [&] {
            if (!typed.isNull())
                table.setText(Field::MinPlayer, typed);
        });
        table.edit();
        table.next();
        QCOMPARE(table.recNo(), 2);
        QCOMPARE(table.textAt(0, Field::MinPlayer), QString());

        typed = QStringLiteral("4");
        table.edit();
        table.first();
        QCOMPARE(table.recNo(), 1);
        QCOMPARE(table.textAt(1, Field::MinPlayer), QStringLiteral("4"));

        typed = QStringLiteral("vier");
        table.edit();
        QCOMPARE(errorOf([&] { table.post(); }), QStringLiteral("'vier' ist kein gültiger Integerwert für Feld 'Min Player'"));
        QCOMPARE(table.state(), Dataset::State::Edit);
    }

    void typedTextThatIsRefusedStopsTheMove()
    {
        makeTable({"a", "b"});
        LevelTable table;
        openTable(table);
        table.edit();
        connect(&table, &Dataset::updateRecordRequested, this, [&] { table.setText(Field::Quad, "ja"); });
        QVERIFY(!errorOf([&] { table.last(); }).isEmpty());
        QCOMPARE(table.recNo(), 1);
        QCOMPARE(table.state(), Dataset::State::Edit);
    }

    void nestedSuspensionEnablesControlsOnce()
    {
        makeTable({"a"});
        LevelTable table;
        openTable(table);
        QSignalSpy enabled(&table, &Dataset::controlsEnabled);
        table.disableControls();
        table.disableControls();
        table.enableControls();
        QVERIFY(table.controlsDisabled());
        QCOMPARE(enabled.count(), 0);
        table.enableControls();
        QVERIFY(!table.controlsDisabled());
        QCOMPARE(enabled.count(), 1);
        table.enableControls();
        QCOMPARE(enabled.count(), 1);
    }

    void suspendedTableStillSignalsButTheSourceHoldsBack()
    {
        makeTable({"a", "b"});
        LevelTable table;
        openTable(table);
        DataSource source;
        source.setDataSet(&table);
        QSignalSpy moved(&table, &Dataset::recordChanged);
        QSignalSpy shown(&source, &DataSource::dataChanged);
        table.disableControls();
        table.next();
        table.first();
        QCOMPARE(moved.count(), 2);
        QCOMPARE(shown.count(), 0);
        table.enableControls();
        QCOMPARE(shown.count(), 1);
    }

    void nearestKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("found");
        QTest::newRow("empty key: first") << "" << "_x";
        QTest::newRow("after all: last") << "zzz" << "zeta";
        QTest::newRow("prefix") << "q2d" << "q2dm1";
        QTest::newRow("other case") << "Q2DM10" << "q2dm10";
        QTest::newRow("between") << "q2dm1b" << "Q2DM2";
        QTest::newRow("20 characters count as 15") << "q2dm1aaaaaaaaaaZZZZZ" << "q2dm1aaaaaaaaaa";
        QTest::newRow("letters fold, underscore does not") << "_" << "_x";
    }
    void nearestKey()
    {
        QFETCH(QString, key);
        QFETCH(QString, found);
        makeTable({"q2dm1", "Q2DM2", "zeta", "q2dm10", "_x", "q2dm1aaaaaaaaaa", "Abc"});
        LevelTable table;
        openTable(table);
        table.last();
        table.findNearest(key);
        QCOMPARE(table.text(Field::Datei), found);
        QVERIFY(!table.bof() && !table.eof());
    }

    // The table's own order, uniqueness and search must agree with the file's index.
    void keyOrderAgreesWithSqlite()
    {
        const QStringList keys{"Zeta", "_under", "abc", "ABD", "élan", "Élan", "z", "[", "a1", "A", "ä", "Ä", "€uro", "~"};
        QFile::remove(m_path);
        runSql(m_path, LevelSchema::createStatement());
        {
            LevelTable table;
            openTable(table);
            QStringList refused;
            for (const QString& key : keys) {
                try {
                    table.appendRecord(level(key));
                } catch (const TolvexError&) {
                    refused << key;
                }
            }
            QCOMPARE(refused, QStringList{});
            QCOMPARE(table.indexOfKey("abd"), table.indexOfKey("ABD"));
            QCOMPARE(table.indexOfKey("ä") == table.indexOfKey("Ä"), false);
            QCOMPARE(table.indexOfKey("nope"), -1);
            const QStringList inMemory = keysInMemory(table);
            table.close();
            QCOMPARE(inMemory, sqliteColumn(m_path, "SELECT \"Datei\" FROM maps ORDER BY \"Datei\""));
        }
        LevelTable reopened;
        openTable(reopened);
        QCOMPARE(errorOf([&] { reopened.appendRecord(level("aBc")); }),
                 QStringLiteral("Schlüsselverletzung: Datei-Name 'aBc' ist in Tabelle %1 schon vorhanden").arg(m_path));
    }

    void namesEqualInTheirFirst15CharactersCollide()
    {
        makeTable({});
        LevelTable table;
        openTable(table);
        table.appendRecord(level("abcdefghijklmnoXYZ"));
        QCOMPARE(table.text(Field::Datei), QStringLiteral("abcdefghijklmno"));
        QString violation = QStringLiteral("Schlüsselverletzung: Datei-Name 'ABCDEFGHIJKLMNO' ist in Tabelle %1 schon vorhanden").arg(m_path);
        QCOMPARE(errorOf([&] { table.appendRecord(level("ABCDEFGHIJKLMNOpq")); }), violation);
        QCOMPARE(table.recordCount(), 1);

        table.insert();
        table.setText(Field::Datei, "ABCDEFGHIJKLMNOpq");
        table.setText(Field::Level, "Zweiter");
        QCOMPARE(errorOf([&] { table.post(); }), violation);
        QCOMPARE(table.state(), Dataset::State::Insert);
        QCOMPARE(table.text(Field::Level), QStringLiteral("Zweiter"));
        table.setText(Field::Datei, "other");
        table.post();
        QCOMPARE(table.recordCount(), 2);

        // Renaming onto another record's name collides too; onto its own name in other case does not.
        table.edit();
        table.setText(Field::Datei, "abcdefghijklmno");
        QCOMPARE(errorOf([&] { table.post(); }), violation.replace("ABCDEFGHIJKLMNO", "abcdefghijklmno"));
        table.setText(Field::Datei, "OTHER");
        table.post();
        QCOMPARE(table.text(Field::Datei), QStringLiteral("OTHER"));
        QCOMPARE(table.recordCount(), 2);
    }

    void removeStandsOnTheFollowingRecord()
    {
        makeTable({"a", "b", "c"});
        LevelTable table;
        openTable(table);
        table.moveTo(2);
        table.remove();
        QCOMPARE(table.text(Field::Datei), QStringLiteral("c"));
        table.remove();
        QCOMPARE(table.text(Field::Datei), QStringLiteral("a"));
        table.remove();
        QVERIFY(table.isEmpty() && table.bof() && table.eof());
        QCOMPARE(errorOf([&] { table.remove(); }), QStringLiteral("Operation bei leerer Datenmenge nicht ausführbar"));
        table.close();
        QCOMPARE(sqliteColumn(m_path, "SELECT count(*) FROM maps"), QStringList{"0"});
    }

    void aFileWithoutWriteBitsIsRefusedEvenForRoot()
    {
        makeTable({"a"});
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QByteArray before = contents(m_path);
        LevelTable table;
        table.setFileName(m_path);
        QCOMPARE(errorOf([&] { table.open(); }), QStringLiteral("Tabelle %1 ist schreibgeschützt").arg(m_path));
        QVERIFY(!table.isOpen());
        QCOMPARE(contents(m_path), before);
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
    }

    void openFailures_data()
    {
        QTest::addColumn<QByteArray>("contents"); // a SQL script when it starts with "CREATE"
        QTest::addColumn<QString>("error");
        QTest::newRow("not a database") << QByteArray("q2dm1\r\nThe Edge\r\n") << "Datei %1 ist keine SQLite-Datenbank";
        QTest::newRow("no table maps") << QByteArray("CREATE TABLE other (x)")
                                       << "Tabelle %1 hat nicht den erwarteten Aufbau: keine Tabelle \"maps\"";
        QTest::newRow("columns swapped") << QByteArray("CREATE TABLE maps (\"Level\" TEXT NOT NULL, \"Datei\" TEXT NOT NULL PRIMARY KEY)")
                                         << "Tabelle %1 hat nicht den erwarteten Aufbau: Spalte 1 heißt \"Level\" statt \"Datei\"";
        QByteArray caseSensitive = LevelSchema::createStatement();
        caseSensitive.replace("COLLATE NOCASE", "");
        QTest::newRow("key without its collation") << caseSensitive
                                                   << "Tabelle %1 hat nicht den erwarteten Aufbau: der Schlüssel \"Datei\" ist nicht nach NOCASE sortiert";
        QByteArray wrongType = LevelSchema::createStatement();
        wrongType.replace("\"Quad\" INTEGER", "\"Quad\" TEXT");
        QTest::newRow("wrong type") << wrongType << "Tabelle %1 hat nicht den erwarteten Aufbau: Spalte \"Quad\" hat den Typ TEXT statt INTEGER";
    }
    void openFailures()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, error);
        QFile::remove(m_path);
        if (contents.startsWith("CREATE")) {
            runSql(m_path, contents.constData());
        } else {
            QFile f(m_path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contents);
        }
        const QByteArray before = tolvex::contents(m_path);
        const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files);
        LevelTable table;
        table.setFileName(m_path);
        QCOMPARE(errorOf([&] { table.open(); }), error.arg(m_path));
        QVERIFY(!table.isOpen());
        QCOMPARE(tolvex::contents(m_path), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), filesBefore);
        QCOMPARE(errorOf([&] { (void)table.recordCount(); }), QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar"));
    }

    void missingTableIsNotCreated()
    {
        QTemporaryDir empty;
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(empty.path());
        LevelTable table;
        QCOMPARE(table.fileName(), QStringLiteral("maps.DB"));
        const QString error = errorOf([&] { table.open(); });
        QDir::setCurrent(cwd);
        QCOMPARE(error, QStringLiteral("Tabelle maps.DB nicht gefunden"));
        QCOMPARE(QDir(empty.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }

    void closedTableRefusesEveryOperation()
    {
        LevelTable table;
        const QString closed = QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar");
        const std::vector<std::function<void()>> operations{
            [&] { table.first(); }, [&] { table.next(); }, [&] { table.prior(); }, [&] { table.last(); },
            [&] { table.moveTo(1); }, [&] { table.findNearest("a"); }, [&] { table.insert(); },
            [&] { table.edit(); }, [&] { table.post(); }, [&] { table.cancel(); }, [&] { table.remove(); },
            [&] { table.appendRecord(level("a")); }, [&] { (void)table.value(0); }, [&] { (void)table.text(0); },
            [&] { table.setText(0, "a"); }, [&] { (void)table.recNo(); }, [&] { (void)table.textAt(0, 0); },
            [&] { (void)table.indexOfKey("a"); }, [&] { table.beginBulk(); },
        };
        for (const auto& operation : operations)
            QCOMPARE(errorOf(operation), closed);
        table.endBulk();
        QCOMPARE(table.state(), Dataset::State::Inactive);
    }

    void secondProgramCannotOpenTheTable()
    {
        makeTable({"a"});
        QProcess probe;
        {
            LevelTable table;
            openTable(table);
            probe.start(TABLE_PROBE, {"open", m_path});
            QVERIFY(probe.waitForFinished(30000));
            QCOMPARE(probe.exitCode(), 1);
            QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(),
                     QStringLiteral("Tabelle %1 wird von einem anderen Programm benutzt").arg(m_path));
        }
        probe.start(TABLE_PROBE, {"open", m_path});
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(probe.exitCode(), 0);
    }

    void postedRecordSurvivesAKill()
    {
        makeTable({"a"});
        QProcess probe;
        probe.start(TABLE_PROBE, {"postAndDie", m_path, "q2dm9"});
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(probe.exitStatus(), QProcess::CrashExit);
        {
            LevelTable table;
            openTable(table);
            QCOMPARE(table.recordCount(), 2);
            QVERIFY(table.indexOfKey("q2dm9") >= 0);
        }
        QCOMPARE(sqliteColumn(m_path, "PRAGMA integrity_check"), QStringList{"ok"});
    }

    void bulkAppendKeepsTheRecordsBeforeARefusedOne_data()
    {
        QTest::addColumn<QStringList>("refused");
        QStringList badNumber = level("c");
        badNumber[Field::MinPlayer] = "viele";
        QTest::newRow("not a number") << badNumber;
        QTest::newRow("duplicate key") << level("A");
        QTest::newRow("no level name") << level("c", "");
    }
    void bulkAppendKeepsTheRecordsBeforeARefusedOne()
    {
        QFETCH(QStringList, refused);
        makeTable({});
        {
            LevelTable table;
            openTable(table);
            table.beginBulk();
            table.appendRecord(level("b"));
            table.appendRecord(level("a"));
            QCOMPARE(table.recNo(), 1);
            QVERIFY(!errorOf([&] { table.appendRecord(refused); }).isEmpty());
            QCOMPARE(table.recordCount(), 2);
            table.endBulk();
            // A post after an import is a transaction of its own again.
            table.appendRecord(level("d"));
        }
        QCOMPARE(sqliteColumn(m_path, "SELECT \"Datei\" FROM maps ORDER BY 1"), (QStringList{"a", "b", "d"}));
    }

    void bulkAppendsSurviveAKill_data()
    {
        QTest::addColumn<bool>("ended");
        QTest::newRow("after the import ended") << true;
        QTest::newRow("in the middle of the import") << false;
    }
    void bulkAppendsSurviveAKill()
    {
        QFETCH(bool, ended);
        makeTable({});
        QProcess probe;
        probe.start(TABLE_PROBE, {"bulkAndDie", m_path, "5000", ended ? "end" : "noend"});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitStatus(), QProcess::CrashExit);
        QCOMPARE(sqliteColumn(m_path, "PRAGMA integrity_check"), QStringList{"ok"});
        const int stored = sqliteColumn(m_path, "SELECT count(*) FROM maps").value(0).toInt();
        if (ended)
            QCOMPARE(stored, 5000);
        else
            QVERIFY(stored < 5000);
    }
};

QTEST_GUILESS_MAIN(LevelTableTest)
#include "levelTableTest.moc"
