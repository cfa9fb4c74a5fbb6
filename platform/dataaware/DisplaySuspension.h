#pragma once

namespace tolvex {

class Dataset;

// Suspends the display of a dataset's bound controls for a walk over the
// table and lifts the suspension however the walk ends, so the controls
// never stay frozen after an error.
class DisplaySuspension {
public:
    explicit DisplaySuspension(Dataset& table);
    ~DisplaySuspension();
    DisplaySuspension(const DisplaySuspension&) = delete;
    DisplaySuspension& operator=(const DisplaySuspension&) = delete;

    // Resumes now; whatever the controls throw while refreshing is passed on.
    void resume();

private:
    Dataset& m_table;
    bool m_suspended = true;
};

} // namespace tolvex
