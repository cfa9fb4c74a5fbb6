#pragma once

#include "gamefolder/MapGeometry.h"

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tolvex {

// Draws plans and encodes them as JPEG files on threads of their own, while
// the caller reads the next maps and saves the plans already made, in the
// order the maps were given. The plans of a batch share nothing, so they are
// made side by side; only a few at a time, since each holds a map's geometry
// and a picture. Going out of scope drops what was not taken and waits for
// the plans being drawn.
class PlanWorkers {
public:
    struct Plan {
        bool drawn = false; // false for a map with no geometry or nothing to draw
        QByteArray jpeg;    // empty when the picture could not be encoded
    };

    // At most this many threads; at least one.
    explicit PlanWorkers(int threads);
    ~PlanWorkers();
    PlanWorkers(const PlanWorkers&) = delete;
    PlanWorkers& operator=(const PlanWorkers&) = delete;

    // Whether as many plans are on their way as may be: take one first.
    [[nodiscard]] bool full() const { return m_given.size() >= m_window; }
    [[nodiscard]] bool empty() const { return m_given.empty(); }
    // Hands over the geometry of the next map, or nothing for a map that could not be read.
    void add(std::optional<MapGeometry> geometry);
    // The plan of the earliest map given and not yet taken, once it is made.
    // What making it threw is thrown here.
    [[nodiscard]] Plan take();

private:
    struct Job {
        std::optional<MapGeometry> geometry; // the worker's until done
        Plan plan;                           // the worker's until done
        std::exception_ptr error;            // the worker's until done
        bool done = false;                   // under m_mutex
    };

    void run();

    const std::size_t m_window;
    std::deque<std::unique_ptr<Job>> m_given; // the caller's, in the maps' order
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job*> m_waiting;                  // given and not yet begun, under m_mutex
    bool m_stop = false;                         // under m_mutex
    std::vector<std::thread> m_threads;          // last: they start once the rest is there
};

} // namespace tolvex
