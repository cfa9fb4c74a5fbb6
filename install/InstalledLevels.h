#pragma once

#include "catalogue/GameLevels.h"
#include "gamefolder/GameFolder.h"
#include "install/ArchiveInstall.h"

#include <vector>

namespace tolvex {

class LevelTable;

// The maps the installs brought into the data folder, as the game folder's
// scan of the folder above it finds them: their loose maps and the maps in
// their packages, each name once, in key order.
[[nodiscard]] GameMaps installedLevelMaps(const QString& dataFolder, const std::vector<ArchiveInstalled>& installs);

// Adds a record for each of those maps the table lacks, made as the game
// folder's add makes it, then completed from the archive's readme (its text
// named like the map, or its only text): the title when the map has none of
// its own, the player range, the description. Stored records are never
// changed; the last record added becomes current.
GameLevelsAdded addInstalledLevels(LevelTable& table, const GameMaps& maps, const std::vector<ArchiveInstalled>& installs,
                                   const GameLevelsProgress& progress = {});

} // namespace tolvex
