// The memory the program needs to hold the largest catalogue: the peak of a
// process that opens it, less the peak of the same process on an empty table,
// next to the size of the level list that carries the same records.

#include "bench/BenchData.h"
#include "tests/support/ChildProcess.h"
#include "bench/Registration.h"
#include "catalogue/LevelList.h"
#include "catalogue/LevelTable.h"
#include "platform/files/TextFile.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

using namespace tolvex;
using namespace tolvex::bench;
using tolvex::test::runProgram;

namespace {

qint64 levelListBytes(const QString& path)
{
    LevelTable table;
    table.setFileName(path);
    table.open();
    QStringList lines;
    for (int i = 0; i < table.recordCount(); ++i) {
        LevelRecord record;
        for (int pos = 0; pos < kFieldCount; ++pos)
            record[size_t(pos)] = table.valueAt(i, pos);
        lines += LevelList::recordLines(record);
    }
    return joinLines(lines).size();
}

void BM_PeakMemory(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QString holder = QCoreApplication::applicationDirPath() + QStringLiteral("/holdTable");
    const QString full = catalogueCopy(QStringLiteral("memory"), count);
    const QString empty = emptyCatalogue(QStringLiteral("memory-empty.DB"));
    qint64 grown = 0;
    for (auto _ : state) {
        const test::ChildResult baseline = runProgram(holder, {empty}, test::Streams::Output);
        const test::ChildResult holding = runProgram(holder, {full}, test::Streams::Output);
        bool measured = baseline.succeeded() && holding.succeeded();
        const qint64 base = baseline.output.trimmed().toLongLong(&measured);
        const qint64 held = measured ? holding.output.trimmed().toLongLong(&measured) : 0;
        if (!measured || base <= 0 || held <= 0) {
            state.SkipWithError("the table could not be opened");
            return;
        }
        grown = held - base;
    }
    state.counters["grown_bytes"] = double(grown);
    state.counters["list_bytes"] = double(levelListBytes(full));
}
TOLVEX_BENCHMARK(BM_PeakMemory)->Arg(kLargest)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
