#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace tolvex {

// Steam's list of its libraries, steamapps/libraryfolders.vdf: Valve's
// key-value text of quoted keys, quoted values and nested { } blocks. A
// library is either a block with a "path" (today's form) or, in the old
// form, a numbered key whose value is the folder. Steam writes these files,
// but the player may have edited them, so the reader is bounded: no more
// than kMaxLibraryFile bytes are looked at, blocks nest at most kMaxVdfDepth
// deep, and anything it cannot read ends the reading with the libraries
// found so far. Backslash escapes in quoted texts are undone; texts are UTF-8.
[[nodiscard]] QStringList libraryPaths(QByteArrayView vdf);

inline constexpr qsizetype kMaxLibraryFile = 1 << 20;
inline constexpr int kMaxVdfDepth = 16;

} // namespace tolvex
