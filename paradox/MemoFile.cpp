#include "paradox/MemoFile.h"

#include "paradox/ParadoxBytes.h"
#include "platform/dialogs/TolvexError.h"

#include <QIODevice>
#include <QStringList>

namespace tolvex {

namespace {

constexpr qint64 kBlockSize = 4096;
constexpr int kPointerSize = 10;
constexpr int kSingleBlob = 2;   // one memo in a run of blocks of its own
constexpr int kSubBlocks = 3;    // up to 64 small memos sharing one block
constexpr int kSubEntries = 64;
constexpr qint64 kSubTable = 12;
constexpr qint64 kSingleData = 9;

} // namespace

MemoFile::MemoFile(QIODevice* file, QString name)
    : m_file(file)
    , m_name(std::move(name))
    , m_size(file ? file->size() : 0)
{
}

void MemoFile::damaged(const QString& why) const
{
    throw TolvexError(formatMessage(QStringLiteral("Datei %s ist beschädigt: %s"), {m_name, why}));
}

// Every length is checked against the file's size before this is called.
QByteArray MemoFile::bytesAt(qint64 at, qint64 length)
{
    QByteArray bytes = paradox::readAt(*m_file, at, length);
    if (bytes.size() != length)
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht gelesen werden"), {m_name}));
    return bytes;
}

void MemoFile::checkHeader()
{
    if (m_headerChecked)
        return;
    if (m_size < kBlockSize || bytesAt(0, 1)[0] != 0)
        damaged(QStringLiteral("der Dateikopf fehlt"));
    m_headerChecked = true;
}

QByteArray MemoFile::memo(QByteArrayView field)
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
    if (!m_file)
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht geöffnet werden"), {m_name}));
    checkHeader();
    const qint64 block = qint64(where & ~0xFFu);
    const int index = int(where & 0xFFu);
    if (block < kBlockSize || block % kBlockSize != 0 || block >= m_size)
        damaged(QStringLiteral("ein Memo verweist hinter das Dateiende"));
    return index == 0xFF ? singleBlob(block, length) : subBlob(block, index, length);
}

QByteArray MemoFile::singleBlob(qint64 block, quint32 length)
{
    if (block + kSingleData > m_size)
        damaged(QStringLiteral("ein Memo reicht über das Dateiende hinaus"));
    const QByteArray head = bytesAt(block, kSingleData);
    if (head[0] != kSingleBlob)
        damaged(QStringLiteral("ein Memo verweist auf einen Block anderer Art"));
    const qint64 blocks = paradox::le16(head, 1);
    if (paradox::le32(head, 3) != length || kSingleData + qint64(length) > blocks * kBlockSize)
        damaged(QStringLiteral("die Länge eines Memos stimmt nicht mit seinem Block überein"));
    if (block + kSingleData + qint64(length) > m_size)
        damaged(QStringLiteral("ein Memo reicht über das Dateiende hinaus"));
    return bytesAt(block + kSingleData, length);
}

QByteArray MemoFile::subBlob(qint64 block, int index, quint32 length)
{
    if (block + kSubTable + kSubEntries * 5 > m_size)
        damaged(QStringLiteral("ein Memo reicht über das Dateiende hinaus"));
    const QByteArray table = bytesAt(block, kSubTable + kSubEntries * 5);
    if (index >= kSubEntries || table[0] != kSubBlocks)
        damaged(QStringLiteral("ein Memo verweist auf einen Block anderer Art"));
    const qsizetype entry = kSubTable + index * 5;
    const qint64 offset = qint64(quint8(table[entry])) * 16;
    const quint32 chunks = quint8(table[entry + 1]);
    const quint32 rest = quint8(table[entry + 4]);
    // The length is counted in 16-byte units, the last one partly used.
    const quint32 stored = rest == 0 ? chunks * 16 : (chunks - 1) * 16 + rest;
    if (chunks == 0 || rest >= 16 || stored != length)
        damaged(QStringLiteral("die Länge eines Memos stimmt nicht mit seinem Block überein"));
    if (offset < kSubTable + kSubEntries * 5 || offset + qint64(length) > kBlockSize)
        damaged(QStringLiteral("ein Memo liegt außerhalb seines Blocks"));
    if (block + offset + qint64(length) > m_size)
        damaged(QStringLiteral("ein Memo reicht über das Dateiende hinaus"));
    return bytesAt(block + offset, length);
}

} // namespace tolvex
