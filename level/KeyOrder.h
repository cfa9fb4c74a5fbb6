#pragma once

#include <QByteArrayView>
#include <QStringView>

namespace tolvex {

// The key order of the level table: SQLite's NOCASE on UTF-8, where only the
// ASCII letters are folded and everything else compares by code point.
// Negative, zero or positive as a sorts before, with or after b. A stored key
// is given as its Windows-1252 bytes.
[[nodiscard]] int compareKeys(QStringView a, QStringView b);
[[nodiscard]] int compareKeys(QByteArrayView storedA, QByteArrayView storedB);
[[nodiscard]] int compareKeys(QByteArrayView stored, QStringView b);

} // namespace tolvex
