#pragma once

namespace tolvex {

class LevelTable;

// The start-up's open of the level table. A catalogue kept in the old
// Paradox format is offered for conversion first; when the user declines,
// the open fails as it would on any file that is no SQLite database. While
// another copy of the program asks about or converts the same table, this
// one stops as at a table in use.
void openCatalogue(LevelTable& table);

} // namespace tolvex
