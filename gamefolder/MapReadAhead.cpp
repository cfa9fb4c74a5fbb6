#include "gamefolder/MapReadAhead.h"

#include "platform/processes/BackgroundThread.h"

#include <utility>

namespace tolvex {

namespace {

// Enough to keep the reader busy while the caller catches up, little enough
// to hold in memory whatever the folder's size.
constexpr std::size_t kAhead = 256;

} // namespace

MapReadAhead::MapReadAhead(std::vector<const GameMap*> maps, Read read)
    : m_maps(std::move(maps)), m_read(std::move(read)), m_thread([this] { run(); })
{
}

MapReadAhead::~MapReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void MapReadAhead::run()
{
    runInBackground();
    std::exception_ptr error;
    try {
        for (const GameMap* map : m_maps) {
            std::optional<MapRecord> read = m_read(*map);
            Record record{read.has_value(), read ? *std::move(read) : MapRecord()};
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || m_ready.size() < kAhead; });
            if (m_stop)
                return;
            // The caller only waits on an empty queue; waking it for every record would cost more than the record.
            const bool wasEmpty = m_ready.empty();
            m_ready.push_back(std::move(record));
            lock.unlock();
            if (wasEmpty)
                m_changed.notify_all();
        }
    } catch (...) {
        error = std::current_exception();
    }
    {
        const std::lock_guard lock(m_mutex);
        m_error = error;
        m_finished = true;
    }
    m_changed.notify_all();
}

bool MapReadAhead::ready(std::chrono::steady_clock::time_point until)
{
    if (!m_taken.empty())
        return true;
    std::unique_lock lock(m_mutex);
    return m_changed.wait_until(lock, until, [this] { return !m_ready.empty() || m_finished; });
}

std::optional<MapRecord> MapReadAhead::next()
{
    if (m_taken.empty()) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_finished; });
        if (m_ready.empty()) {
            if (m_error)
                std::rethrow_exception(m_error);
            return std::nullopt;
        }
        const bool wasFull = m_ready.size() >= kAhead;
        m_taken.swap(m_ready);
        lock.unlock();
        if (wasFull)
            m_changed.notify_all();
    }
    Record record = std::move(m_taken.front());
    m_taken.pop_front();
    if (!record.read)
        return std::nullopt;
    return std::move(record.record);
}

} // namespace tolvex
