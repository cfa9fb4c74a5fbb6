#pragma once

#include "gamefolder/MapRecord.h"

#include <functional>
#include <optional>

namespace tolvex {

class LevelTable;
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

// The maps of the same folders, to be added. Throws TolvexError naming every
// folder looked at when none of them exists.
[[nodiscard]] GameMaps gameMapsToAdd();

// Appends a record for every found map whose name the table does not hold
// yet, compared like the key; stored records are never changed, and maps of
// stored names are not even read. Appends the way an import does: the
// display suspended, the records committed in batches, a refused record
// stopping the run with the table's error and keeping every record before
// it. The last record added becomes current; with none added nothing moves.
GameLevelsAdded addGameLevels(LevelTable& table, const GameMaps& maps, const ReadMapRecord& read,
                              const GameLevelsProgress& progress = {});
// The same, reading the maps from the files the scan found, on a thread of
// their own a stretch ahead of the appends.
GameLevelsAdded addGameLevels(LevelTable& table, const GameMaps& maps, const GameLevelsProgress& progress = {});

} // namespace tolvex
