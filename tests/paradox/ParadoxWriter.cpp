#include "tests/paradox/ParadoxWriter.h"

#include <QFile>

// pxlib's header declares its functions without C linkage.
extern "C" {
#include <paradox.h>
}

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace tolvex::test {

namespace {

// pxlib reports through this and a negative result; no exception may cross its C frames.
void ignoreReport(pxdoc_t*, int, const char*, void*)
{
}

// pxlib takes over the field list and frees it with the table.
pxdoc_t* create(const QString& path, const std::vector<ParadoxField>& fields, int codePage)
{
    pxdoc_t* doc = PX_new2(ignoreReport, nullptr, nullptr, nullptr);
    auto* list = static_cast<pxfield_t*>(std::malloc(fields.size() * sizeof(pxfield_t)));
    for (size_t i = 0; i < fields.size(); ++i)
        list[i] = {strdup(fields[i].name), fields[i].type, fields[i].length, 0};
    if (PX_create_file(doc, list, int(fields.size()), QFile::encodeName(path).constData(), pxfFileTypIndexDB) < 0)
        throw std::runtime_error("PX_create_file failed");
    PX_set_value(doc, "codepage", float(codePage));
    return doc;
}

pxval_t* text(pxdoc_t* doc, const QByteArray& bytes)
{
    pxval_t* value = nullptr;
    MAKE_PXVAL(doc, value);
    value->isnull = bytes.isEmpty();
    value->value.str.val = const_cast<char*>(bytes.constData());
    value->value.str.len = int(bytes.size());
    return value;
}

template <typename T>
pxval_t* number(pxdoc_t* doc, const std::optional<T>& n)
{
    pxval_t* value = nullptr;
    MAKE_PXVAL(doc, value);
    value->isnull = !n.has_value();
    value->value.lval = n.value_or(0);
    return value;
}

void insert(pxdoc_t* doc, const ParadoxLevel& level)
{
    std::vector<pxval_t*> values{text(doc, level.datei), text(doc, level.level), text(doc, level.typ),
                                 number(doc, level.minPlayer), number(doc, level.maxPlayer), text(doc, level.beschreibung)};
    for (const std::optional<bool>& flag : level.flags)
        values.push_back(number(doc, flag));
    const int rc = PX_insert_record(doc, values.data());
    for (pxval_t* value : values)
        FREE_PXVAL(doc, value);
    if (rc < 0)
        throw std::runtime_error("PX_insert_record failed");
}

} // namespace

std::vector<ParadoxField> levelFields()
{
    std::vector<ParadoxField> fields{{"Datei", pxfAlpha, 15}, {"Level", pxfAlpha, 50}, {"Typ", pxfAlpha, 3},
                                     {"Min Player", pxfShort, 2}, {"Max Player", pxfShort, 2},
                                     {"Beschreibung", pxfMemoBLOb, 50}};
    for (const char* flag : {"Quad", "Invul", "GL", "RL", "HB", "RG", "BFG"})
        fields.push_back({flag, pxfLogical, 1});
    return fields;
}

void writeParadoxTable(const QString& path, const std::vector<ParadoxLevel>& levels, int codePage)
{
    pxdoc_t* doc = create(path, levelFields(), codePage);
    QString memoPath = path;
    memoPath.replace(memoPath.size() - 2, 2, QStringLiteral("MB"));
    if (PX_set_blob_file(doc, QFile::encodeName(memoPath).constData()) < 0)
        throw std::runtime_error("PX_set_blob_file failed");
    for (const ParadoxLevel& level : levels)
        insert(doc, level);
    PX_close(doc);
    PX_delete(doc);
}

void shareOneMemo(const QString& path, const QByteArray& memo)
{
    constexpr int kBlock = 4096;
    constexpr int kMemoAt = 15 + 50 + 3 + 2 + 2; // the description's place in a record of levelFields()
    constexpr int kPointerAt = kMemoAt + 50 - 10;
    const auto putLe = [](QByteArray& bytes, qsizetype at, quint32 value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + i] = char(value >> (8 * i) & 0xFF);
    };
    const auto le16 = [](const QByteArray& bytes, qsizetype at) { return int(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8); };

    QFile tableFile(path);
    if (!tableFile.open(QIODevice::ReadWrite))
        throw std::runtime_error("table not found");
    QByteArray table = tableFile.readAll();
    const int recordSize = le16(table, 0);
    const int headerSize = le16(table, 2);
    const int blockSize = quint8(table[5]) * 1024;
    // One memo in blocks of its own, right after the memo file's header block.
    for (int block = le16(table, 0x0E); block != 0;) {
        const qsizetype at = headerSize + qsizetype(block - 1) * blockSize;
        const int lastOffset = qint16(le16(table, at + 4));
        for (int offset = 0; lastOffset >= 0 && offset <= lastOffset; offset += recordSize) {
            const qsizetype pointer = at + 6 + offset + kPointerAt;
            putLe(table, pointer, quint32(kBlock) | 0xFF, 4);
            putLe(table, pointer + 4, quint32(memo.size()), 4);
        }
        block = le16(table, at);
    }
    tableFile.seek(0);
    tableFile.write(table);

    const int blocks = int((9 + memo.size() + kBlock - 1) / kBlock);
    QByteArray memos(kBlock + qsizetype(blocks) * kBlock, '\0');
    memos[kBlock] = 2;
    putLe(memos, kBlock + 1, quint32(blocks), 2);
    putLe(memos, kBlock + 3, quint32(memo.size()), 4);
    memos.replace(kBlock + 9, memo.size(), memo);
    QString memoPath = path;
    memoPath.replace(memoPath.size() - 2, 2, QStringLiteral("MB"));
    QFile memoFile(memoPath);
    if (!memoFile.open(QIODevice::WriteOnly | QIODevice::Truncate) || memoFile.write(memos) != memos.size())
        throw std::runtime_error("memo file not written");
}

void writeParadoxFields(const QString& path, const std::vector<ParadoxField>& fields)
{
    pxdoc_t* doc = create(path, fields, 1252);
    PX_close(doc);
    PX_delete(doc);
}

} // namespace tolvex::test
