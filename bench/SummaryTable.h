#pragma once

#include "bench/CollectingReporter.h"

#include <QString>

namespace tolvex::bench {

// The suite's one table: each operation with our time, the peer's time in
// the same run, their ratio, the goal and whether it is met; then how the
// table operations grow per tenfold step of the catalogue.
class SummaryTable {
public:
    explicit SummaryTable(const std::map<std::string, Measured>& results);

    [[nodiscard]] QString text() const;
    // How many goals were missed; an operation not measured in this run is not judged.
    [[nodiscard]] int missed() const { return m_missed; }

private:
    [[nodiscard]] QString operations();
    [[nodiscard]] QString growth();
    [[nodiscard]] QString filterMemory(const Measured* memory);

    const std::map<std::string, Measured>& m_results;
    QString m_text;
    int m_missed = 0;
};

} // namespace tolvex::bench
