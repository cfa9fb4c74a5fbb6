// Runs every benchmark of the suite, then prints the summary table. A missed
// goal is reported in the table, never as a failed run.

#include "bench/CollectingReporter.h"
#include "bench/ProgramWindows.h"
#include "bench/SummaryTable.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <iostream>

int main(int argc, char* argv[])
{
    // The window benchmarks use real widgets; they need no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;

    tolvex::bench::CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    tolvex::bench::ProgramWindows::closeAll();

    const tolvex::bench::SummaryTable summary(reporter.results());
    std::cout << '\n' << summary.text().toStdString();
    std::cout << '\n' << (summary.missed() == 0 ? std::string("Every goal met.") : std::to_string(summary.missed()) + " goal(s) missed.")
              << std::endl;
    return 0;
}
