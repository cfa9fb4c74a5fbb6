#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>

namespace tolvex::paradox {

// Little-endian numbers of the file headers; the caller has checked the bounds.
[[nodiscard]] inline quint16 le16(QByteArrayView bytes, qsizetype at)
{
    return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8);
}

[[nodiscard]] inline quint32 le32(QByteArrayView bytes, qsizetype at)
{
    return quint32(le16(bytes, at)) | quint32(le16(bytes, at + 2)) << 16;
}

// The bytes at a place in the file, fewer where it ends or cannot be read.
// The caller has checked the length against the file's size, so that no
// claim of a damaged file makes it allocate more than the file holds.
[[nodiscard]] inline QByteArray readAt(QIODevice& file, qint64 at, qint64 length)
{
    if (!file.seek(at))
        return {};
    return file.read(length);
}

} // namespace tolvex::paradox
