#include "catalogue/GameLevels.h"

#include "catalogue/BulkAppends.h"
#include "catalogue/LevelTable.h"
#include "config/Konfig.h"
#include "gamefolder/GameFolder.h"
#include "gamefolder/MapReadAhead.h"
#include "platform/dataaware/DisplaySuspension.h"
#include "platform/dialogs/TolvexError.h"

#include <memory>

namespace tolvex {

namespace {

// Which maps' names the table holds already. The names of one scan differ
// under the key's comparison, so appending one never changes this for another.
std::vector<bool> heldNames(const LevelTable& table, const GameMaps& maps)
{
    // A new catalogue is filled this way first; its appends then search the keys only once each.
    if (table.recordCount() == 0)
        return std::vector<bool>(maps.maps.size(), false);
    std::vector<bool> held;
    held.reserve(maps.maps.size());
    for (const GameMap& map : maps.maps)
        held.push_back(table.indexOfKey(map.name) >= 0);
    return held;
}

// The appends, each map's record asked of read only for a name not held.
GameLevelsAdded appendLevels(LevelTable& table, const GameMaps& maps, const std::vector<bool>& held, const ReadMapRecord& read,
                             const GameLevelsProgress& progress)
{
    GameLevelsAdded result;
    result.skipped = maps.skipped;
    DisplaySuspension suspension(table);
    BulkAppends bulk(table);
    const int total = int(maps.maps.size());
    for (int i = 0; i < total; ++i) {
        const GameMap& map = maps.maps[size_t(i)];
        if (held[size_t(i)]) {
            ++result.present;
        } else if (const auto record = read(map)) {
            table.appendRecord(record->texts());
            ++result.added;
        } else {
            ++result.skipped;
        }
        if (progress)
            progress(i + 1, total);
    }
    bulk.end();
    suspension.resume();
    return result;
}

} // namespace

std::optional<GameMaps> installedMaps()
{
    try {
        return findMaps(gameFolder(KonfigPath()));
    } catch (const TolvexError&) {
        return std::nullopt;
    }
}

GameLevelsAdded addGameLevels(LevelTable& table, const GameMaps& maps, const ReadMapRecord& read, const GameLevelsProgress& progress)
{
    // A pending edit is finished before anything is compared with the stored names.
    table.checkBrowseMode();
    return appendLevels(table, maps, heldNames(table, maps), read, progress);
}

GameLevelsAdded addGameLevels(LevelTable& table, const GameMaps& maps, const GameLevelsProgress& progress)
{
    table.checkBrowseMode();
    const std::vector<bool> held = heldNames(table, maps);
    std::vector<const GameMap*> wanted;
    for (size_t i = 0; i < held.size(); ++i) {
        if (!held[i])
            wanted.push_back(&maps.maps[i]);
    }
    // The files are read on a thread of their own while the records are stored.
    const auto reader = std::make_shared<MapReader>(wanted);
    MapReadAhead ahead(std::move(wanted), [reader](const GameMap& map) { return reader->recordOf(map); });
    return appendLevels(table, maps, held, [&ahead](const GameMap&) { return ahead.next(); }, progress);
}

} // namespace tolvex
