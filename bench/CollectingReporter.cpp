#include "bench/CollectingReporter.h"

namespace tolvex::bench {

void CollectingReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        // With repetitions only their aggregates arrive; the median stands for them.
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
            continue;
        std::string key = run.run_name.function_name;
        if (!run.run_name.args.empty())
            key += '/' + run.run_name.args;
        Measured& measured = m_results[key];
        if (run.error_occurred) {
            measured.error = run.error_message.empty() ? "skipped" : run.error_message;
        } else {
            measured.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            for (const auto& [name, counter] : run.counters)
                measured.counters[name] = counter.value;
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

} // namespace tolvex::bench
