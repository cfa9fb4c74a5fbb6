#include "paradox/MemoFile.h"

#include "paradox/ParadoxBytes.h"
#include "platform/dialogs/TolvexError.h"

#include <QStringList>

namespace tolvex {

namespace {

constexpr qsizetype kBlockSize = 4096;
constexpr int kPointerSize = 10;
constexpr int kSingleBlob = 2;   // one memo in a run of blocks of its own
constexpr int kSubBlocks = 3;    // up to 64 small memos sharing one block
constexpr int kSubEntries = 64;
constexpr qsizetype kSubTable = 12;
constexpr qsizetype kSingleData = 9;

} // namespace

MemoFile::MemoFile(std::optional<QByteArrayView> bytes, QString name)
    : m_bytes(bytes)
    , m_name(std::move(name))
{
}

void MemoFile::damaged(const QString& why) const
{
    throw TolvexError(formatMessage(QStringLiteral("Datei %s ist beschädigt: %s"), {m_name, why}));
}

QByteArray MemoFile::memo(QByteArrayView field) const
{
    const qsizetype leader = field.size() - kPointerSize;
    const quint32 where = paradox::le32(field, leader);
    const quint32 length = paradox::le32(field, leader + 4);
    if (length == 0)
        return {};
    // A memo no longer than the field's leading bytes may live in the record alone.
    if (where == 0) {
        if (length > quint32(leader))
            damaged(QStringLiteral("ein Memo ohne Verweis ist länger als sein Feld"));
        return field.first(length).toByteArray();
    }
    if (!m_bytes)
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht geöffnet werden"), {m_name}));
    if (m_bytes->size() < kBlockSize || (*m_bytes)[0] != 0)
        damaged(QStringLiteral("der Dateikopf fehlt"));
    const qsizetype block = qsizetype(where & ~0xFFu);
    const int index = int(where & 0xFFu);
    if (block < kBlockSize || block % kBlockSize != 0 || block >= m_bytes->size())
        damaged(QStringLiteral("ein Memo verweist hinter das Dateiende"));
    return index == 0xFF ? singleBlob(block, length) : subBlob(block, index, length);
}

QByteArray MemoFile::singleBlob(qsizetype block, quint32 length) const
{
    const QByteArrayView bytes = *m_bytes;
    if (block + kSingleData > bytes.size())
        damaged(QStringLiteral("ein Memo reicht über das Dateiende hinaus"));
    if (bytes[block] != kSingleBlob)
        damaged(QStringLiteral("ein Memo verweist auf einen Block anderer Art"));
    const qsizetype blocks = paradox::le16(bytes, block + 1);
    if (paradox::le32(bytes, block + 3) != length || kSingleData + qsizetype(length) > blocks * kBlockSize)
        damaged(QStringLiteral("die Länge eines Memos stimmt nicht mit seinem Block überein"));
    if (block + kSingleData + qsizetype(length) > bytes.size())
        damaged(QStringLiteral("ein Memo reicht über das Dateiende hinaus"));
    return bytes.sliced(block + kSingleData, length).toByteArray();
}

QByteArray MemoFile::subBlob(qsizetype block, int index, quint32 length) const
{
    const QByteArrayView bytes = *m_bytes;
    if (block + kSubTable + kSubEntries * 5 > bytes.size())
        damaged(QStringLiteral("ein Memo reicht über das Dateiende hinaus"));
    if (index >= kSubEntries || bytes[block] != kSubBlocks)
        damaged(QStringLiteral("ein Memo verweist auf einen Block anderer Art"));
    const qsizetype entry = block + kSubTable + index * 5;
    const qsizetype offset = qsizetype(quint8(bytes[entry])) * 16;
    const quint32 chunks = quint8(bytes[entry + 1]);
    const quint32 rest = quint8(bytes[entry + 4]);
    // The length is counted in 16-byte units, the last one partly used.
    const quint32 stored = rest == 0 ? chunks * 16 : (chunks - 1) * 16 + rest;
    if (chunks == 0 || rest >= 16 || stored != length)
        damaged(QStringLiteral("die Länge eines Memos stimmt nicht mit seinem Block überein"));
    if (offset < kSubTable + kSubEntries * 5 || offset + qsizetype(length) > kBlockSize)
        damaged(QStringLiteral("ein Memo liegt außerhalb seines Blocks"));
    if (block + offset + qsizetype(length) > bytes.size())
        damaged(QStringLiteral("ein Memo reicht über das Dateiende hinaus"));
    return bytes.sliced(block + offset, length).toByteArray();
}

} // namespace tolvex
