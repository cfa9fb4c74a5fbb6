#include "paradox/ParadoxTable.h"

#include "level/LevelFields.h"
#include "paradox/MemoFile.h"
#include "paradox/ParadoxBytes.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/CodePage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
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
    TableReader(QIODevice& file, const QString& name) : m_file(file), m_name(name), m_size(file.size()) {}

    void read(MemoFile& memos, const ParadoxRecordSink& each)
    {
        readHeader();
        readFields();
        readRecords(memos, each);
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
    void checkRecordLength(qsizetype types) const;
    void mapField(int index, const QString& name, int type, int length, qsizetype offset);
    void readRecords(MemoFile& memos, const ParadoxRecordSink& each);
    [[nodiscard]] QStringList record(QByteArrayView raw, MemoFile& memos) const;
    [[nodiscard]] QString decoded(QByteArrayView bytes) const;

    QIODevice& m_file;
    QString m_name;
    qint64 m_size = 0;
    QByteArray m_header;
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
    m_header = paradox::readAt(m_file, 0, kExtendedHeader);
    if (!looksLikeParadoxTable(m_header))
        otherShape(QStringLiteral("die Datei ist keine Paradox-Tabelle"));
    m_recordSize = paradox::le16(m_header, 0x00);
    m_headerSize = paradox::le16(m_header, 0x02);
    m_blockSize = qsizetype(quint8(m_header[0x05])) * 1024;
    m_records = paradox::le32(m_header, 0x06);
    m_firstBlock = paradox::le16(m_header, 0x0E);
    m_fieldCount = paradox::le16(m_header, 0x21);
    m_version = quint8(m_header[0x39]);
    if (m_headerSize > m_size)
        damaged(QStringLiteral("der Dateikopf ist unvollständig"));
    m_header = paradox::readAt(m_file, 0, m_headerSize);
    if (m_header.size() != m_headerSize)
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht gelesen werden"), {m_name}));
    // Tables of Paradox 4 and later name their code page; older ones are DOS tables.
    if (m_version >= 5) {
        if (m_headerSize < kExtendedHeader)
            damaged(QStringLiteral("der Dateikopf ist unvollständig"));
        const int codePage = paradox::le16(m_header, 0x6A);
        m_codePage = codePage == 0 ? 1252 : codePage;
    } else {
        m_codePage = 437;
    }
    if (!knowsCodePage(m_codePage))
        otherShape(QStringLiteral("die Codeseite %1 ist unbekannt").arg(m_codePage));
    if (m_recordSize + kBlockHead > m_blockSize)
        damaged(QStringLiteral("ein Datensatz ist größer als ein Block"));
}

// The field lengths must make up a record before any name is read: a field
// count the header cannot hold is damage, not a table of other fields.
void TableReader::checkRecordLength(qsizetype types) const
{
    qsizetype total = 0;
    for (int i = 0; i < m_fieldCount; ++i)
        total += quint8(m_header[types + 2 * i + 1]);
    if (total != m_recordSize)
        damaged(QStringLiteral("die Felder ergeben nicht die Länge eines Datensatzes"));
}

void TableReader::readFields()
{
    const qsizetype types = m_version >= 5 ? kExtendedHeader : kFixedHeader;
    // After the types: a pointer to the table name, one per field name, then
    // the table name in a fixed width, then the field names.
    qsizetype at = types + 2 * m_fieldCount + 4 + 4 * m_fieldCount + (m_version >= 12 ? 261 : 79);
    if (at > m_headerSize)
        damaged(QStringLiteral("der Dateikopf ist unvollständig"));
    checkRecordLength(types);
    qsizetype offset = 0;
    for (int i = 0; i < m_fieldCount; ++i) {
        const qsizetype end = m_header.indexOf('\0', at);
        if (end < 0)
            damaged(QStringLiteral("der Dateikopf ist unvollständig"));
        if (end == at)
            damaged(QStringLiteral("Feld %1 hat keinen Namen").arg(i + 1));
        const int type = quint8(m_header[types + 2 * i]);
        const int length = quint8(m_header[types + 2 * i + 1]);
        mapField(i, decoded(QByteArrayView(m_header).sliced(at, end - at)), type, length, offset);
        offset += length;
        at = end + 1;
    }
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

void TableReader::readRecords(MemoFile& memos, const ParadoxRecordSink& each)
{
    if (m_records > quint64(m_size - m_headerSize) / quint64(m_recordSize))
        damaged(QStringLiteral("die Datei ist kürzer als ihre Datensätze"));
    quint32 read = 0;
    std::vector<bool> seen;
    // The blocks are chained in key order; a chain that runs in a circle or
    // off the file is damage, as is a count that disagrees with the header.
    for (int block = m_firstBlock; block != 0;) {
        const qint64 at = m_headerSize + qint64(block - 1) * m_blockSize;
        if (at + kBlockHead > m_size || (size_t(block) < seen.size() && seen[size_t(block)]))
            damaged(QStringLiteral("die Kette der Datenblöcke ist unterbrochen"));
        seen.resize(std::max(seen.size(), size_t(block) + 1));
        seen[size_t(block)] = true;
        const QByteArray bytes = paradox::readAt(m_file, at, std::min<qint64>(m_blockSize, m_size - at));
        if (bytes.size() < kBlockHead)
            throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht gelesen werden"), {m_name}));
        const int lastOffset = qint16(paradox::le16(bytes, 4));
        const int count = lastOffset < 0 ? 0 : lastOffset / m_recordSize + 1;
        if (lastOffset % m_recordSize != 0 || kBlockHead + qsizetype(count) * m_recordSize > bytes.size()
            || quint64(read) + quint64(count) > m_records)
            damaged(QStringLiteral("ein Datenblock ist beschädigt"));
        for (int i = 0; i < count; ++i) {
            each(record(QByteArrayView(bytes).sliced(kBlockHead + qsizetype(i) * m_recordSize, m_recordSize), memos));
            ++read;
        }
        block = paradox::le16(bytes, 0);
    }
    if (read != m_records)
        damaged(QStringLiteral("die Zahl der Datensätze stimmt nicht mit dem Dateikopf überein"));
}

QStringList TableReader::record(QByteArrayView raw, MemoFile& memos) const
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

void readParadoxTable(QIODevice& table, QIODevice* memos, const QString& tableName, const QString& memoName,
                      const ParadoxRecordSink& each)
{
    MemoFile memoFile(memos, memoName);
    TableReader(table, tableName).read(memoFile, each);
}

std::vector<QStringList> readParadoxTable(QByteArrayView table, std::optional<QByteArrayView> memos,
                                          const QString& tableName, const QString& memoName)
{
    QByteArray tableBytes = table.toByteArray();
    QBuffer tableFile(&tableBytes);
    tableFile.open(QIODevice::ReadOnly);
    QByteArray memoBytes = memos ? memos->toByteArray() : QByteArray();
    QBuffer memoFile(&memoBytes);
    memoFile.open(QIODevice::ReadOnly);
    std::vector<QStringList> records;
    readParadoxTable(tableFile, memos ? &memoFile : nullptr, tableName, memoName,
                     [&records](const QStringList& texts) { records.push_back(texts); });
    return records;
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

void readParadoxFile(const QString& path, const ParadoxRecordSink& each)
{
    QFile table(path);
    if (!table.open(QIODevice::ReadOnly))
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht geöffnet werden"), {path}));
    const QString memoPath = paradoxCompanion(path, QStringLiteral("MB"));
    QFile memos(memoPath);
    const bool hasMemos = memos.open(QIODevice::ReadOnly);
    readParadoxTable(table, hasMemos ? &memos : nullptr, path, memoPath, each);
}

std::vector<QStringList> readParadoxFile(const QString& path)
{
    std::vector<QStringList> records;
    readParadoxFile(path, [&records](const QStringList& texts) { records.push_back(texts); });
    return records;
}

} // namespace tolvex
