#pragma once

#include <QString>

#include <optional>

struct sqlite3;

namespace tolvex {

// The one description of the table "maps" in a level table file: the statement
// that creates it and the test that a file's table has that shape.
class LevelSchema {
public:
    [[nodiscard]] static const char* tableName();
    [[nodiscard]] static const char* createStatement();

    // Why the file's table "maps" is not the level table (missing, other
    // columns, other order or types, another key), or nothing when it fits.
    // Reads only; errors of the engine are reported as a mismatch too.
    [[nodiscard]] static std::optional<QString> mismatch(sqlite3* db);
};

} // namespace tolvex
