#pragma once

#include <QString>

#include <functional>

namespace tolvex {

class LevelTable;

// Creates the level table file `path`: built under a temporary name beside
// it, opened as the program opens it, handed to `fill` (when given) and
// linked into place only at the end. An existing file is never replaced and
// a failure leaves neither a half-made table nor a temporary file behind.
// Throws "Datei %s ist schon vorhanden und wird nicht überschrieben" or
// "Datei %s kann nicht erstellt werden".
void createCatalogue(const QString& path, const std::function<void(LevelTable&)>& fill = {});

} // namespace tolvex
