#include "catalogue/GameLevels.h"

#include "catalogue/BulkAppends.h"
#include "catalogue/LevelTable.h"
#include "config/Konfig.h"
#include "gamefolder/GameFolder.h"
#include "platform/DisplaySuspension.h"
#include "platform/TolvexError.h"

namespace tolvex {

std::optional<GameMaps> installedMaps()
{
    try {
        return findMaps(gameFolder(KonfigPath()));
    } catch (const TolvexError&) {
        return std::nullopt;
    }
}

GameLevelsAdded addGameLevels(LevelTable& table, const GameMaps& maps, const MapTexts& read, const GameLevelsProgress& progress)
{
    GameLevelsAdded result;
    result.skipped = maps.skipped;
    // A pending edit is finished before anything is compared with the stored names.
    table.checkBrowseMode();
    DisplaySuspension suspension(table);
    BulkAppends bulk(table);
    const int total = int(maps.maps.size());
    int done = 0;
    for (const GameMap& map : maps.maps) {
        if (table.indexOfKey(map.name) >= 0) {
            ++result.present;
        } else if (const auto texts = read(map)) {
            table.appendRecord(*texts);
            ++result.added;
        } else {
            ++result.skipped;
        }
        if (progress)
            progress(++done, total);
    }
    bulk.end();
    suspension.resume();
    return result;
}

GameLevelsAdded addGameLevels(LevelTable& table, const GameMaps& maps, const GameLevelsProgress& progress)
{
    MapReader reader;
    return addGameLevels(
        table, maps, [&reader](const GameMap& map) { return reader.levelTextsOf(map); }, progress);
}

} // namespace tolvex
