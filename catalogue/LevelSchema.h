#pragma once

#include "catalogue/PackedRecord.h"
#include "level/LevelFields.h"

#include <QString>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

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
    // Triggers on "maps" and views that read it count as a mismatch too:
    // whatever another program hung on the table would run or show in our name.
    [[nodiscard]] static std::optional<QString> mismatch(sqlite3* db);
    // A trigger on the table, or a view reading it, named; nothing when there is none.
    [[nodiscard]] static std::optional<QString> objectOn(sqlite3* db, const char* table);

    // Reads the thirteen columns of a row selected in field order into the
    // record; an empty text counts as an empty value. A value the field could
    // not hold (another type, out of range, too long, a BLOB, text that is no
    // valid UTF-8 or holds a character Windows-1252 lacks, a line break
    // outside the description) gives the reason, naming the field, and leaves
    // the record unfinished in the writer.
    [[nodiscard]] static std::optional<QString> readRecord(sqlite3_stmt* row, PackedRecord::Writer& record);
};

} // namespace tolvex
