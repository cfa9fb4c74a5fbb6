#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace tolvex::bench {

struct Measured {
    double seconds = 0;                     // wall-clock time of one iteration
    std::map<std::string, double> counters; // as the benchmark set them
    std::string error;                      // why it was skipped, if it was
};

// Shows every run on the console as usual and keeps it for the summary, the
// median where a benchmark was repeated, keyed by the benchmark's function
// name and arguments ("BM_Export/1000").
class CollectingReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;

    [[nodiscard]] const std::map<std::string, Measured>& results() const { return m_results; }

private:
    std::map<std::string, Measured> m_results;
};

} // namespace tolvex::bench
