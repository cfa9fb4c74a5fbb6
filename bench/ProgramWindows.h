#pragma once

#include <QString>

#include <memory>

namespace tolvex {
class ScriptedDialogs;
}

namespace tolvex::bench {

// The records (1-based, in key order) that have a screenshot of their own.
constexpr int kFirstPictured = 21;
constexpr int kPictured = 8;

// The program's window set in a portable folder of its own, with the level
// table open on the largest generated catalogue: what a user has in front of
// them. Made on first use; closeAll ends it while the application still runs.
class ProgramWindows {
public:
    static ProgramWindows& instance();
    static void closeAll();

    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // The messages the program would have shown since the last call; a
    // benchmark whose program reported an error measured nothing useful.
    [[nodiscard]] QString takeErrors() const;

private:
    ProgramWindows();

    ScriptedDialogs* m_dialogs = nullptr;
    QString m_previousCurrent;

    static std::unique_ptr<ProgramWindows> s_instance;
};

} // namespace tolvex::bench
