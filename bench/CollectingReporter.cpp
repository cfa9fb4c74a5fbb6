#include "bench/CollectingReporter.h"

namespace tolvex::bench {

void CollectingReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration)
            continue;
        std::string key = run.run_name.function_name;
        if (!run.run_name.args.empty())
            key += '/' + run.run_name.args;
        Measured& measured = m_results[key];
        if (run.error_occurred) {
            measured.error = run.error_message.empty() ? "skipped" : run.error_message;
        } else {
            measured.seconds = run.iterations > 0 ? run.real_accumulated_time / double(run.iterations) : 0;
            for (const auto& [name, counter] : run.counters)
                measured.counters[name] = counter.value;
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

} // namespace tolvex::bench
