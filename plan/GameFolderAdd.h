#pragma once

#include "catalogue/GameLevels.h"
#include "plan/PlanPictures.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

namespace tolvex {

class LevelTable;
struct GameMaps;

// Taking the levels of the game folder into the catalogue, and drawing the
// plans of the installed levels that have no picture: the scan, the appends
// of the new records, then the plans. The scan and the plans run on threads
// of their own; the table is touched only within step(), on the caller's
// thread, so that a window can keep painting between the steps. A cancel
// stops the work within a map's reading and keeps what was stored.
class GameFolderAdd {
public:
    enum class Phase { Scan, Appends, Plans, Done };

    struct Outcome {
        GameLevelsAdded levels;
        PlansMade plans; // its failure says why the plans stopped, when one could not be saved
        bool cancelled = false;
        QStringList searched; // the data folders scanned, in precedence order
    };

    // Starts the scan of the game's data folders; the plans go into the folder screens.
    GameFolderAdd(LevelTable& table, const QStringList& dataFolders, const QString& screens);
    // Stops what still runs and waits for it.
    ~GameFolderAdd();
    GameFolderAdd(const GameFolderAdd&) = delete;
    GameFolderAdd& operator=(const GameFolderAdd&) = delete;

    // Does the calling thread's part for about the time given; false once
    // the add is done. What the scan or the table throws is thrown here,
    // the records before it kept.
    bool step(std::chrono::milliseconds slice);
    // Asks every phase to stop; the next step ends the add.
    void cancel();

    [[nodiscard]] Phase phase() const { return m_phase; }
    // The count of the phase: maps found by the scan, maps handled by the
    // appends or by the plans; the total is 0 while it is not known.
    [[nodiscard]] int done() const;
    [[nodiscard]] int total() const;
    // The maps the scan found, once it is done.
    [[nodiscard]] std::shared_ptr<const GameMaps> maps() const { return m_maps; }
    [[nodiscard]] const Outcome& outcome() const { return m_outcome; }

private:
    void finishScan();
    bool listPlans(std::chrono::steady_clock::time_point until);
    void finishPlans();
    void stopThread();

    LevelTable& m_table;
    const QString m_screens;
    Phase m_phase = Phase::Scan;
    Outcome m_outcome;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_found{0};
    std::atomic<bool> m_threadDone{false};
    std::exception_ptr m_threadError; // the thread's until it is done
    std::shared_ptr<GameMaps> m_scanned;  // the scan thread's until it is done
    std::shared_ptr<const GameMaps> m_maps;
    std::unique_ptr<GameLevelAppends> m_appends;
    std::vector<PlanToMake> m_plans;
    std::size_t m_listed = 0; // maps looked at for plans
    PlanProgress m_planProgress;
    std::thread m_thread; // the scan's, then the plans'; last: it starts once the rest is there
};

} // namespace tolvex
