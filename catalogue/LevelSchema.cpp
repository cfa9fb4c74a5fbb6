#include "catalogue/LevelSchema.h"

#include <QStringDecoder>

#include <sqlite3.h>

#include <memory>

namespace tolvex {

namespace {

// Column names and declared types follow the level record; the checks keep
// other programs from storing what the text forms could not give back.
constexpr const char* kCreate = R"sql(CREATE TABLE "maps" (
  "Datei" TEXT NOT NULL PRIMARY KEY COLLATE NOCASE
    CHECK (typeof("Datei") = 'text' AND length("Datei") BETWEEN 1 AND 15),
  "Level" TEXT NOT NULL CHECK (typeof("Level") = 'text' AND length("Level") BETWEEN 1 AND 50),
  "Typ" TEXT CHECK ("Typ" IS NULL OR (typeof("Typ") = 'text' AND length("Typ") BETWEEN 1 AND 3)),
  "Min Player" INTEGER CHECK ("Min Player" IS NULL OR (typeof("Min Player") = 'integer' AND "Min Player" BETWEEN -32768 AND 32767)),
  "Max Player" INTEGER CHECK ("Max Player" IS NULL OR (typeof("Max Player") = 'integer' AND "Max Player" BETWEEN -32768 AND 32767)),
  "Beschreibung" TEXT CHECK ("Beschreibung" IS NULL OR (typeof("Beschreibung") = 'text' AND length("Beschreibung") >= 1)),
  "Quad" INTEGER CHECK ("Quad" IS NULL OR "Quad" IN (0, 1)),
  "Invul" INTEGER CHECK ("Invul" IS NULL OR "Invul" IN (0, 1)),
  "GL" INTEGER CHECK ("GL" IS NULL OR "GL" IN (0, 1)),
  "RL" INTEGER CHECK ("RL" IS NULL OR "RL" IN (0, 1)),
  "HB" INTEGER CHECK ("HB" IS NULL OR "HB" IN (0, 1)),
  "RG" INTEGER CHECK ("RG" IS NULL OR "RG" IN (0, 1)),
  "BFG" INTEGER CHECK ("BFG" IS NULL OR "BFG" IN (0, 1))
) WITHOUT ROWID)sql";

const char* declaredType(FieldKind kind)
{
    return kind == FieldKind::Text || kind == FieldKind::Memo ? "TEXT" : "INTEGER";
}

using Stmt = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

QString text(sqlite3_stmt* stmt, int col)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)));
}

Stmt prepared(sqlite3* db, const QString& sql)
{
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &raw, nullptr);
    return Stmt(raw, sqlite3_finalize);
}

QString quotedName(QString name)
{
    return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

struct ReadSeen {
    const char* table;
    bool seen = false;
};

// Notes whether a statement being prepared reads the table asked about.
int noteReadOfTable(void* seen, int action, const char* table, const char*, const char*, const char*)
{
    auto* read = static_cast<ReadSeen*>(seen);
    if (action == SQLITE_READ && table && sqlite3_stricmp(table, read->table) == 0)
        read->seen = true;
    return SQLITE_OK;
}

bool viewReadsTable(sqlite3* db, const QString& view, const char* table)
{
    ReadSeen read{table};
    sqlite3_set_authorizer(db, noteReadOfTable, &read);
    // A view that cannot even be prepared can show nothing of the table either.
    const Stmt stmt = prepared(db, QStringLiteral("SELECT * FROM main.%1").arg(quotedName(view)));
    sqlite3_set_authorizer(db, nullptr, nullptr);
    return stmt && read.seen;
}

} // namespace

std::optional<QString> LevelSchema::objectOn(sqlite3* db, const char* table)
{
    const Stmt triggers = prepared(db, QStringLiteral(
        "SELECT name FROM main.sqlite_schema WHERE type = 'trigger' AND tbl_name = '%1' COLLATE NOCASE").arg(QLatin1String(table)));
    if (!triggers)
        return QString::fromUtf8(sqlite3_errmsg(db));
    if (sqlite3_step(triggers.get()) == SQLITE_ROW)
        return QStringLiteral("die Tabelle \"%1\" hat den Trigger \"%2\"").arg(QLatin1String(table), text(triggers.get(), 0));

    QStringList views;
    const Stmt viewList = prepared(db, QStringLiteral("SELECT name FROM main.sqlite_schema WHERE type = 'view'"));
    if (!viewList)
        return QString::fromUtf8(sqlite3_errmsg(db));
    while (sqlite3_step(viewList.get()) == SQLITE_ROW)
        views << text(viewList.get(), 0);
    for (const QString& view : views) {
        if (viewReadsTable(db, view, table))
            return QStringLiteral("die Sicht \"%1\" liest die Tabelle \"%2\"").arg(view, QLatin1String(table));
    }
    return std::nullopt;
}

namespace {

// Printable ASCII is valid UTF-8 and breaks no rule of a text but its length.
bool plainAscii(const char* bytes, int size)
{
    for (int i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x20 || b > 0x7E)
            return false;
    }
    return true;
}

std::optional<QString> numberFault(const FieldDef& def, sqlite3_int64 n, PackedRecord::Writer& record)
{
    if (def.kind == FieldKind::Boolean) {
        if (n != 0 && n != 1)
            return QStringLiteral("hat den Wert %1 statt 0 oder 1").arg(n);
        record.add(n == 1);
        return std::nullopt;
    }
    if (n < -32768 || n > 32767)
        return QStringLiteral("hat den Wert %1 außerhalb von -32768 bis 32767").arg(n);
    record.add(int(n));
    return std::nullopt;
}

// A stored text that is valid UTF-8 and would come back the same.
std::optional<QString> textFault(int col, const char* bytes, int size, PackedRecord::Writer& record)
{
    // Most texts of a catalogue are plain names: checked in one pass and kept as they are.
    const FieldDef& def = kLevelFields[size_t(col)];
    if ((def.kind == FieldKind::Memo || size <= def.size) && plainAscii(bytes, size)) {
        record.addText(QByteArrayView(bytes, size));
        return std::nullopt;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(QByteArrayView(bytes, size));
    if (utf8.hasError())
        return QStringLiteral("ist kein gültiger UTF-8-Text");
    if (auto why = tolvex::textFault(col, text))
        return why;
    record.add(text);
    return std::nullopt;
}

std::optional<QString> valueFault(sqlite3_stmt* row, int col, PackedRecord::Writer& record)
{
    const FieldDef& def = kLevelFields[size_t(col)];
    const bool isText = def.kind == FieldKind::Text || def.kind == FieldKind::Memo;
    int type = sqlite3_column_type(row, col);
    const auto* bytes = type == SQLITE_TEXT ? reinterpret_cast<const char*>(sqlite3_column_text(row, col)) : nullptr;
    const int size = bytes ? sqlite3_column_bytes(row, col) : 0;
    // The sqlite3 shell's .import and table editors write an empty text for an empty cell.
    if (type == SQLITE_TEXT && size == 0)
        type = SQLITE_NULL;
    switch (type) {
    case SQLITE_NULL:
        if (def.required)
            return QStringLiteral("muß einen Wert haben");
        record.add(std::monostate{});
        return std::nullopt;
    case SQLITE_INTEGER:
        if (isText)
            return QStringLiteral("enthält die Zahl %1 statt eines Textes").arg(sqlite3_column_int64(row, col));
        return numberFault(def, sqlite3_column_int64(row, col), record);
    case SQLITE_FLOAT:
        return QStringLiteral("enthält die Gleitkommazahl %1").arg(sqlite3_column_double(row, col));
    case SQLITE_TEXT:
        if (!isText)
            return QStringLiteral("enthält einen Text statt einer Zahl");
        return textFault(col, bytes, size, record);
    default:
        return QStringLiteral("enthält Binärdaten");
    }
}

} // namespace

const char* LevelSchema::tableName()
{
    return "maps";
}

const char* LevelSchema::createStatement()
{
    return kCreate;
}

std::optional<QString> LevelSchema::mismatch(sqlite3* db)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA main.table_info(\"maps\")", -1, &raw, nullptr) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(db));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);

    int count = 0;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        if (count >= kFieldCount)
            return QStringLiteral("mehr als %1 Spalten").arg(kFieldCount);
        const FieldDef& def = kLevelFields[size_t(count)];
        const QString name = text(stmt.get(), 1);
        const QString type = text(stmt.get(), 2);
        const bool notNull = sqlite3_column_int(stmt.get(), 3) != 0;
        const int pk = sqlite3_column_int(stmt.get(), 5);
        if (name != QLatin1String(def.name))
            return QStringLiteral("Spalte %1 heißt \"%2\" statt \"%3\"").arg(count + 1).arg(name, QLatin1String(def.name));
        if (type.compare(QLatin1String(declaredType(def.kind)), Qt::CaseInsensitive) != 0)
            return QStringLiteral("Spalte \"%1\" hat den Typ %2 statt %3").arg(name, type, QLatin1String(declaredType(def.kind)));
        if (notNull != def.required)
            return QStringLiteral("Spalte \"%1\" ist %2 Pflichtfeld").arg(name, def.required ? QStringLiteral("kein") : QStringLiteral("ein"));
        if ((pk != 0) != (count == Field::Datei))
            return QStringLiteral("der Primärschlüssel ist nicht \"Datei\"");
        ++count;
    }
    if (rc != SQLITE_DONE)
        return QString::fromUtf8(sqlite3_errmsg(db));
    if (count == 0)
        return QStringLiteral("keine Tabelle \"maps\"");
    if (count < kFieldCount)
        return QStringLiteral("nur %1 von %2 Spalten").arg(count).arg(kFieldCount);

    // Key order and uniqueness rest on the key's collation.
    const char* collation = nullptr;
    if (sqlite3_table_column_metadata(db, "main", "maps", "Datei", nullptr, &collation, nullptr, nullptr, nullptr) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(db));
    if (!collation || QString::fromLatin1(collation).compare(QLatin1String("NOCASE"), Qt::CaseInsensitive) != 0)
        return QStringLiteral("der Schlüssel \"Datei\" ist nicht nach NOCASE sortiert");
    return objectOn(db, "maps");
}

std::optional<QString> LevelSchema::readRecord(sqlite3_stmt* row, PackedRecord::Writer& record)
{
    for (int col = 0; col < kFieldCount; ++col) {
        if (auto why = valueFault(row, col, record))
            return QStringLiteral("Feld '%1' %2").arg(QLatin1String(kLevelFields[size_t(col)].name), *why);
    }
    return std::nullopt;
}

} // namespace tolvex
