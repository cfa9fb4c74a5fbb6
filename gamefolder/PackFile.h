#pragma once

#include "gamefolder/ByteSource.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

namespace tolvex {

// One file inside a Quake 2 package (.pak, "PACK"): its name as stored and
// where its bytes are.
struct PackEntry {
    QByteArray name;
    qint64 offset = 0;
    qint64 size = 0;
};

struct PackDirectory {
    std::vector<PackEntry> entries; // in directory order, those the caller kept
    int outside = 0;                // kept names whose bytes lie (partly) outside the file
};

// The header is "PACK", the directory's offset and length (little-endian
// 32-bit); each directory entry is a name of 56 bytes (NUL-padded, or all 56
// used), the file's offset and size. Nothing when the file is no package or its
// directory does not fit inside it. The directory is read in pieces, and only
// the entries whose names keep() accepts are held, so a directory of millions
// of entries costs its reading, not memory.
[[nodiscard]] std::optional<PackDirectory> readPackDirectory(ByteSource& source,
                                                             const std::function<bool(const QByteArray&)>& keep);

inline constexpr int kPackNameSize = 56;
inline constexpr int kPackEntrySize = 64;
inline constexpr int kPackHeaderSize = 12;

} // namespace tolvex
