#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelTable.h"
#include "paradox/ParadoxConversion.h"
#include "paradox/ParadoxTable.h"
#include "platform/dialogs/TolvexError.h"
#include "tests/paradox/ParadoxSamples.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <sys/resource.h>
#include <unistd.h>

extern "C" {
#include <paradox.h>
}

using namespace tolvex;
using namespace tolvex::test;

Q_DECLARE_METATYPE(tolvex::test::ParadoxLevel)

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray exported(const QString& path)
{
    LevelTable table;
    table.setFileName(path);
    table.open();
    return LevelListTransfer(table).exportText();
}

ParadoxLevel plainLevel(const QByteArray& datei)
{
    ParadoxLevel level;
    level.datei = datei;
    level.level = "The Edge";
    level.beschreibung = QByteArray(120, 'x');
    return level;
}

// The error the conversion stops with; the folder is left as it was.
QString refusal(const QString& folder)
{
    const auto before = folderContents(folder);
    QString message;
    try {
        convertParadoxCatalogue(folder + QStringLiteral("/maps.DB"));
    } catch (const TolvexError& e) {
        message = e.message();
    }
    [&] { QCOMPARE(folderContents(folder), before); }();
    return message;
}

// Runs mkmapsdb with its memory bounded the way `ulimit -v` bounds it. Under
// AddressSanitizer, whose shadow memory alone is larger than any such limit,
// its own limit on the memory the program really uses stands in.
int mkmapsdbWithinMemory(const QStringList& arguments, rlim_t bytes, QByteArray& errors)
{
    QProcess tool;
#if defined(__SANITIZE_ADDRESS__)
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0:hard_rss_limit_mb=%1").arg(bytes >> 20));
    tool.setProcessEnvironment(env);
#else
    tool.setChildProcessModifier([bytes] {
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_AS, &limit);
    });
#endif
    tool.start(QStringLiteral(MKMAPSDB), arguments);
    if (!tool.waitForFinished(600000))
        return -1;
    errors = tool.readAllStandardError();
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

QString queryText(const QString& path, const char* sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db.get(), sql, -1, &stmt, nullptr);
    const QString result = sqlite3_step(stmt) == SQLITE_ROW ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)))
                                                            : QString();
    sqlite3_finalize(stmt);
    return result;
}

} // namespace

class ParadoxConversionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void convertsEveryFieldExactly()
    {
        const QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("maps.DB"));
        const ParadoxSample sample = thousandLevels();
        writeParadoxTable(db, sample.levels);
        writeAll(dir.filePath(QStringLiteral("maps.PX")), "primary index");
        const QByteArray oldTable = readAll(db);
        const QByteArray oldMemos = readAll(dir.filePath(QStringLiteral("maps.MB")));

        QVERIFY(isParadoxTable(db));
        convertParadoxCatalogue(db);

        QVERIFY(!isParadoxTable(db));
        QCOMPARE(exported(db), expectedExport(sample.texts));
        // The old files are kept whole, and nothing else of the table is left beside the new one.
        QCOMPARE(readAll(dir.filePath(QStringLiteral("paradox/maps.DB"))), oldTable);
        QCOMPARE(readAll(dir.filePath(QStringLiteral("paradox/maps.MB"))), oldMemos);
        QCOMPARE(readAll(dir.filePath(QStringLiteral("paradox/maps.PX"))), QByteArray("primary index"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("maps.DB")});
    }

    void mkmapsdbReadsParadoxTables()
    {
        const QTemporaryDir dir;
        const ParadoxSample sample = thousandLevels();
        writeParadoxTable(dir.filePath(QStringLiteral("old.DB")), sample.levels);
        QProcess tool;
        tool.start(QStringLiteral(MKMAPSDB), {dir.filePath(QStringLiteral("old.DB")), dir.filePath(QStringLiteral("maps.DB"))});
        QVERIFY(tool.waitForFinished(120000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(exported(dir.filePath(QStringLiteral("maps.DB"))), expectedExport(sample.texts));
    }

    // A hundred records pointing at one 4 MiB memo: read and written one at a
    // time, they fit in a gigabyte; held all at once, they did not.
    void recordsSharingOneMemoConvertWithinAMemoryLimit()
    {
        const QTemporaryDir dir;
        const QString old = dir.filePath(QStringLiteral("old.DB"));
        std::vector<ParadoxLevel> levels;
        for (int i = 0; i < 100; ++i)
            levels.push_back(plainLevel("shared" + QByteArray::number(i)));
        writeParadoxTable(old, levels);
        shareOneMemo(old, QByteArray(4 << 20, 'm'));

        QByteArray errors;
        QCOMPARE(mkmapsdbWithinMemory({old, dir.filePath(QStringLiteral("maps.DB"))}, rlim_t(1000000) * 1024, errors), 0);
        QVERIFY2(errors.isEmpty(), errors.constData());
        const QString db = dir.filePath(QStringLiteral("maps.DB"));
        QCOMPARE(queryText(db, "SELECT count(*) FROM maps WHERE length(\"Beschreibung\") = 4194304"), QStringLiteral("100"));
    }

    void decodesTheTablesCodePage()
    {
        const QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("maps.DB"));
        ParadoxLevel level = plainLevel("gr\xE1\x81n");   // "grßün" in DOS code page 850
        level.beschreibung = "\x8E\x99\x9A\r\n\xE1";          // "ÄÖÜ", a line break, "ß"
        writeParadoxTable(db, {level}, 850);
        const std::vector<QStringList> records = readParadoxFile(db);
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(records[0][0], QStringLiteral("grßün"));
        QCOMPARE(records[0][5], QStringLiteral("ÄÖÜ\r\nß"));
    }

    void detectsOnlyParadoxTables()
    {
        const QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("maps.DB"));
        writeParadoxTable(db, {plainLevel("q2dm1")});
        QVERIFY(isParadoxTable(db));
        convertParadoxCatalogue(db);
        QVERIFY(!isParadoxTable(db)); // SQLite now
        writeAll(db, "q2dm1\r\nThe Edge\r\n");
        QVERIFY(!isParadoxTable(db));
        writeAll(db, {});
        QVERIFY(!isParadoxTable(db));
        QVERIFY(!isParadoxTable(dir.filePath(QStringLiteral("missing.DB"))));
    }

    void damagedFilesStopWithNothingMoved_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qsizetype>("cutAt");       // -1: not cut
        QTest::addColumn<qsizetype>("patchAt");     // -1: not patched
        QTest::addColumn<QByteArray>("patch");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("reason");

        QTest::newRow("memo file missing") << "maps.MB" << qsizetype(0) << qsizetype(-1) << QByteArray() << "maps.MB" << "kann nicht geöffnet werden";
        QTest::newRow("memo file cut short") << "maps.MB" << qsizetype(4200) << qsizetype(-1) << QByteArray() << "maps.MB" << "ein Memo reicht über das Dateiende hinaus";
        QTest::newRow("memo block of another kind") << "maps.MB" << qsizetype(-1) << qsizetype(4096) << QByteArray("\x04") << "maps.MB" << "ein Memo verweist auf einen Block anderer Art";
        QTest::newRow("memo header gone") << "maps.MB" << qsizetype(-1) << qsizetype(0) << QByteArray("\x03") << "maps.MB" << "der Dateikopf fehlt";
        QTest::newRow("table cut in its header") << "maps.DB" << qsizetype(0x300) << qsizetype(-1) << QByteArray() << "maps.DB" << "der Dateikopf ist unvollständig";
        QTest::newRow("table cut in its records") << "maps.DB" << qsizetype(0x900) << qsizetype(-1) << QByteArray() << "maps.DB" << "die Datei ist kürzer als ihre Datensätze";
        QTest::newRow("more records than stored") << "maps.DB" << qsizetype(-1) << qsizetype(0x06) << QByteArray("\x09") << "maps.DB" << "die Zahl der Datensätze stimmt nicht mit dem Dateikopf überein";
        QTest::newRow("blocks chained in a circle") << "maps.DB" << qsizetype(-1) << qsizetype(0x800) << QByteArray("\x01\x00") << "maps.DB" << "die Kette der Datenblöcke ist unterbrochen";
        QTest::newRow("a record larger than its block") << "maps.DB" << qsizetype(-1) << qsizetype(0x00) << QByteArray("\xFF\x0F") << "maps.DB" << "ein Datensatz ist größer als ein Block";
        QTest::newRow("more fields than the header holds") << "maps.DB" << qsizetype(-1) << qsizetype(0x21) << QByteArray("\xFF\x00") << "maps.DB" << "die Felder ergeben nicht die Länge eines Datensatzes";
        QTest::newRow("a flag of no value") << "maps.DB" << qsizetype(-1) << qsizetype(0x806 + 15 + 50 + 3 + 4 + 50) << QByteArray("\x7F") << "maps.DB" << "ein logisches Feld hat den Wert 127";
    }

    void damagedFilesStopWithNothingMoved()
    {
        QFETCH(QString, file);
        QFETCH(qsizetype, cutAt);
        QFETCH(qsizetype, patchAt);
        QFETCH(QByteArray, patch);
        QFETCH(QString, named);
        QFETCH(QString, reason);
        const QTemporaryDir dir;
        writeParadoxTable(dir.filePath(QStringLiteral("maps.DB")), {plainLevel("q2dm1"), plainLevel("q2dm2")});
        const QString path = dir.filePath(file);
        QByteArray bytes = readAll(path);
        if (cutAt == 0)
            QVERIFY(QFile::remove(path));
        else if (cutAt > 0)
            writeAll(path, bytes.left(cutAt));
        if (patchAt >= 0)
            writeAll(path, bytes.replace(patchAt, patch.size(), patch));

        const QString message = refusal(dir.path());
        QVERIFY2(message.startsWith(QStringLiteral("Datei %1 ").arg(dir.filePath(named))) && message.endsWith(reason),
                 qPrintable(message));
    }

    void foreignShapesAreRefused_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<char>("type");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("why");
        QTest::newRow("a field missing") << 12 << char(0) << QByteArray() << "Feld 'BFG' fehlt";
        QTest::newRow("a number as text") << 3 << char(pxfAlpha) << QByteArray("Min Player") << "Feld 'Min Player' hat nicht die erwartete Art";
        QTest::newRow("a field of another name") << 6 << char(pxfLogical) << QByteArray("Railgun") << "Feld 7 heißt 'Railgun'";
        QTest::newRow("a field twice") << 1 << char(pxfAlpha) << QByteArray("Datei") << "Feld 'Datei' kommt zweimal vor";
    }

    void foreignShapesAreRefused()
    {
        QFETCH(int, field);
        QFETCH(char, type);
        QFETCH(QByteArray, name);
        QFETCH(QString, why);
        std::vector<ParadoxField> fields = levelFields();
        if (type == 0)
            fields.erase(fields.begin() + field);
        else
            fields[size_t(field)] = {name.constData(), type, type == pxfAlpha ? 15 : 1};
        const QTemporaryDir dir;
        writeParadoxFields(dir.filePath(QStringLiteral("maps.DB")), fields);
        QCOMPARE(refusal(dir.path()), QStringLiteral("Tabelle %1 hat nicht den erwarteten Aufbau: %2").arg(dir.filePath(QStringLiteral("maps.DB")), why));
    }

    void refusedRecordChangesNothing_data()
    {
        QTest::addColumn<ParadoxLevel>("level");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("error");
        ParadoxLevel noName = plainLevel("q2dm9");
        noName.level.clear();
        QTest::newRow("required field empty") << noName << 1252 << "Datensatz 'q2dm9': ";
        ParadoxLevel box = plainLevel("q2dm9");
        box.level = "Box \xB3 Box";
        QTest::newRow("character Windows-1252 lacks") << box << 437 << "Datensatz 'q2dm9': Feld 'Level' enthält das Zeichen '│'";
    }

    void refusedRecordChangesNothing()
    {
        QFETCH(ParadoxLevel, level);
        QFETCH(int, codePage);
        QFETCH(QString, error);
        const QTemporaryDir dir;
        writeParadoxTable(dir.filePath(QStringLiteral("maps.DB")), {plainLevel("q2dm1"), level, plainLevel("q2dm10")}, codePage);
        const QString message = refusal(dir.path());
        QVERIFY2(message.contains(error), qPrintable(message));
    }

    void anUnknownCodePageIsNamedAsUnknown()
    {
        const QTemporaryDir dir;
        writeParadoxTable(dir.filePath(QStringLiteral("maps.DB")), {plainLevel("q2dm1")}, 9999);
        QCOMPARE(refusal(dir.path()), QStringLiteral("Tabelle %1 hat nicht den erwarteten Aufbau: die Codeseite 9999 ist unbekannt")
                                          .arg(dir.filePath(QStringLiteral("maps.DB"))));
    }

    // The old files cannot be kept once the new table is built: nothing is
    // moved and the new table goes again.
    void aKeepFolderThatTakesNothingLeavesNoNewFile_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("read-only") << true;
        QTest::newRow("a link to nowhere") << false;
    }

    void aKeepFolderThatTakesNothingLeavesNoNewFile()
    {
        QFETCH(bool, readOnly);
        if (readOnly && ::geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        const QTemporaryDir dir;
        writeParadoxTable(dir.filePath(QStringLiteral("maps.DB")), {plainLevel("q2dm1")});
        const QString keep = dir.filePath(QStringLiteral("paradox"));
        if (readOnly)
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("paradox")) && QFile::setPermissions(keep, QFile::ReadOwner | QFile::ExeOwner));
        else
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), keep));
        QCOMPARE(refusal(dir.path()), QStringLiteral("Datei %1 kann nicht erstellt werden").arg(readOnly ? dir.filePath(QStringLiteral("paradox/maps.DB")) : keep));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("maps.DB.neu"))));
        if (readOnly)
            QFile::setPermissions(keep, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A table put in place of the one read, while it was converted, is not
    // overwritten by a conversion of the other.
    void aTableReplacedWhileConvertedStaysAndSaysSo()
    {
        const QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("maps.DB"));
        // Descriptions short enough to need no memo file, which stays the old one.
        ParadoxLevel first = plainLevel("q2dm1");
        ParadoxLevel second = plainLevel("q2dm2");
        first.beschreibung = second.beschreibung = "kurz";
        writeParadoxTable(db, {first});
        const ConversionLock lock(db);
        writeParadoxTable(dir.filePath(QStringLiteral("new.DB")), {second});
        QVERIFY(::rename(QFile::encodeName(dir.filePath(QStringLiteral("new.DB"))).constData(), QFile::encodeName(db).constData()) == 0);
        const QByteArray replacement = readAll(db);
        QString error;
        try {
            convertParadoxCatalogue(lock);
        } catch (const TolvexError& e) {
            error = e.message();
        }
        QCOMPARE(error, QStringLiteral("maps.DB wurde während des Schreibens ersetzt; die Level wurden nicht gespeichert"));
        QCOMPARE(readAll(db), replacement);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("maps.DB.neu"))));
    }

    void keepsAnotherTablesFilesInParadox()
    {
        const QTemporaryDir dir;
        writeParadoxTable(dir.filePath(QStringLiteral("maps.DB")), {plainLevel("q2dm1")});
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("paradox")));
        writeAll(dir.filePath(QStringLiteral("paradox/maps.MB")), "memos of an earlier table");
        QCOMPARE(refusal(dir.path()), QStringLiteral("Datei %1 ist schon vorhanden und wird nicht überschrieben")
                                          .arg(dir.filePath(QStringLiteral("paradox/maps.MB"))));
    }
};

QTEST_GUILESS_MAIN(ParadoxConversionTest)
#include "paradoxConversionTest.moc"
