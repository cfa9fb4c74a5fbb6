#include "catalogue/LevelList.h"
#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelSchema.h"
#include "catalogue/LevelTable.h"
#include "platform/dialogs/TolvexError.h"
#include "tests/support/TestFiles.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace tolvex;

namespace {

// The level table's columns as another program would declare them from the
// README: names, types, key and collation right, but none of the checks.
constexpr const char* kUncheckedTable = R"sql(
CREATE TABLE maps("Datei" TEXT NOT NULL PRIMARY KEY COLLATE NOCASE, "Level" TEXT NOT NULL, "Typ" TEXT,
  "Min Player" INTEGER, "Max Player" INTEGER, "Beschreibung" TEXT, "Quad" INTEGER, "Invul" INTEGER,
  "GL" INTEGER, "RL" INTEGER, "HB" INTEGER, "RG" INTEGER, "BFG" INTEGER%1);
INSERT INTO maps("Datei", "Level") VALUES ('base1', 'Outer Base');
)sql";

// Runs SQL through the sqlite3 shell, as a user filling the table by hand would.
void shell(const QString& db, const QString& sql)
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), db});
    QVERIFY2(sqlite.waitForStarted(), "the sqlite3 shell is needed");
    sqlite.write(sql.toUtf8());
    sqlite.closeWriteChannel();
    QVERIFY(sqlite.waitForFinished());
    QVERIFY2(sqlite.exitCode() == 0, sqlite.readAllStandardError().constData());
}

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TolvexError& e) {
        return e.message();
    }
    return QString();
}

QStringList level(const QString& datei, const QString& name)
{
    QStringList texts(kFieldCount);
    texts[Field::Datei] = datei;
    texts[Field::Level] = name;
    return texts;
}

// "Datei=Level" of every stored record, in key order, as another program reads them.
QString storedLevels(const QString& db)
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {db, QStringLiteral("SELECT \"Datei\" || '=' || \"Level\" FROM maps ORDER BY 1")});
    sqlite.waitForFinished();
    return QString::fromUtf8(sqlite.readAllStandardOutput()).trimmed().replace(u'\n', u' ');
}

} // namespace

class HostileCatalogueTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    void makeGoodTable()
    {
        shell(m_path, QString::fromUtf8(LevelSchema::createStatement()) + QStringLiteral(
            ";\nINSERT INTO maps(\"Datei\", \"Level\") VALUES ('base1', 'Outer Base'), ('q2dm1', 'The Edge');\n"));
    }

    // Opening refuses the file with a message naming it and the fault, and leaves every byte as it was.
    void expectRefusedUntouched(const QString& fault)
    {
        const QByteArray before = contents(m_path);
        LevelTable table;
        table.setFileName(m_path);
        const QString message = errorOf([&] { table.open(); });
        QVERIFY2(message.contains(m_path) && message.contains(fault), qPrintable(message));
        QVERIFY(!table.isOpen());
        QCOMPARE(contents(m_path), before);
    }

private Q_SLOTS:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("maps.DB"));
        QFile::remove(m_path);
    }

    void triggersAndViewsOnMapsAreRefusedAtOpen_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("fault");
        QTest::newRow("insert trigger deleting the others")
            << "CREATE TRIGGER wipe AFTER INSERT ON maps BEGIN DELETE FROM maps WHERE \"Datei\" <> new.\"Datei\"; END;"
            << "Trigger \"wipe\"";
        QTest::newRow("delete ignored")
            << "CREATE TRIGGER keep BEFORE DELETE ON Maps BEGIN SELECT RAISE(IGNORE); END;" << "Trigger \"keep\"";
        QTest::newRow("recursive update")
            << "CREATE TRIGGER again AFTER UPDATE ON maps BEGIN UPDATE maps SET \"Level\" = \"Level\" || 'x'; END;"
            << "Trigger \"again\"";
        QTest::newRow("view reading maps") << "CREATE VIEW dm AS SELECT * FROM maps WHERE \"Typ\" = 'DM';"
                                           << "Sicht \"dm\"";
        QTest::newRow("maps is a view")
            << "ALTER TABLE maps RENAME TO levels; CREATE VIEW maps AS SELECT * FROM levels;" << "erwarteten Aufbau";
        QTest::newRow("trigger and view elsewhere are harmless")
            << "CREATE TABLE notes(t TEXT); CREATE VIEW v AS SELECT * FROM notes;"
               " CREATE TRIGGER t AFTER INSERT ON notes BEGIN SELECT 1; END;"
            << QString();
    }

    void triggersAndViewsOnMapsAreRefusedAtOpen()
    {
        QFETCH(QString, sql);
        QFETCH(QString, fault);
        makeGoodTable();
        shell(m_path, sql);
        if (!fault.isEmpty())
            return expectRefusedUntouched(fault);
        LevelTable table;
        table.setFileName(m_path);
        table.open();
        QCOMPARE(table.recordCount(), 2);
    }

    // Another program's conflict clause can neither delete a record unseen
    // (REPLACE) nor make a write that stored nothing look like success (IGNORE).
    void conflictClausesCannotBendAWrite_data()
    {
        QTest::addColumn<QString>("clause");
        QTest::newRow("replace") << "REPLACE";
        QTest::newRow("ignore") << "IGNORE";
    }

    void conflictClausesCannotBendAWrite()
    {
        QFETCH(QString, clause);
        shell(m_path, QString::fromLatin1(kUncheckedTable).arg(QStringLiteral(", UNIQUE(\"Level\") ON CONFLICT ") + clause)
                          + QStringLiteral("INSERT INTO maps(\"Datei\", \"Level\") VALUES ('q2dm1', 'The Edge');"));
        const QString before = storedLevels(m_path);
        QCOMPARE(before, QStringLiteral("base1=Outer Base q2dm1=The Edge"));
        {
            LevelTable table;
            table.setFileName(m_path);
            table.open();
            const QString unique = QStringLiteral("UNIQUE constraint failed");

            table.insert();
            table.setText(Field::Datei, QStringLiteral("q2dm2"));
            table.setText(Field::Level, QStringLiteral("Outer Base"));
            QVERIFY(errorOf([&] { table.post(); }).contains(unique));
            table.cancel();

            table.last();
            table.edit();
            table.setText(Field::Level, QStringLiteral("Outer Base"));
            QVERIFY(errorOf([&] { table.post(); }).contains(unique));
            table.cancel();

            table.beginBulk();
            QVERIFY(errorOf([&] { table.appendRecord(level(QStringLiteral("q2dm3"), QStringLiteral("Outer Base"))); }).contains(unique));
            table.endBulk();
            QCOMPARE(table.recordCount(), 2);
        }
        QCOMPARE(storedLevels(m_path), before);
    }

    void valuesTheFieldsCannotHoldAreRefusedAtOpen_data()
    {
        QTest::addColumn<QString>("values");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("fault");
        const auto row = [](const char* name, const char* values, const char* fault) {
            QTest::newRow(name) << QString::fromUtf8(values) << QByteArray() << QString::fromUtf8(fault);
        };
        row("every limit kept", "('q2dm1', 'Le Café', 'CTF', -32768, 32767, 'Zeile 1' || char(13, 10) || 'é', 0, 1, NULL, 0, 1, 0, 1)", "");
        row("player count beyond 32 bits", "('q2dm1', 'The Edge', NULL, 1099511627780, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
            "Datensatz 2 ('q2dm1'): Feld 'Min Player' hat den Wert 1099511627780");
        row("player count beyond 16 bits", "('q2dm1', 'The Edge', NULL, NULL, 70000, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
            "Feld 'Max Player' hat den Wert 70000");
        row("fraction", "('q2dm1', 'The Edge', NULL, 2.5, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
            "Feld 'Min Player' enthält die Gleitkommazahl 2.5");
        row("text as a number", "('q2dm1', 'The Edge', NULL, 'abc', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
            "Feld 'Min Player' enthält einen Text statt einer Zahl");
        row("flag of 2", "('q2dm1', 'The Edge', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 2)",
            "Feld 'BFG' hat den Wert 2 statt 0 oder 1");
        row("file name of 40 characters", "(printf('%040d', 7), 'Long', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
            "Datensatz 1: Feld 'Datei' ist länger als 15 Zeichen");
        row("type of four letters", "('q2dm1', 'The Edge', 'DMCT', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
            "Feld 'Typ' ist länger als 3 Zeichen");
        row("BLOB key", "(x'71326d31', 'The Edge', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
            "Datensatz 2: Feld 'Datei' enthält Binärdaten");
        row("line break in the level name", "('q2dm1', 'The' || char(13, 10) || 'Edge', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
            "Feld 'Level' enthält einen Zeilenumbruch");
        row("empty level name", "('q2dm1', '', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
            "Datensatz 2 ('q2dm1'): Feld 'Level' muß einen Wert haben");
        row("character outside Windows-1252", "('łódź', 'Polska', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
            "Datensatz 2: Feld 'Datei' enthält das Zeichen 'ł', das Windows-1252 nicht kennt");
        QTest::newRow("Windows-1252 CSV through the shell")
            << QString() << QByteArray("q2dm1,caf\xe9\r\n") << QStringLiteral("Datensatz 2 ('q2dm1'): Feld 'Level' ist kein gültiger UTF-8-Text");
    }

    void valuesTheFieldsCannotHoldAreRefusedAtOpen()
    {
        QFETCH(QString, values);
        QFETCH(QByteArray, csv);
        QFETCH(QString, fault);
        QString sql = QString::fromLatin1(kUncheckedTable).arg(QString());
        if (csv.isEmpty()) {
            sql += QStringLiteral("INSERT INTO maps VALUES %1;").arg(values);
        } else {
            const QString csvPath = m_dir.filePath(QStringLiteral("levels.csv"));
            put(csvPath, csv);
            sql += QStringLiteral("CREATE TABLE staging(a, b);\n.import --csv %1 staging\n"
                                  "INSERT INTO maps(\"Datei\", \"Level\") SELECT a, b FROM staging; DROP TABLE staging;")
                       .arg(csvPath);
        }
        shell(m_path, sql);
        if (!fault.isEmpty())
            return expectRefusedUntouched(fault);

        LevelTable table;
        table.setFileName(m_path);
        table.open();
        table.last();
        QCOMPARE(table.text(Field::Level), QStringLiteral("Le Café"));
        QCOMPARE(table.text(Field::MinPlayer), QStringLiteral("-32768"));
        QCOMPARE(table.text(Field::Beschreibung), QStringLiteral("Zeile 1\r\né"));
        QCOMPARE(table.text(Field::Invul), QStringLiteral("Wahr"));
    }

    // The sqlite3 shell's .import and table editors write an empty text for
    // an empty cell, in number and flag columns too. It reads, shows and
    // exports as no value, and stays in the file until its record is changed.
    void emptyTextsOfEverydayToolsAreEmptyValues()
    {
        const QString csvPath = m_dir.filePath(QStringLiteral("levels.csv"));
        put(csvPath, QByteArray("Datei,Level,Typ,Min Player,Max Player,Beschreibung,Quad,Invul,GL,RL,HB,RG,BFG\r\n"
                                "q2dm1,The Edge,DM,2,,,1,,0,,,,\r\n"
                                "q2dm2,Tokay's Towers,,,8,\"zwei\r\nZeilen\",,,,,,,1\r\n"));
        shell(m_path, QString::fromLatin1(kUncheckedTable).arg(QString())
                          + QStringLiteral(".import --csv --skip 1 %1 maps\n"
                                           "UPDATE maps SET \"Typ\" = '', \"Min Player\" = '', \"Quad\" = '' WHERE \"Datei\" = 'base1';")
                                .arg(csvPath));
        const auto cells = [this] {
            QProcess sqlite;
            sqlite.start(QStringLiteral("sqlite3"), {m_path, QStringLiteral("SELECT \"Datei\", quote(\"Typ\"), quote(\"Min Player\"), "
                                                                          "quote(replace(\"Beschreibung\", char(13, 10), ' ')), quote(\"Quad\") FROM maps ORDER BY 1")});
            sqlite.waitForFinished();
            return QString::fromUtf8(sqlite.readAllStandardOutput()).trimmed().split(u'\n');
        };
        const QStringList before = cells();
        QCOMPARE(before, (QStringList{"base1|''|''|NULL|''", "q2dm1|'DM'|2|''|1", "q2dm2|''|''|'zwei Zeilen'|''"}));

        {
            LevelTable table;
            table.setFileName(m_path);
            table.open();
            QCOMPARE(table.recordCount(), 3);
            for (int pos : {int(Field::Typ), int(Field::MinPlayer), int(Field::Quad)})
                QVERIFY(isEmpty(table.value(pos)));
            table.next();
            QCOMPARE(table.text(Field::MinPlayer), QStringLiteral("2"));
            QVERIFY(isEmpty(table.value(Field::MaxPlayer)));
            QVERIFY(isEmpty(table.value(Field::Beschreibung)));
            QCOMPARE(table.text(Field::Quad), QStringLiteral("Wahr"));
            QCOMPARE(table.text(Field::GL), QStringLiteral("Falsch"));
            QCOMPARE(LevelListTransfer(table).exportText(),
                     QByteArray("base1\r\nOuter Base\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"
                                "q2dm1\r\nThe Edge\r\nDM\r\n2\r\n\r\n\r\nWahr\r\n\r\nFalsch\r\n\r\n\r\n\r\n\r\n"
                                "q2dm2\r\nTokay's Towers\r\n\r\n\r\n8\r\nzwei<CR><LF>Zeilen\r\n\r\n\r\n\r\n\r\n\r\n\r\nWahr\r\n"));
        }
        QCOMPARE(cells(), before);

        LevelTable table;
        table.setFileName(m_path);
        table.open();
        table.edit();
        table.setText(Field::Level, QStringLiteral("Outer Base II"));
        table.post();
        table.close();
        QCOMPARE(cells(), (QStringList{"base1|NULL|NULL|NULL|NULL", before[1], before[2]}));
    }

    // The shell lets a user rewrite the key's collation under stored records.
    void twoRecordsOfOneKeyAreRefusedAtOpen()
    {
        const QString collation = QStringLiteral("PRAGMA writable_schema = ON;"
                                                 "UPDATE sqlite_schema SET sql = replace(sql, 'COLLATE %1', 'COLLATE %2') WHERE name = 'maps';");
        shell(m_path, QString::fromUtf8(LevelSchema::createStatement()) + u';' + collation.arg(QStringLiteral("NOCASE"), QStringLiteral("BINARY")));
        shell(m_path, QStringLiteral("INSERT INTO maps(\"Datei\", \"Level\") VALUES ('q2dm1', 'The Edge'), ('Q2DM1', 'Copy');"));
        shell(m_path, collation.arg(QStringLiteral("BINARY"), QStringLiteral("NOCASE")));
        expectRefusedUntouched(QStringLiteral("Datensatz 2 ('q2dm1'): Feld 'Datei' kommt zweimal vor"));
    }

    // A check calling a function only the sqlite3 shell has cannot be
    // prepared here, after every record has been read. Tools older than
    // SQLite 3.7 leave the page count in the header stale, and SQLite mends
    // it at the first write; a refused open must not be one.
    void aTableRefusedAfterReadingIsLeftUntouched()
    {
        shell(m_path, QString::fromLatin1(kUncheckedTable)
                          .arg(QStringLiteral(", CHECK (CASE WHEN \"Level\" = '' THEN readfile('x') ELSE 1 END)")));
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(28));
        file.write(QByteArray::fromHex("00000000"));
        QVERIFY(file.seek(92));
        file.write(QByteArray::fromHex("00000000"));
        file.close();
        expectRefusedUntouched(QStringLiteral("readfile"));
    }

    // The one text the fields take that a level list cannot give back: "<CR>" or "<LF>" typed into a description.
    void exportStopsAtADescriptionItWouldGiveBackOtherwise()
    {
        makeGoodTable();
        const QString listPath = m_dir.filePath(QStringLiteral("levels.txt"));
        put(listPath, QByteArray("the old list\r\n"));
        LevelTable table;
        table.setFileName(m_path);
        table.open();
        table.last();
        table.edit();
        table.setText(Field::Beschreibung, QStringLiteral("a < b > c\r\nzweite Zeile"));
        table.post();
        LevelListTransfer transfer(table);
        transfer.exportFile(listPath);
        QVERIFY(contents(listPath).contains("a < b > c<CR><LF>zweite Zeile\r\n"));

        put(listPath, QByteArray("the old list\r\n"));
        table.first();
        table.edit();
        table.setText(Field::Beschreibung, QStringLiteral("getippt: <CR><LF>"));
        table.post();
        QCOMPARE(errorOf([&] { transfer.exportFile(listPath); }),
                 QStringLiteral("Datensatz 'base1': Feld 'Beschreibung' enthält \"<CR>\" oder \"<LF>\" als Text, den ein Import "
                                "als Zeilenumbruch liest; die Levelliste wird nicht geschrieben"));
        QCOMPARE(contents(listPath), QByteArray("the old list\r\n"));

        // Nor a description whose line the import would refuse as too long.
        table.edit();
        table.setText(Field::Beschreibung, QString(LevelList::kMaxLineLength / 4, u'x') + QString(LevelList::kMaxLineLength / 4, u'\n'));
        table.post();
        QVERIFY(errorOf([&] { transfer.exportFile(listPath); }).contains(QStringLiteral("ist länger als eine Zeile der Levelliste")));
        QCOMPARE(contents(listPath), QByteArray("the old list\r\n"));
    }
};

QTEST_GUILESS_MAIN(HostileCatalogueTest)
#include "hostileCatalogueTest.moc"
