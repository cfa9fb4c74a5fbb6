#pragma once

#include "gamefolder/MapRecord.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tolvex {

class BulkAppends;
class DisplaySuspension;
class LevelTable;
class MapReadAhead;
struct GameMap;
struct GameMaps;

// What taking levels from the game folder did, for the summary box.
struct GameLevelsAdded {
    int added = 0;
    int present = 0; // names the catalogue held already
    int skipped = 0; // maps the scan or the reading could not use
};

// Reads a map's record, or nothing when the map cannot be used.
using ReadMapRecord = std::function<std::optional<MapRecord>(const GameMap&)>;
// Hears the maps handled so far, of how many.
using GameLevelsProgress = std::function<void(int done, int total)>;

// The maps of the data folders of the game konfig.ini names (dataFolders),
// for marking which catalogued levels are installed; nothing when they hold
// no map at all, since then nothing is known about any level.
[[nodiscard]] std::optional<GameMaps> installedMaps();

// The same folders, to add the levels of. Throws TolvexError naming every
// folder looked at when none of them exists.
[[nodiscard]] QStringList gameDataFoldersToAdd();

// Appends a record for every found map whose name the table does not hold
// yet, compared like the key; stored records are never changed, and maps of
// stored names are not even read. Appends the way an import does: the
// display suspended, the records committed in batches, a refused record
// stopping the run with the table's error and keeping every record before
// it. The last record added becomes current; with none added nothing moves.
//
// The work is done in slices, so that the caller can keep a window alive in
// between: each step() works until the time given and returns; the table is
// only touched within step() and finish(), on the caller's thread.
class GameLevelAppends {
public:
    // Without read, the maps are read from the files the scan found, on a
    // thread of their own a stretch ahead of the appends. The maps must
    // outlive this.
    GameLevelAppends(LevelTable& table, const GameMaps& maps, ReadMapRecord read = {});
    ~GameLevelAppends();
    GameLevelAppends(const GameLevelAppends&) = delete;
    GameLevelAppends& operator=(const GameLevelAppends&) = delete;

    // Works until the time given or until every map is handled; false once
    // every map is. What the table throws is thrown here, after the records
    // before it are committed.
    bool step(std::chrono::steady_clock::time_point until);
    // Commits the appends so far and shows the result, whether every map was
    // handled or the caller stops early; no step after it, a second call does nothing.
    void finish();

    [[nodiscard]] int done() const { return m_next; }
    [[nodiscard]] int total() const;
    [[nodiscard]] const GameLevelsAdded& result() const { return m_result; }

private:
    bool findHeldNames(std::chrono::steady_clock::time_point until);
    void startReading();

    LevelTable& m_table;
    const GameMaps& m_maps;
    ReadMapRecord m_read;
    std::vector<bool> m_held; // whether the table holds the map's name, found in slices too
    std::unique_ptr<DisplaySuspension> m_suspension;
    std::unique_ptr<BulkAppends> m_bulk;
    std::unique_ptr<MapReadAhead> m_ahead;
    int m_next = 0;
    GameLevelsAdded m_result;
};

// The whole run at once, telling the progress between slices.
GameLevelsAdded addGameLevels(LevelTable& table, const GameMaps& maps, const ReadMapRecord& read,
                              const GameLevelsProgress& progress = {});
// The same, reading the maps from the files the scan found.
GameLevelsAdded addGameLevels(LevelTable& table, const GameMaps& maps, const GameLevelsProgress& progress = {});

} // namespace tolvex
