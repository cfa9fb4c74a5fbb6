#pragma once

#include "bench/BenchData.h"

#include <benchmark/benchmark.h>

#include <exception>

namespace tolvex::bench {

// Wall-clock time throughout: several peers are child processes, whose work
// the CPU time of this process would not show. Repeated, and the summary
// takes the median.
inline void repeated(benchmark::internal::Benchmark* b)
{
    b->UseRealTime()->Repetitions(kRepetitions)->ReportAggregatesOnly();
}

// The same, for benchmarks that time the part of each iteration they measure.
inline void repeatedByHand(benchmark::internal::Benchmark* b)
{
    b->UseManualTime()->Repetitions(kRepetitions)->ReportAggregatesOnly();
}

inline void atEverySize(benchmark::internal::Benchmark* b)
{
    for (int size : kSizes)
        b->Arg(size);
    repeated(b);
}

// Registers a benchmark whose exceptions (a setup that fails, the program
// refusing an operation) end its own row as an error, not the whole run.
inline benchmark::internal::Benchmark* guarded(const char* name, void (*fn)(benchmark::State&))
{
    return benchmark::RegisterBenchmark(name, [fn](benchmark::State& state) {
        try {
            fn(state);
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
        }
    });
}

} // namespace tolvex::bench

// BENCHMARK(fn) through guarded().
#define TOLVEX_BENCHMARK(fn) \
    [[maybe_unused]] benchmark::internal::Benchmark* const fn##Registered = ::tolvex::bench::guarded(#fn, fn)
