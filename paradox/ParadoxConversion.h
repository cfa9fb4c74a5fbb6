#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tolvex {

class LevelTable;

// Appends the records, thirteen texts each, through the text forms in one
// bulk. A record the text forms refuse, or one they would cut, stops with its
// error, naming the table and the record; the records before it stay.
void appendParadoxRecords(LevelTable& table, const std::vector<QStringList>& records, const QString& tableName);

// Replaces the Paradox level table at the path by an SQLite level table of the
// same name holding the same records. The new table is built beside it under a
// temporary name; the Paradox files (the table, its memo file, its indexes)
// then go into the folder "paradox" beside them, and the new file takes the
// table's name. At every moment one whole catalogue is in place: until the
// rename the Paradox table with all its files, from then on the new table, the
// old files whole in "paradox". A damaged table, a refused record or a file
// of another content already in "paradox" throws with nothing moved.
void convertParadoxCatalogue(const QString& path);

} // namespace tolvex
