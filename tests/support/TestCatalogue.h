#pragma once

#include "catalogue/LevelTable.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace tolvex {

// A new catalogue file at the path, any old one there removed, holding the
// records (thirteen texts each, in field order), opened on its first record.
[[nodiscard]] std::unique_ptr<LevelTable> newCatalogue(const QString& file, const std::vector<QStringList>& records = {});

// Runs the SQL statements on the file, as another SQLite program would;
// false when it cannot be opened or a statement fails.
bool runSql(const QString& file, const char* sql);

} // namespace tolvex
