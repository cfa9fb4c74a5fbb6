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

void writeParadoxFields(const QString& path, const std::vector<ParadoxField>& fields)
{
    pxdoc_t* doc = create(path, fields, 1252);
    PX_close(doc);
    PX_delete(doc);
}

} // namespace tolvex::test
