#pragma once

#include <QByteArrayView>

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

} // namespace tolvex::paradox
