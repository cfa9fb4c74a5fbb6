#pragma once

#include "bench/BenchData.h"

#include <benchmark/benchmark.h>

namespace tolvex::bench {

// Wall-clock time throughout: several peers are child processes, whose work
// the CPU time of this process would not show. Repeated, and the summary
// takes the median.
inline void repeated(benchmark::internal::Benchmark* b)
{
    b->UseRealTime()->Repetitions(kRepetitions)->ReportAggregatesOnly();
}

inline void atEverySize(benchmark::internal::Benchmark* b)
{
    for (int size : kSizes)
        b->Arg(size);
    repeated(b);
}

} // namespace tolvex::bench
