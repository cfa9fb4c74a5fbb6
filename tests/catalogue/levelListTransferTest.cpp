#include "catalogue/LevelList.h"
#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelTable.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"
#include "tests/support/TestCatalogue.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <random>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// The records of the golden file, one with every kind of value and one with
// only the required ones.
std::vector<QStringList> goldenRecords()
{
    return {{"dm-edge", "The Edge", "DM", "-2", "8", "Brücken\r\nüber dem Abgrund", "Wahr", "Falsch", "", "Wahr", "Falsch",
             "", "Wahr"},
            level("empty", "Nur Pflichtfelder")};
}

// A group of 13 lines as the file carries it, CR LF after each.
QByteArray group(const QByteArray& datei, const QByteArray& minPlayers = "2", const QByteArray& quad = "Wahr",
                 const QByteArray& levelName = "Level")
{
    const QList<QByteArray> lines{datei, levelName, "DM", minPlayers, "8", "", quad, "", "", "", "", "", ""};
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

QByteArray groupWithDescription(const QByteArray& datei, const QByteArray& description)
{
    QList<QByteArray> lines = group(datei).split('\n');
    lines[Field::Beschreibung] = description + '\r';
    return lines.join('\n');
}

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TolvexError& e) {
        return e.message();
    }
    return {};
}

QStringList names(const LevelTable& table)
{
    QStringList result;
    for (int i = 0; i < table.recordCount(); ++i)
        result << table.textAt(i, Field::Datei);
    return result;
}

QStringList texts(const LevelTable& table, int index)
{
    QStringList result;
    for (int pos = 0; pos < kFieldCount; ++pos)
        result << table.textAt(index, pos);
    return result;
}

} // namespace

class LevelListTransferTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<LevelTable> m_table;

    [[nodiscard]] QString path(const QString& name) const { return m_dir.filePath(name); }

    // A fresh table file with the given records, opened.
    LevelTable& openTable(const std::vector<QStringList>& records, const QString& name = QStringLiteral("maps.DB"))
    {
        m_table.reset();
        m_table = newCatalogue(path(name), records);
        return *m_table;
    }

private Q_SLOTS:
    void cleanup() { m_table.reset(); }

    void exportWritesTheGoldenBytes()
    {
        LevelTable& table = openTable(goldenRecords());
        std::vector<std::pair<int, int>> reports;
        LevelListTransfer(table, [&](int done, int total) { reports.emplace_back(done, total); }).exportFile(path("out.txt"));

        QCOMPARE(contents(path("out.txt")), contents(QStringLiteral(GOLDEN_DIR "/levelList.txt")));
        QCOMPARE(table.recNo(), 2);
        QVERIFY(table.eof());
        QVERIFY(!table.controlsDisabled());
        QCOMPARE(reports, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
    }

    void anEmptyCatalogueExportsZeroBytesAndImportsNothing()
    {
        LevelTable& table = openTable({});
        put(path("old.txt"), group("old"));
        LevelListTransfer(table).exportFile(path("old.txt"));
        QCOMPARE(contents(path("old.txt")), QByteArray());

        openTable({level("a"), level("b")}).last();
        LevelListTransfer(*m_table).importFile(path("old.txt"));
        QCOMPARE(names(*m_table), (QStringList{"a", "b"}));
        QCOMPARE(m_table->recNo(), 2);
    }

    void anExportImportedIntoAnEmptyTableGivesTheSameRecords()
    {
        auto records = goldenRecords();
        records.push_back(level("lone", "Lone line break characters"));
        records.back()[Field::Beschreibung] = QStringLiteral("a\rb\nc");
        LevelTable& source = openTable(records, QStringLiteral("source.DB"));
        LevelListTransfer(source).exportFile(path("list.txt"));
        std::vector<QStringList> exported;
        for (int i = 0; i < source.recordCount(); ++i)
            exported.push_back(texts(source, i));

        LevelTable& target = openTable({});
        LevelListTransfer(target).importFile(path("list.txt"));
        QCOMPARE(target.recordCount(), int(exported.size()));
        for (int i = 0; i < target.recordCount(); ++i)
            QCOMPARE(texts(target, i), exported[size_t(i)]);
        // Empty flags stay empty and are written as empty lines again.
        LevelListTransfer(target).exportFile(path("again.txt"));
        QCOMPARE(contents(path("again.txt")), contents(path("list.txt")));
    }

    void reimportingAnExportAddsNothing()
    {
        LevelTable& table = openTable({level("a", "Eins"), level("b", "Zwei"), level("c", "Drei")});
        LevelListTransfer(table).exportFile(path("list.txt"));
        table.first();
        LevelListTransfer(table).importFile(path("list.txt"));
        QCOMPARE(names(table), (QStringList{"a", "b", "c"}));
        QCOMPARE(table.text(Field::Datei), QStringLiteral("c"));
        QCOMPARE(table.state(), Dataset::State::Browse);
    }

    void import_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("namesAfter");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("current");

        // The table holds "q2dm1" and "q2dm5" before each import.
        const QByteArray two = group("new1") + group("new2");
        QByteArray lfOnly = two;
        lfOnly.replace("\r\n", "\n");
        QByteArray crOnly = two;
        crOnly.replace("\r\n", "\r");
        QByteArray noLastEnding = two;
        noLastEnding.chop(2);
        noLastEnding += "Wahr";
        const QByteArray twenty = "abcdefghijklmnopqrst";

        QTest::newRow("CR LF") << two << QStringList{"new1", "new2", "q2dm1", "q2dm5"} << "" << "new2";
        QTest::newRow("LF only") << lfOnly << QStringList{"new1", "new2", "q2dm1", "q2dm5"} << "" << "new2";
        QTest::newRow("CR only") << crOnly << QStringList{"new1", "new2", "q2dm1", "q2dm5"} << "" << "new2";
        QTest::newRow("last line without ending") << noLastEnding << QStringList{"new1", "new2", "q2dm1", "q2dm5"} << "" << "new2";
        QTest::newRow("NUL ends the text") << group("new1") + '\0' + group("new2")
                                           << QStringList{"new1", "q2dm1", "q2dm5"} << "" << "new1";
        QTest::newRow("27 lines") << two + "orphan\r\n" << QStringList{"new1", "new2", "q2dm1", "q2dm5"}
                                  << "Der Index der Liste überschreitet das Maximum (1)" << "new2";
        QTest::newRow("one extra empty line") << two + "\r\n" << QStringList{"new1", "new2", "q2dm1", "q2dm5"}
                                              << "Der Index der Liste überschreitet das Maximum (1)" << "new2";
        QTest::newRow("an incomplete group after a present one")
            << group("q2dm1") + "q2dm5\r\n" << QStringList{"q2dm1", "q2dm5"}
            << "Der Index der Liste überschreitet das Maximum (1)" << "q2dm1";
        QTest::newRow("last group present") << group("new1") + group("q2dm1") << QStringList{"new1", "q2dm1", "q2dm5"}
                                            << "" << "q2dm1";
        QTest::newRow("a name twice: the first group wins")
            << group("new1", "1") + group("new1", "x") << QStringList{"new1", "q2dm1", "q2dm5"} << "" << "new1";
        QTest::newRow("other letter case is another name, refused by the key")
            << group("new1") + group("Q2DM5") + group("new2") << QStringList{"new1", "q2dm1", "q2dm5"}
            << "Schlüsselverletzung: Datei-Name 'Q2DM5'" << "new1";
        QTest::newRow("20 characters: stored as 15") << group(twenty) << QStringList{"abcdefghijklmno", "q2dm1", "q2dm5"}
                                                     << "" << "abcdefghijklmno";
        QTest::newRow("20 characters: refused when the 15 are taken")
            << group(twenty) + group(twenty.left(15) + "xyzzy") << QStringList{"abcdefghijklmno", "q2dm1", "q2dm5"}
            << "Schlüsselverletzung: Datei-Name 'abcdefghijklmno'" << "abcdefghijklmno";
        const QByteArray longest(LevelList::kMaxLineLength, 'd');
        QTest::newRow("a description as long as a line may be") << groupWithDescription("new1", longest)
                                                                 << QStringList{"new1", "q2dm1", "q2dm5"} << "" << "new1";
        QTest::newRow("a description line too long stops at its line")
            << group("new1") + groupWithDescription("new2", longest + "<CR>") + group("new3")
            << QStringList{"new1", "q2dm1", "q2dm5"} << "Der Index der Liste überschreitet das Maximum (19)" << "new1";
        QTest::newRow("bad number in the third group")
            << two + group("new3", "zwei") + group("new4") << QStringList{"new1", "new2", "q2dm1", "q2dm5"}
            << "'zwei' ist kein gültiger Integerwert für Feld 'Min Player'" << "new2";
        QTest::newRow("number out of range")
            << group("new1", "40000") << QStringList{"q2dm1", "q2dm5"}
            << "40000 ist kein gültiger Wert für das Feld 'Min Player'. Der zulässige Bereich ist  -32768 bis 32767" << "q2dm1";
        QTest::newRow("bad flag text") << group("new1", "2", "ja") << QStringList{"q2dm1", "q2dm5"}
                                       << "'ja' ist kein gültiger boolescher Wert für Feld 'Quad'" << "q2dm1";
        QTest::newRow("empty Datei") << group("") << QStringList{"q2dm1", "q2dm5"} << "Feld 'Datei' muß einen Wert haben"
                                     << "q2dm1";
        QTest::newRow("empty Level") << group("new1", "2", "", "") << QStringList{"q2dm1", "q2dm5"}
                                     << "Feld 'Level' muß einen Wert haben" << "q2dm1";
    }
    void import()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, namesAfter);
        QFETCH(QString, error);
        QFETCH(QString, current);

        LevelTable& table = openTable({level("q2dm1", "The Edge"), level("q2dm5", "The Frag Pipe")});
        put(path("list.txt"), file);
        const QString message = errorOf([&] { LevelListTransfer(table).importFile(path("list.txt")); });
        QVERIFY2(error.isEmpty() ? message.isEmpty() : message.startsWith(error), qPrintable(message));
        QCOMPARE(names(table), namesAfter);
        QCOMPARE(table.text(Field::Datei), current);
        QCOMPARE(table.state(), Dataset::State::Browse);
        QVERIFY(!table.controlsDisabled());

        // What the table shows is what the file holds, stop or not.
        table.close();
        table.open();
        QCOMPARE(names(table), namesAfter);
    }

    // Records out of key order land all over the table; a stop late in the
    // list keeps every record before it, in memory and in the file.
    void aShuffledListKeepsEveryRecordBeforeAStop()
    {
        LevelTable& table = openTable({level("m500", "Present")});
        std::mt19937 random(3);
        QStringList names;
        for (int i = 0; i < 3000; ++i)
            names << QStringLiteral("m%1").arg(i);
        std::shuffle(names.begin(), names.end(), random);
        QByteArray file;
        for (const QString& name : names)
            file += group(name.toLatin1());
        file += group("bad", "zwei") + group("after");
        put(path("list.txt"), file);

        QVERIFY(errorOf([&] { LevelListTransfer(table).importFile(path("list.txt")); }).startsWith(QStringLiteral("'zwei'")));
        QCOMPARE(table.text(Field::Datei), names.last());
        std::sort(names.begin(), names.end());
        QCOMPARE(::names(table), names);
        QCOMPARE(table.textAt(table.indexOfKey(QStringLiteral("m500")), Field::Level), QStringLiteral("Present"));
        table.close();
        table.open();
        QCOMPARE(::names(table), names);
    }

    // The import writes through a rollback journal and hands the file back to
    // the log whether it ends or stops; another SQLite program reads the
    // texts as they were in the list, every Windows-1252 character included.
    void anImportLeavesTheFileInTheLogWithItsTextsStored()
    {
        QByteArray high;
        for (int b = 0x80; b < 0x100; ++b)
            high += char(b);
        for (const bool stop : {false, true}) {
            LevelTable& table = openTable({level("present")});
            put(path("list.txt"), groupWithDescription("new1", high) + group("new2", "2", "Wahr", high.left(50))
                                      + (stop ? group("bad", "zwei") : QByteArray()));
            QCOMPARE(errorOf([&] { LevelListTransfer(table).importFile(path("list.txt")); }).isEmpty(), !stop);
            QVERIFY(!QFile::exists(path("maps.DB-journal")));
            table.appendRecord(level("after"));
            table.close();

            sqlite3* raw = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(path("maps.DB")).constData(), &raw), SQLITE_OK);
            const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
            const auto text = [&](const char* sql) {
                sqlite3_stmt* stmt = nullptr;
                sqlite3_prepare_v2(db.get(), sql, -1, &stmt, nullptr);
                const QString result = sqlite3_step(stmt) == SQLITE_ROW
                    ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) : QStringLiteral("(none)");
                sqlite3_finalize(stmt);
                return result;
            };
            QCOMPARE(text("PRAGMA journal_mode"), QStringLiteral("wal"));
            QCOMPARE(text("SELECT count(*) FROM maps"), QStringLiteral("4"));
            QCOMPARE(text("SELECT \"Beschreibung\" FROM maps WHERE \"Datei\" = 'new1'"), cp1252::decode(high));
            QCOMPARE(text("SELECT \"Level\" FROM maps WHERE \"Datei\" = 'new2'"), cp1252::decode(high.left(50)));
        }
    }

    // Another file moved over the catalogue's name while the import writes:
    // the records go into the file that left, so the import is no success.
    void anImportIntoAReplacedFileSaysSo()
    {
        LevelTable& table = openTable({level("present")});
        newCatalogue(path("other.DB"), {}).reset();
        put(path("list.txt"), group("new1") + group("new2"));
        QVERIFY(::rename(QFile::encodeName(path("other.DB")).constData(), QFile::encodeName(path("maps.DB")).constData()) == 0);
        QCOMPARE(errorOf([&] { LevelListTransfer(table).importFile(path("list.txt")); }),
                 QStringLiteral("maps.DB wurde während des Schreibens ersetzt; die Level wurden nicht gespeichert"));
    }

    // A program that dies in the middle of an import, between commits, leaves
    // the table as its last commit left it, whole and ready for the next open.
    void aCrashDuringAnImportLeavesTheTableWhole()
    {
        openTable({level("present")});
        m_table.reset();
        QByteArray file;
        for (int i = 0; i < 3000; ++i)
            file += group("m" + QByteArray::number(i));
        put(path("list.txt"), file);
        const pid_t child = ::fork();
        if (child == 0) {
            LevelTable table;
            table.setFileName(path("maps.DB"));
            table.open();
            LevelListTransfer(table, [](int done, int) {
                if (done == 2000)
                    ::_exit(0);
            }).importFile(path("list.txt"));
            ::_exit(1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QVERIFY(QFile::exists(path("maps.DB-journal")));

        LevelTable& table = *(m_table = std::make_unique<LevelTable>());
        table.setFileName(path("maps.DB"));
        table.open();
        QCOMPARE(names(table), QStringList{"present"});
        LevelListTransfer(table).importFile(path("list.txt"));
        QCOMPARE(table.recordCount(), 3001);
        table.close();
        table.open();
        QCOMPARE(table.recordCount(), 3001);
    }

    void importedValuesGoThroughTheTextForms()
    {
        LevelTable& table = openTable({});
        put(path("list.txt"), "lvl\r\nName\r\nctf\r\n-3\r\n\r\nzwei<CR><LF>Zeilen\r\nw\r\nFALSCH\r\n\r\nf\r\nWahr\r\n\r\n\r\n");
        LevelListTransfer(table).importFile(path("list.txt"));
        QCOMPARE(texts(table, 0), (QStringList{"lvl", "Name", "ctf", "-3", "", "zwei\r\nZeilen", "Wahr", "Falsch", "", "Falsch",
                                               "Wahr", "", ""}));
    }

    void anUnreadableFileImportsNothing()
    {
        LevelTable& table = openTable({level("a")});
        const QString missing = path("missing.txt");
        QCOMPARE(errorOf([&] { LevelListTransfer(table).importFile(missing); }),
                 QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(missing));
        QCOMPARE(errorOf([&] { LevelListTransfer(table).importFile(m_dir.path()); }),
                 QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(m_dir.path()));
        QCOMPARE(names(table), QStringList{"a"});
    }

    void aFailedExportLeavesTheOldFileWhole_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("write-protected file") << "file";
        QTest::newRow("write-protected file in a write-protected folder") << "folder";
        QTest::newRow("full disk") << "disk";
    }
    void aFailedExportLeavesTheOldFileWhole()
    {
        QFETCH(QString, obstacle);
        std::vector<QStringList> records;
        for (int i = 0; i < 500; ++i)
            records.push_back(level(QStringLiteral("lvl%1").arg(i, 3, 10, QChar(u'0'))));
        LevelTable& table = openTable(records);
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("out")));
        const QString folder = path(QStringLiteral("out"));
        const QString target = folder + QStringLiteral("/list.txt");
        const QByteArray old = group("old");
        put(target, old);

        if (obstacle == QLatin1String("disk")) {
            // A file size limit stands in for a full disk; the child keeps the limit to itself.
            const pid_t child = ::fork();
            if (child == 0) {
                struct rlimit limit {4096, 4096};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                const QString message = errorOf([&] { LevelListTransfer(table).exportFile(target); });
                ::_exit(message == QLatin1String("Stream-Write-Fehler") && !table.controlsDisabled() ? 0 : 1);
            }
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status));
            QCOMPARE(WEXITSTATUS(status), 0);
        } else {
            QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0444), 0);
            if (obstacle == QLatin1String("folder"))
                QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
            const QString message = errorOf([&] { LevelListTransfer(table).exportFile(target); });
            (void)::chmod(QFile::encodeName(folder).constData(), 0755);
            (void)::chmod(QFile::encodeName(target).constData(), 0644);
            QCOMPARE(message, QStringLiteral("Datei %1 kann nicht erstellt werden").arg(target));
            QVERIFY(!table.controlsDisabled());
            QCOMPARE(table.recNo(), 500);
        }
        QCOMPARE(contents(target), old);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"list.txt"});
    }
};

QTEST_GUILESS_MAIN(LevelListTransferTest)
#include "levelListTransferTest.moc"
