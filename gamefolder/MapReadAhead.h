#pragma once

#include "gamefolder/MapRecord.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tolvex {

struct GameMap;

// Reads the records of maps on a thread of its own while the caller uses
// the ones already read, in the order given, so that the reading of files
// and the storing of records overlap. It reads a bounded stretch ahead, so a
// folder of many maps never holds all their records at once; going out of
// scope stops the reading and waits for the map being read.
class MapReadAhead {
public:
    using Read = std::function<std::optional<MapRecord>(const GameMap&)>;

    // The maps must outlive this; read is called on the reading thread only.
    MapReadAhead(std::vector<const GameMap*> maps, Read read);
    ~MapReadAhead();
    MapReadAhead(const MapReadAhead&) = delete;
    MapReadAhead& operator=(const MapReadAhead&) = delete;

    // The record of the next map in the given order, or nothing when it
    // cannot be read (or every map has been taken). What the reading threw
    // is thrown here, after the records read before it.
    [[nodiscard]] std::optional<MapRecord> next();
    // Waits until next() can answer without waiting, or until the time given;
    // false when the time came first.
    [[nodiscard]] bool ready(std::chrono::steady_clock::time_point until);

private:
    struct Record {
        bool read = false;
        MapRecord record;
    };

    void run();

    const std::vector<const GameMap*> m_maps;
    const Read m_read;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Record> m_ready;                     // read and not yet taken, under m_mutex
    std::exception_ptr m_error;                     // under m_mutex
    bool m_stop = false;                            // under m_mutex
    bool m_finished = false;                        // under m_mutex
    std::deque<Record> m_taken;                     // the caller's side, swapped in as a whole
    std::thread m_thread;                           // last: it starts once the rest is there
};

} // namespace tolvex
