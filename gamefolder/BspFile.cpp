#include "gamefolder/BspFile.h"

#include <QtEndian>

namespace tolvex {

std::optional<QByteArray> readEntityLump(ByteSource& source)
{
    const auto header = source.read(0, kBspHeaderSize);
    if (!header || !header->startsWith("IBSP") || qFromLittleEndian<qint32>(header->constData() + 4) != kBspVersion)
        return std::nullopt;
    const qint64 offset = qFromLittleEndian<qint32>(header->constData() + 8);
    const qint64 length = qFromLittleEndian<qint32>(header->constData() + 12);
    if (length > kMaxEntityLump)
        return std::nullopt;
    auto lump = source.read(offset, length);
    if (!lump)
        return std::nullopt;
    const qsizetype end = lump->indexOf('\0');
    if (end >= 0)
        lump->truncate(end);
    return lump;
}

} // namespace tolvex
