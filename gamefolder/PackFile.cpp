#include "gamefolder/PackFile.h"

#include <QtEndian>

#include <algorithm>

namespace tolvex {

namespace {

// Entries read per piece of the directory.
constexpr qint64 kEntriesPerRead = 1024;

qint32 int32At(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<qint32>(bytes.constData() + at);
}

} // namespace

std::optional<PackDirectory> readPackDirectory(ByteSource& source, const std::function<bool(const QByteArray&)>& keep)
{
    const auto header = source.read(0, kPackHeaderSize);
    if (!header || !header->startsWith("PACK"))
        return std::nullopt;
    const qint64 dirOffset = int32At(*header, 4);
    const qint64 dirLength = int32At(*header, 8);
    // The length is checked against the real size before anything is read by
    // it; a part of an entry at its end is left over, as the game reads it.
    if (dirOffset < 0 || dirLength < 0 || dirOffset > source.size() || dirLength > source.size() - dirOffset)
        return std::nullopt;

    PackDirectory directory;
    const qint64 count = dirLength / kPackEntrySize;
    for (qint64 first = 0; first < count; first += kEntriesPerRead) {
        const qint64 n = std::min(kEntriesPerRead, count - first);
        const auto piece = source.read(dirOffset + first * kPackEntrySize, n * kPackEntrySize);
        if (!piece)
            return std::nullopt;
        for (qint64 i = 0; i < n; ++i) {
            const qsizetype at = qsizetype(i * kPackEntrySize);
            const char* name = piece->constData() + at;
            const QByteArray entryName(name, qsizetype(std::find(name, name + kPackNameSize, '\0') - name));
            if (!keep(entryName))
                continue;
            const qint64 offset = int32At(*piece, at + kPackNameSize);
            const qint64 size = int32At(*piece, at + kPackNameSize + 4);
            if (offset < 0 || size < 0 || offset > source.size() || size > source.size() - offset) {
                ++directory.outside;
                continue;
            }
            directory.entries.push_back({entryName, offset, size});
        }
    }
    return directory;
}

} // namespace tolvex
