#pragma once

namespace tolvex {

class LevelTable;

// The start-up's open of the level table. A catalogue kept in the old
// Paradox format is offered for conversion first; when the user declines,
// the open fails as it would on any file that is no SQLite database.
void openCatalogue(LevelTable& table);

} // namespace tolvex
