// Level list export and import at 100,000 records, each next to the sqlite3
// shell doing the same with the same rows: `.mode list` output for the
// export, `.import` of a CSV file into the same schema for the import. The
// files live in a temporary folder; run on the disk the program uses.

#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelSchema.h"
#include "catalogue/LevelTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <sys/resource.h>

using namespace tolvex;

namespace {

constexpr int kRecords = 100'000;

QString inWorkDir(const char* name)
{
    static QTemporaryDir dir;
    return dir.filePath(QString::fromLatin1(name));
}

// Every field has a value, so the shell's CSV import, which knows no empty
// values, can take the same rows. Every fourth description has two lines.
const QString& levelListFile()
{
    static const QString path = [] {
        QByteArray bytes;
        for (int i = 0; i < kRecords; ++i) {
            const QByteArray n = QByteArray::number(i);
            const char* flag[] = {"Wahr", "Falsch"};
            bytes += "map" + QByteArray::number(kRecords + i) + "\r\n" + "Arena Nummer " + n + "\r\n"
                     + (i % 3 ? "DM" : "CTF") + "\r\n" + QByteArray::number(i % 4 + 1) + "\r\n"
                     + QByteArray::number(i % 12 + 4) + "\r\n" + "Beschreibung der Arena " + n
                     + (i % 4 ? QByteArray() : "<CR><LF>zweite Zeile") + "\r\n";
            for (int f = 0; f < 7; ++f)
                bytes += QByteArray(flag[(i >> f) & 1]) + "\r\n";
        }
        const QString p = inWorkDir("levels.txt");
        QFile file(p);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::abort();
        return p;
    }();
    return path;
}

QString emptyTable(const char* name)
{
    const QString path = inWorkDir(name);
    for (const char* suffix : {"", "-wal", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK
        || sqlite3_exec(db, LevelSchema::createStatement(), nullptr, nullptr, nullptr) != SQLITE_OK)
        std::abort();
    sqlite3_close(db);
    return path;
}

// The catalogue of the level list, made once by an import.
const QString& fullTable()
{
    static const QString path = [] {
        const QString p = emptyTable("full.DB");
        LevelTable table;
        table.setFileName(p);
        table.open();
        LevelListTransfer(table).importFile(levelListFile());
        if (table.recordCount() != kRecords)
            std::abort();
        return p;
    }();
    return path;
}

// CPU time of the children waited for so far: the shell's own, which the
// benchmark's CPU column cannot see. Compare it with our CPU time when the
// machine is busy and wall times wander.
double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

bool runShell(const QString& database, const QStringList& commands)
{
    QByteArray line = "sqlite3 -batch '" + QFile::encodeName(database) + "'";
    for (const QString& command : commands)
        line += " '" + command.toUtf8() + "'";
    return std::system(line.constData()) == 0;
}

int rowCount(const QString& database)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    int count = -1;
    if (sqlite3_open_v2(QFile::encodeName(database).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, "SELECT count(*) FROM maps", -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        count = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return count;
}

// The same rows as CSV, for the shell's import.
const QString& csvFile()
{
    static const QString path = [] {
        const QString p = inWorkDir("rows.csv");
        if (!runShell(fullTable(), {QStringLiteral(".mode csv"), QStringLiteral(".output ") + p,
                                    QStringLiteral("SELECT * FROM maps ORDER BY \"Datei\";")}))
            std::abort();
        return p;
    }();
    return path;
}

void BM_ExportLevelList(benchmark::State& state)
{
    LevelTable table;
    table.setFileName(fullTable());
    table.open();
    const QString out = inWorkDir("export.txt");
    for (auto _ : state)
        LevelListTransfer(table).exportFile(out);
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ExportLevelList)->Unit(benchmark::kMillisecond);

void BM_SqliteShellExport(benchmark::State& state)
{
    const QString& database = fullTable();
    const QString out = inWorkDir("shell-export.txt");
    const double cpuBefore = childCpuMs();
    for (auto _ : state) {
        if (!runShell(database, {QStringLiteral(".mode list"), QStringLiteral(".output ") + out,
                                 QStringLiteral("SELECT * FROM maps ORDER BY \"Datei\";")})) {
            state.SkipWithError("sqlite3 shell failed");
            break;
        }
    }
    state.counters["shell_cpu_ms"] = (childCpuMs() - cpuBefore) / double(state.iterations());
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SqliteShellExport)->Unit(benchmark::kMillisecond);

// What the user waits for: the table is open already, as in the program, and
// the records are on disk when the import returns. Closing (at the program's
// end) is not counted.
void BM_ImportIntoEmptyTable(benchmark::State& state)
{
    const QString& list = levelListFile();
    for (auto _ : state) {
        state.PauseTiming();
        LevelTable table;
        table.setFileName(emptyTable("import.DB"));
        table.open();
        state.ResumeTiming();
        LevelListTransfer(table).importFile(list);
        state.PauseTiming();
        table.close();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ImportIntoEmptyTable)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SqliteShellImport(benchmark::State& state)
{
    const QString& csv = csvFile();
    const double cpuBefore = childCpuMs();
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = emptyTable("shell-import.DB");
        state.ResumeTiming();
        if (!runShell(path, {QStringLiteral(".mode csv"), QStringLiteral(".import ") + csv + QStringLiteral(" maps")})) {
            state.SkipWithError("sqlite3 shell failed");
            break;
        }
    }
    state.counters["shell_cpu_ms"] = (childCpuMs() - cpuBefore) / double(state.iterations());
    if (rowCount(inWorkDir("shell-import.DB")) != kRecords)
        state.SkipWithError("the shell left rows out");
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SqliteShellImport)->Unit(benchmark::kMillisecond)->Iterations(5);

// Every group of the file is present already, as after a second import.
void BM_ImportIntoTableHoldingEveryRecord(benchmark::State& state)
{
    LevelTable table;
    table.setFileName(fullTable());
    table.open();
    const QString& list = levelListFile();
    for (auto _ : state)
        LevelListTransfer(table).importFile(list);
    if (table.recordCount() != kRecords)
        state.SkipWithError("records were added");
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ImportIntoTableHoldingEveryRecord)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
