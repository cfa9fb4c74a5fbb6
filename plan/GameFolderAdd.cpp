#include "plan/GameFolderAdd.h"

#include "catalogue/LevelTable.h"
#include "gamefolder/GameFolder.h"
#include "platform/processes/BackgroundThread.h"

namespace tolvex {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

GameFolderAdd::GameFolderAdd(LevelTable& table, const QStringList& dataFolders, const QString& screens)
    : m_table(table), m_screens(screens)
{
    m_outcome.searched = dataFolders;
    // A pending edit is finished before the scan's names are compared with the stored ones.
    m_table.checkBrowseMode();
    m_scanned = std::make_shared<GameMaps>();
    m_thread = std::thread([this, dataFolders] {
        runInBackground();
        try {
            *m_scanned = findMaps(dataFolders, [this](int found) {
                m_found.store(found, std::memory_order_relaxed);
                return !m_stop.load(std::memory_order_relaxed);
            });
        } catch (...) {
            m_threadError = std::current_exception();
        }
        m_threadDone.store(true, std::memory_order_release);
    });
}

GameFolderAdd::~GameFolderAdd()
{
    stopThread();
}

void GameFolderAdd::stopThread()
{
    m_stop.store(true);
    m_planProgress.stop.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

void GameFolderAdd::cancel()
{
    m_stop.store(true);
    m_planProgress.stop.store(true);
}

int GameFolderAdd::done() const
{
    switch (m_phase) {
    case Phase::Scan:
        return m_found.load(std::memory_order_relaxed);
    case Phase::Appends:
        return m_appends->done();
    case Phase::Plans:
        return m_planProgress.done.load(std::memory_order_relaxed);
    case Phase::Done:
        break;
    }
    return total();
}

int GameFolderAdd::total() const
{
    switch (m_phase) {
    case Phase::Scan:
        return 0;
    case Phase::Appends:
        return m_appends->total();
    case Phase::Plans:
        return int(m_plans.size());
    case Phase::Done:
        break;
    }
    return 0;
}

bool GameFolderAdd::step(std::chrono::milliseconds slice)
{
    const Clock::time_point until = Clock::now() + slice;
    if (m_stop.load() && m_phase != Phase::Done) {
        m_outcome.cancelled = true;
        stopThread();
        if (m_phase == Phase::Appends) {
            m_appends->finish();
            m_outcome.levels = m_appends->result();
        }
        if (m_phase == Phase::Plans)
            finishPlans();
        m_phase = Phase::Done;
    }
    switch (m_phase) {
    case Phase::Scan:
        if (m_threadDone.load(std::memory_order_acquire))
            finishScan();
        return true;
    case Phase::Appends:
        if (m_appends->step(until))
            return true;
        m_appends->finish();
        m_outcome.levels = m_appends->result();
        m_phase = Phase::Plans;
        return true;
    case Phase::Plans:
        if (!m_thread.joinable()) {
            if (!listPlans(until))
                return true;
            m_threadDone.store(false);
            m_thread = std::thread([this] {
                // The threads that draw the plans are made here and start as low.
                runInBackground();
                try {
                    m_outcome.plans = makePlans(m_plans, m_screens, m_planProgress);
                } catch (...) {
                    m_threadError = std::current_exception();
                }
                m_threadDone.store(true, std::memory_order_release);
            });
            return true;
        }
        if (!m_threadDone.load(std::memory_order_acquire))
            return true;
        finishPlans();
        m_phase = Phase::Done;
        return false;
    case Phase::Done:
        break;
    }
    return false;
}

void GameFolderAdd::finishScan()
{
    m_thread.join();
    if (m_threadError)
        std::rethrow_exception(std::exchange(m_threadError, nullptr));
    m_maps = std::move(m_scanned);
    m_appends = std::make_unique<GameLevelAppends>(m_table, *m_maps);
    m_phase = Phase::Appends;
}

// Which maps get a plan is asked of the table here, on its own thread; the
// plans' thread then needs nothing of it.
bool GameFolderAdd::listPlans(Clock::time_point until)
{
    const std::vector<GameMap>& maps = m_maps->maps;
    while (m_listed < maps.size()) {
        if (Clock::now() >= until)
            return false;
        if (auto plan = planToMake(m_table, maps[m_listed]))
            m_plans.push_back(*std::move(plan));
        ++m_listed;
    }
    return true;
}

void GameFolderAdd::finishPlans()
{
    if (m_thread.joinable())
        m_thread.join();
    if (m_threadError)
        std::rethrow_exception(std::exchange(m_threadError, nullptr));
}

} // namespace tolvex
