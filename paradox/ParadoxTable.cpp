#include "paradox/ParadoxTable.h"

#include "level/LevelFields.h"
#include "paradox/MemoFile.h"
#include "paradox/ParadoxBytes.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/CodePage.h"
#include "platform/files/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>

namespace tolvex {

namespace {

constexpr qsizetype kFixedHeader = 0x58;
constexpr qsizetype kExtendedHeader = 0x78;
constexpr qsizetype kBlockHead = 6;
constexpr int kMemoPointer = 10;

enum FieldType : int { Alpha = 0x01, Short = 0x03, Logical = 0x09, Memo = 0x0C };

struct Column {
    int type = 0;
    int length = 0;
    qsizetype offset = -1; // in the record
};

int expectedType(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Text: return Alpha;
    case FieldKind::SmallInt: return Short;
    case FieldKind::Boolean: return Logical;
    case FieldKind::Memo: return Memo;
    }
    return 0;
}

bool lengthFits(int type, int length)
{
    switch (type) {
    case Short: return length == 2;
    case Logical: return length == 1;
    case Memo: return length >= kMemoPointer;
    default: return length >= 1;
    }
}

class TableReader {
public:
    TableReader(QByteArrayView bytes, const QString& name) : m_bytes(bytes), m_name(name) {}

    std::vector<QStringList> read(const MemoFile& memos)
    {
        readHeader();
        readFields();
        return readRecords(memos);
    }

private:
    [[noreturn]] void damaged(const QString& why) const
    {
        throw TolvexError(formatMessage(QStringLiteral("Datei %s ist beschädigt: %s"), {m_name, why}));
    }
    [[noreturn]] void otherShape(const QString& why) const
    {
        throw TolvexError(formatMessage(QStringLiteral("Tabelle %s hat nicht den erwarteten Aufbau: %s"), {m_name, why}));
    }

    void readHeader();
    void readFields();
    void mapField(int index, const QString& name, int type, int length, qsizetype offset);
    std::vector<QStringList> readRecords(const MemoFile& memos) const;
    QStringList record(QByteArrayView raw, const MemoFile& memos) const;
    QString decoded(QByteArrayView bytes) const;

    QByteArrayView m_bytes;
    QString m_name;
    int m_recordSize = 0;
    qsizetype m_headerSize = 0;
    qsizetype m_blockSize = 0;
    quint32 m_records = 0;
    int m_firstBlock = 0;
    int m_fieldCount = 0;
    int m_version = 0;
    int m_codePage = 1252;
    std::array<Column, kFieldCount> m_columns{};
};

void TableReader::readHeader()
{
    if (!looksLikeParadoxTable(m_bytes))
        otherShape(QStringLiteral("die Datei ist keine Paradox-Tabelle"));
    m_recordSize = paradox::le16(m_bytes, 0x00);
    m_headerSize = paradox::le16(m_bytes, 0x02);
    m_blockSize = qsizetype(quint8(m_bytes[0x05])) * 1024;
    m_records = paradox::le32(m_bytes, 0x06);
    m_firstBlock = paradox::le16(m_bytes, 0x0E);
    m_fieldCount = paradox::le16(m_bytes, 0x21);
    m_version = quint8(m_bytes[0x39]);
    if (m_headerSize > m_bytes.size())
        damaged(QStringLiteral("der Dateikopf ist unvollständig"));
    // Tables of Paradox 4 and later name their code page; older ones are DOS tables.
    if (m_version >= 5) {
        if (m_headerSize < kExtendedHeader)
            damaged(QStringLiteral("der Dateikopf ist unvollständig"));
        const int codePage = paradox::le16(m_bytes, 0x6A);
        m_codePage = codePage == 0 ? 1252 : codePage;
    } else {
        m_codePage = 437;
    }
    if (m_recordSize + kBlockHead > m_blockSize)
        damaged(QStringLiteral("ein Datensatz ist größer als ein Block"));
}

void TableReader::readFields()
{
    const qsizetype types = m_version >= 5 ? kExtendedHeader : kFixedHeader;
    // After the types: a pointer to the table name, one per field name, then
    // the table name in a fixed width, then the field names.
    qsizetype at = types + 2 * m_fieldCount + 4 + 4 * m_fieldCount + (m_version >= 12 ? 261 : 79);
    if (at > m_headerSize)
        damaged(QStringLiteral("der Dateikopf ist unvollständig"));
    qsizetype offset = 0;
    for (int i = 0; i < m_fieldCount; ++i) {
        const qsizetype end = m_bytes.first(m_headerSize).indexOf('\0', at);
        if (end < 0)
            damaged(QStringLiteral("der Dateikopf ist unvollständig"));
        const int type = quint8(m_bytes[types + 2 * i]);
        const int length = quint8(m_bytes[types + 2 * i + 1]);
        mapField(i, decoded(m_bytes.sliced(at, end - at)), type, length, offset);
        offset += length;
        at = end + 1;
    }
    if (offset != m_recordSize)
        damaged(QStringLiteral("die Felder ergeben nicht die Länge eines Datensatzes"));
    for (size_t pos = 0; pos < m_columns.size(); ++pos) {
        if (m_columns[pos].offset < 0)
            otherShape(formatMessage(QStringLiteral("Feld '%s' fehlt"), {QLatin1String(kLevelFields[pos].name)}));
    }
}

void TableReader::mapField(int index, const QString& name, int type, int length, qsizetype offset)
{
    const int pos = levelFieldIndex(name);
    if (pos < 0)
        otherShape(formatMessage(QStringLiteral("Feld %d heißt '%s'"), {QString::number(index + 1), name}));
    Column& column = m_columns[size_t(pos)];
    if (column.offset >= 0)
        otherShape(formatMessage(QStringLiteral("Feld '%s' kommt zweimal vor"), {name}));
    if (type != expectedType(kLevelFields[size_t(pos)].kind) || !lengthFits(type, length))
        otherShape(formatMessage(QStringLiteral("Feld '%s' hat nicht die erwartete Art"), {name}));
    column = {type, length, offset};
}

std::vector<QStringList> TableReader::readRecords(const MemoFile& memos) const
{
    if (m_records > quint64(m_bytes.size() - m_headerSize) / quint64(m_recordSize))
        damaged(QStringLiteral("die Datei ist kürzer als ihre Datensätze"));
    std::vector<QStringList> records;
    records.reserve(m_records);
    std::vector<bool> seen;
    // The blocks are chained in key order; a chain that runs in a circle or
    // off the file is damage, as is a count that disagrees with the header.
    for (int block = m_firstBlock; block != 0;) {
        const qsizetype at = m_headerSize + qsizetype(block - 1) * m_blockSize;
        if (at + kBlockHead > m_bytes.size() || (size_t(block) < seen.size() && seen[size_t(block)]))
            damaged(QStringLiteral("die Kette der Datenblöcke ist unterbrochen"));
        seen.resize(std::max(seen.size(), size_t(block) + 1));
        seen[size_t(block)] = true;
        const int lastOffset = qint16(paradox::le16(m_bytes, at + 4));
        const int count = lastOffset < 0 ? 0 : lastOffset / m_recordSize + 1;
        if (lastOffset % m_recordSize != 0 || kBlockHead + qsizetype(count) * m_recordSize > m_blockSize
            || at + kBlockHead + qsizetype(count) * m_recordSize > m_bytes.size()
            || records.size() + size_t(count) > m_records)
            damaged(QStringLiteral("ein Datenblock ist beschädigt"));
        for (int i = 0; i < count; ++i)
            records.push_back(record(m_bytes.sliced(at + kBlockHead + qsizetype(i) * m_recordSize, m_recordSize), memos));
        block = paradox::le16(m_bytes, at);
    }
    if (records.size() != m_records)
        damaged(QStringLiteral("die Zahl der Datensätze stimmt nicht mit dem Dateikopf überein"));
    return records;
}

QStringList TableReader::record(QByteArrayView raw, const MemoFile& memos) const
{
    QStringList texts;
    texts.reserve(kFieldCount);
    for (const Column& column : m_columns) {
        const QByteArrayView field = raw.sliced(column.offset, column.length);
        switch (column.type) {
        case Short: {
            // Big-endian with the sign bit flipped, so that bytes sort as numbers; zero bytes are empty.
            const quint16 stored = quint16(quint8(field[0]) << 8 | quint8(field[1]));
            texts.push_back(stored == 0 ? QString() : QString::number(qint16(stored ^ 0x8000)));
            break;
        }
        case Logical: {
            const quint8 flag = quint8(field[0]);
            if (flag != 0 && flag != 0x80 && flag != 0x81)
                damaged(QStringLiteral("ein logisches Feld hat den Wert %1").arg(flag));
            texts.push_back(flag == 0 ? QString() : flag == 0x81 ? QStringLiteral("Wahr") : QStringLiteral("Falsch"));
            break;
        }
        case Memo:
            texts.push_back(decoded(memos.memo(field)));
            break;
        default: {
            const qsizetype end = field.indexOf('\0');
            texts.push_back(decoded(end < 0 ? field : field.first(end)));
        }
        }
    }
    return texts;
}

QString TableReader::decoded(QByteArrayView bytes) const
{
    const std::optional<QString> text = decodeCodePage(bytes, m_codePage);
    if (!text)
        damaged(QStringLiteral("ein Text passt nicht zur Codeseite %1").arg(m_codePage));
    return *text;
}

} // namespace

bool looksLikeParadoxTable(QByteArrayView head)
{
    if (head.size() < kFixedHeader || head.startsWith("SQLite format 3"))
        return false;
    const int fileType = quint8(head[0x04]);
    const int blockKb = quint8(head[0x05]);
    const int version = quint8(head[0x39]);
    return (fileType == 0 || fileType == 2) && blockKb >= 1 && blockKb <= 32 && version >= 3 && version <= 12
        && paradox::le16(head, 0x00) > 0 && paradox::le16(head, 0x02) >= kFixedHeader && paradox::le16(head, 0x21) > 0;
}

bool isParadoxTable(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return looksLikeParadoxTable(file.read(kExtendedHeader));
}

std::vector<QStringList> readParadoxTable(QByteArrayView table, std::optional<QByteArrayView> memos,
                                          const QString& tableName, const QString& memoName)
{
    return TableReader(table, tableName).read(MemoFile(memos, memoName));
}

QString paradoxCompanion(const QString& path, const QString& extension)
{
    const QFileInfo info(path);
    const QString wanted = info.completeBaseName() + u'.' + extension;
    const QString folder = path.left(path.lastIndexOf(u'/') + 1);
    if (info.dir().exists(wanted))
        return folder + wanted;
    const QStringList names = info.dir().entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return folder + name;
    }
    return folder + wanted;
}

std::vector<QStringList> readParadoxFile(const QString& path)
{
    const std::optional<QByteArray> table = readWholeFile(path);
    if (!table)
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht geöffnet werden"), {path}));
    const QString memoPath = paradoxCompanion(path, QStringLiteral("MB"));
    const std::optional<QByteArray> memos = readWholeFile(memoPath);
    return readParadoxTable(*table, memos ? std::optional<QByteArrayView>(*memos) : std::nullopt, path, memoPath);
}

} // namespace tolvex
