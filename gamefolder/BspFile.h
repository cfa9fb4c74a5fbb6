#pragma once

#include "gamefolder/ByteSource.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace tolvex {

// A Quake 2 map file starts with "IBSP", version 38 and the directory of its
// 19 lumps (offset and length, little-endian 32-bit); the first lump is the
// entity text. Today's compilers and the 2023 re-release write "QBSP"
// instead: the same lumps, with wider faces and edges (and so more of them
// allowed), and perhaps a BSPX block of extra lumps after the standard ones,
// which nothing here reads.
inline constexpr int kBspVersion = 38;
inline constexpr int kBspLumpCount = 19;
inline constexpr int kBspHeaderSize = 8 + kBspLumpCount * 8;

// The game takes entity texts of up to 256 KiB; a bigger lump is still read
// up to this size, which no playable map comes near.
inline constexpr qint64 kMaxEntityLump = qint64(4) << 20;

// No map of the game needs more than a few MiB, the largest a few tens; a
// map file or package entry bigger than this is no map to read whole.
inline constexpr qint64 kMaxMapSize = qint64(64) << 20;

// A map's first read: the header and, in most maps of a few KiB, the entity
// lump with it.
inline constexpr qint64 kFirstRead = 16 * 1024;

enum class BspFormat { Ibsp, Qbsp };

// The format a map's header names, or nothing for no Quake 2 map of this version.
[[nodiscard]] std::optional<BspFormat> bspFormat(QByteArrayView header);

// Where a map's header puts its entity lump, from the map's start.
struct LumpPlace {
    qint64 offset = 0;
    qint64 length = 0;
};

// Whether two of the header's lumps that hold bytes share any of them, or one
// shares the header's own (header: kBspHeaderSize bytes at least). A map
// tool lays its lumps out one after the other; lumps that name one stretch
// again and again make a small file claim a reading many times its size.
[[nodiscard]] bool lumpsOverlap(QByteArrayView header);

// Nothing for a header of no map of this version, with lumps that overlap,
// or a lump bigger than kMaxEntityLump. Whether the lump lies inside the file is the caller's to check.
[[nodiscard]] std::optional<LumpPlace> entityLumpPlace(QByteArrayView header);

// The lump up to its first NUL, where the game stops reading it.
[[nodiscard]] QByteArrayView untilNul(QByteArrayView lump);

// The entity lump up to its first NUL, or nothing when the file is no map of
// this version or its lump lies outside it or is bigger than kMaxEntityLump.
// One read where the lump lies in the first kFirstRead bytes.
[[nodiscard]] std::optional<QByteArray> readEntityLump(ByteSource& source);

// The same from a map file open at fd, read into buffer, which is reused
// from map to map; the lump lies in it. One read where the lump lies in the
// first kFirstRead bytes; a short read marks the file's end, so its size is
// only asked for a lump that lies further on.
[[nodiscard]] std::optional<QByteArrayView> readEntityLump(int fd, QByteArray& buffer);

} // namespace tolvex
