// Export and import of level lists at each catalogue size, next to the
// sqlite3 shell doing the same work on the same rows and schema.

#include "bench/BenchData.h"
#include "tests/support/ChildProcess.h"
#include "bench/Registration.h"
#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelTable.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <stdexcept>
#include <vector>

using namespace tolvex;
using namespace tolvex::bench;
using tolvex::test::runProgram;

namespace {

bool runShell(const QStringList& commands)
{
    return runProgram(QStringLiteral("sqlite3"), QStringList{QStringLiteral("-batch")} + commands, test::Streams::Output).succeeded();
}

// The level list our export writes, made once per size.
const QString& levelListFile(int count)
{
    static std::map<int, QString> made;
    auto found = made.find(count);
    if (found == made.end()) {
        const QString path = workPath(QStringLiteral("levels-%1.txt").arg(count));
        LevelTable table;
        table.setFileName(catalogueCopy(QStringLiteral("list-source"), count));
        table.open();
        LevelListTransfer(table).exportFile(path);
        found = made.emplace(count, path).first;
    }
    return found->second;
}

QStringList selectCommands(const char* mode, const QString& output)
{
    return {QStringLiteral(".mode %1").arg(QLatin1String(mode)), QStringLiteral(".output '%1'").arg(output),
            QStringLiteral("SELECT * FROM maps ORDER BY \"Datei\"")};
}

// The same rows as CSV, the form the shell's .import reads back whole,
// line breaks in descriptions included. Made once per size.
const QString& csvFile(int count)
{
    static std::map<int, QString> made;
    auto found = made.find(count);
    if (found == made.end()) {
        const QString path = workPath(QStringLiteral("levels-%1.csv").arg(count));
        if (!runShell(QStringList{catalogueCopy(QStringLiteral("csv-source"), count)} + selectCommands("csv", path)))
            throw std::runtime_error("the sqlite3 shell could not write the CSV file");
        found = made.emplace(count, path).first;
    }
    return found->second;
}

// Splits CSV text into its rows, each with its line ending; a line break
// inside quotes (a description's) stays in its row.
std::vector<QByteArrayView> csvRows(QByteArrayView text)
{
    std::vector<QByteArrayView> rows;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == '\n' && !quoted) {
            rows.push_back(text.sliced(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < text.size())
        rows.push_back(text.sliced(start));
    return rows;
}

// The level list's groups of thirteen lines; the description is escaped, so
// every line of the export ends in CR LF.
std::vector<QByteArrayView> listGroups(QByteArrayView text)
{
    std::vector<QByteArrayView> groups;
    qsizetype start = 0;
    int lines = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && ++lines == kFieldCount) {
            groups.push_back(text.sliced(start, i + 1 - start));
            start = i + 1;
            lines = 0;
        }
    }
    return groups;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("a benchmark file could not be read");
    return file.readAll();
}

void writeShuffled(const QString& path, const std::vector<QByteArrayView>& parts, const std::vector<size_t>& order)
{
    QByteArray bytes;
    for (const size_t i : order)
        bytes += parts[i];
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("a shuffled file could not be written");
}

// The level list and the CSV of the same records in one random order (the
// same seed every run), for the import of a list that is not in key order.
struct ShuffledFiles {
    QString list;
    QString csv;
};

const ShuffledFiles& shuffledFiles(int count)
{
    static std::map<int, ShuffledFiles> made;
    auto found = made.find(count);
    if (found == made.end()) {
        const QByteArray list = fileBytes(levelListFile(count));
        const QByteArray csv = fileBytes(csvFile(count));
        const std::vector<QByteArrayView> groups = listGroups(list);
        const std::vector<QByteArrayView> rows = csvRows(csv);
        if (groups.size() != size_t(count) || rows.size() != size_t(count))
            throw std::runtime_error("the level list and the CSV file do not hold the same records");
        std::vector<size_t> order(static_cast<size_t>(count));
        std::iota(order.begin(), order.end(), size_t(0));
        std::shuffle(order.begin(), order.end(), std::mt19937(22));
        ShuffledFiles files{workPath(QStringLiteral("shuffled-%1.txt").arg(count)), workPath(QStringLiteral("shuffled-%1.csv").arg(count))};
        writeShuffled(files.list, groups, order);
        writeShuffled(files.csv, rows, order);
        found = made.emplace(count, files).first;
    }
    return found->second;
}

// .import stores empty texts where the schema wants NULL and would break its
// checks, so the rows go through a staging table as the shell's users do.
QStringList shellImport(const QString& db, const QString& csv, bool ignoreExisting)
{
    QStringList columns;
    QStringList values;
    for (int col = 1; col <= kFieldCount; ++col) {
        columns << QStringLiteral("c%1").arg(col);
        values << QStringLiteral("nullif(c%1, '')").arg(col);
    }
    return {db, QStringLiteral("CREATE TEMP TABLE staging(%1)").arg(columns.join(u',')),
            QStringLiteral(".import --csv '%1' staging").arg(csv),
            QStringLiteral("INSERT %1 INTO maps SELECT %2 FROM staging")
                .arg(ignoreExisting ? QStringLiteral("OR IGNORE") : QString(), values.join(u','))};
}

void BM_Export(benchmark::State& state)
{
    const int count = int(state.range(0));
    LevelTable table;
    table.setFileName(catalogueCopy(QStringLiteral("export"), count));
    table.open();
    const QString target = workPath(QStringLiteral("export.txt"));
    for (auto _ : state)
        LevelListTransfer(table).exportFile(target);
    state.counters["bytes"] = double(QFile(target).size());
}
TOLVEX_BENCHMARK(BM_Export)->Apply(atEverySize)->Unit(benchmark::kMillisecond);

void BM_ExportPeer(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QString db = catalogueCopy(QStringLiteral("export-peer"), count);
    const QStringList commands = QStringList{db} + selectCommands("list", workPath(QStringLiteral("export-peer.txt")));
    for (auto _ : state) {
        if (!runShell(commands)) {
            state.SkipWithError("the sqlite3 shell failed");
            break;
        }
    }
}
TOLVEX_BENCHMARK(BM_ExportPeer)->Apply(atEverySize)->Unit(benchmark::kMillisecond);

void importIntoEmpty(benchmark::State& state, const QString& list)
{
    const int count = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto table = std::make_unique<LevelTable>();
        table->setFileName(emptyCatalogue(QStringLiteral("import.DB")));
        table->open();
        state.ResumeTiming();
        LevelListTransfer(*table).importFile(list);
        state.PauseTiming();
        if (table->recordCount() != count)
            state.SkipWithError("the import lost records");
        table.reset();
        state.ResumeTiming();
    }
}

void shellImportIntoEmpty(benchmark::State& state, const QString& csv)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QStringList commands = shellImport(emptyCatalogue(QStringLiteral("import-peer.DB")), csv, false);
        state.ResumeTiming();
        if (!runShell(commands)) {
            state.SkipWithError("the sqlite3 shell failed");
            break;
        }
    }
}

void BM_ImportEmpty(benchmark::State& state)
{
    importIntoEmpty(state, levelListFile(int(state.range(0))));
}
TOLVEX_BENCHMARK(BM_ImportEmpty)->Apply(atEverySize)->Unit(benchmark::kMillisecond);

void BM_ImportEmptyPeer(benchmark::State& state)
{
    shellImportIntoEmpty(state, csvFile(int(state.range(0))));
}
TOLVEX_BENCHMARK(BM_ImportEmptyPeer)->Apply(atEverySize)->Unit(benchmark::kMillisecond);

// The same records in random order: each lands somewhere in the middle.
void BM_ImportShuffled(benchmark::State& state)
{
    importIntoEmpty(state, shuffledFiles(int(state.range(0))).list);
}
TOLVEX_BENCHMARK(BM_ImportShuffled)->Apply(atEverySize)->Unit(benchmark::kMillisecond);

void BM_ImportShuffledPeer(benchmark::State& state)
{
    shellImportIntoEmpty(state, shuffledFiles(int(state.range(0))).csv);
}
TOLVEX_BENCHMARK(BM_ImportShuffledPeer)->Apply(atEverySize)->Unit(benchmark::kMillisecond);

// Every record of the list is already stored: nothing is appended.
void BM_ImportAgain(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QString& list = levelListFile(count);
    LevelTable table;
    table.setFileName(catalogueCopy(QStringLiteral("reimport"), count));
    table.open();
    for (auto _ : state)
        LevelListTransfer(table).importFile(list);
    if (table.recordCount() != count)
        state.SkipWithError("the import added records that were stored");
}
TOLVEX_BENCHMARK(BM_ImportAgain)->Apply(atEverySize)->Unit(benchmark::kMillisecond);

void BM_ImportAgainPeer(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QStringList commands = shellImport(catalogueCopy(QStringLiteral("reimport-peer"), count), csvFile(count), true);
    for (auto _ : state) {
        if (!runShell(commands)) {
            state.SkipWithError("the sqlite3 shell failed");
            break;
        }
    }
}
TOLVEX_BENCHMARK(BM_ImportAgainPeer)->Apply(atEverySize)->Unit(benchmark::kMillisecond);

} // namespace
