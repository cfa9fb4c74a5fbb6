#include "catalogue/LevelSchema.h"

#include "catalogue/LevelFields.h"

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

QString text(sqlite3_stmt* stmt, int col)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)));
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
    return std::nullopt;
}

} // namespace tolvex
