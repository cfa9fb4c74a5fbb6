#include "catalogue/PlayHistory.h"

#include "catalogue/LevelSchema.h"
#include "level/LevelFields.h"
#include "platform/files/Cp1252.h"

#include <QStringDecoder>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace tolvex {

namespace {

constexpr const char* kCreate = R"sql(CREATE TABLE IF NOT EXISTS "plays" (
  "Datei" TEXT NOT NULL COLLATE NOCASE CHECK (typeof("Datei") = 'text' AND length("Datei") BETWEEN 1 AND 15),
  "Zeit" TEXT NOT NULL CHECK (typeof("Zeit") = 'text' AND length("Zeit") = 19)
);
CREATE INDEX IF NOT EXISTS "plays_Datei" ON "plays" ("Datei");)sql";

constexpr const char* kTimeFormat = "yyyy-MM-dd HH:mm:ss";

using Stmt = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

Stmt prepared(sqlite3* db, const char* sql)
{
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    return Stmt(raw, sqlite3_finalize);
}

QString engineMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

QString columnText(sqlite3_stmt* stmt, int col)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)),
                             sqlite3_column_bytes(stmt, col));
}

bool tableExists(sqlite3* db)
{
    const Stmt stmt = prepared(db, "SELECT 1 FROM main.sqlite_schema WHERE type = 'table' AND name = 'plays' COLLATE NOCASE");
    return stmt && sqlite3_step(stmt.get()) == SQLITE_ROW;
}

// Two text columns, "Datei" and "Zeit", in that order; nothing else.
std::optional<QString> shapeFault(sqlite3* db)
{
    const Stmt stmt = prepared(db, "SELECT name, type FROM pragma_table_xinfo('plays')");
    if (!stmt)
        return engineMessage(db);
    QStringList columns;
    while (sqlite3_step(stmt.get()) == SQLITE_ROW)
        columns << columnText(stmt.get(), 0) + u' ' + columnText(stmt.get(), 1).toUpper();
    if (columns != QStringList{QStringLiteral("Datei TEXT"), QStringLiteral("Zeit TEXT")})
        return QStringLiteral("die Tabelle \"plays\" hat nicht die Spalten \"Datei\" und \"Zeit\" (Text)");
    return LevelSchema::objectOn(db, "plays");
}

// A stored file name the level table could hold, as text.
std::optional<QString> fileNameOf(sqlite3_stmt* row)
{
    if (sqlite3_column_type(row, 0) != SQLITE_TEXT)
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(row, 0));
    const QString text = utf8.decode(QByteArrayView(bytes, sqlite3_column_bytes(row, 0)));
    if (utf8.hasError() || textFault(Field::Datei, text))
        return std::nullopt;
    return text;
}

} // namespace

std::optional<PlayHistory::Key> PlayHistory::keyOf(QStringView datei)
{
    if (datei.isEmpty() || datei.size() >= qsizetype(sizeof(Key)))
        return std::nullopt;
    Key key{};
    for (qsizetype i = 0; i < datei.size(); ++i) {
        const int byte = cp1252::byteOf(datei[i]);
        if (byte <= 0)
            return std::nullopt;
        // The catalogue's NOCASE folds only A-Z.
        key[size_t(i)] = char(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte);
    }
    return key;
}

QString PlayHistory::timeText(const QDateTime& utc)
{
    return utc.toUTC().toString(QLatin1String(kTimeFormat));
}

std::optional<std::int64_t> PlayHistory::parseTime(QStringView text)
{
    if (text.size() != 19)
        return std::nullopt;
    QDateTime time = QDateTime::fromString(text.toString(), QLatin1String(kTimeFormat));
    if (!time.isValid())
        return std::nullopt;
    time.setTimeSpec(Qt::UTC);
    return time.toSecsSinceEpoch();
}

void PlayHistory::clear()
{
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_refusal.reset();
}

void PlayHistory::load(sqlite3* db)
{
    clear();
    if (!tableExists(db))
        return;
    m_refusal = loadRows(db);
    if (m_refusal) {
        m_entries.clear();
        m_entries.shrink_to_fit();
    }
}

std::optional<QString> PlayHistory::loadRows(sqlite3* db)
{
    if (auto fault = shapeFault(db))
        return fault;
    // In key order the starts of one level come together, so they are counted
    // as they come and nothing is held per row.
    const Stmt rows = prepared(db, "SELECT \"Datei\", \"Zeit\" FROM \"plays\" ORDER BY \"Datei\" COLLATE NOCASE");
    if (!rows)
        return engineMessage(db);
    int rc = SQLITE_OK;
    int number = 0;
    while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
        ++number;
        const std::optional<QString> datei = fileNameOf(rows.get());
        if (!datei)
            return QStringLiteral("Zeile %1 der Tabelle \"plays\": Feld 'Datei' ist kein gültiger Dateiname").arg(number);
        const std::optional<std::int64_t> when
            = sqlite3_column_type(rows.get(), 1) == SQLITE_TEXT ? parseTime(columnText(rows.get(), 1)) : std::nullopt;
        if (!when)
            return QStringLiteral("Zeile %1 der Tabelle \"plays\": Feld 'Zeit' ist keine Zeit der Form JJJJ-MM-TT hh:mm:ss").arg(number);
        // Every name the level table can hold has a key.
        const Key key = *keyOf(*datei);
        if (!m_entries.empty() && m_entries.back().key == key) {
            m_entries.back().lastPlayed = std::max(m_entries.back().lastPlayed, *when);
            ++m_entries.back().count;
        } else {
            m_entries.push_back(Entry{key, *when, 1});
        }
    }
    if (rc != SQLITE_DONE)
        return engineMessage(db);
    // The table's order folds like the key but compares UTF-8; the lookups compare the key's bytes.
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    m_entries.shrink_to_fit();
    return std::nullopt;
}

void PlayHistory::add(const Key& key, std::int64_t when)
{
    const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), key,
                                     [](const Entry& e, const Key& k) { return e.key < k; });
    if (at != m_entries.end() && at->key == key) {
        at->lastPlayed = std::max(at->lastPlayed, when);
        ++at->count;
        return;
    }
    m_entries.insert(at, Entry{key, when, 1});
}

const PlayHistory::Entry* PlayHistory::find(QStringView datei) const
{
    const std::optional<Key> key = keyOf(datei);
    if (!key)
        return nullptr;
    const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), *key,
                                     [](const Entry& e, const Key& k) { return e.key < k; });
    return at != m_entries.end() && at->key == *key ? &*at : nullptr;
}

std::optional<QString> PlayHistory::record(sqlite3* db, QStringView datei, const QDateTime& utc)
{
    if (m_refusal)
        return m_refusal;
    const std::optional<Key> key = keyOf(datei);
    if (!key)
        return QStringLiteral("'%1' ist kein gültiger Dateiname").arg(datei);
    if (sqlite3_exec(db, "SAVEPOINT play", nullptr, nullptr, nullptr) != SQLITE_OK)
        return engineMessage(db);
    const QByteArray name = datei.toUtf8();
    const QByteArray time = timeText(utc).toUtf8();
    std::optional<QString> failure;
    if (sqlite3_exec(db, kCreate, nullptr, nullptr, nullptr) != SQLITE_OK) {
        failure = engineMessage(db);
    } else if (const Stmt insert = prepared(db, "INSERT OR ABORT INTO \"plays\" (\"Datei\", \"Zeit\") VALUES (?1, ?2)"); !insert) {
        failure = engineMessage(db);
    } else {
        sqlite3_bind_text(insert.get(), 1, name.constData(), int(name.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert.get(), 2, time.constData(), int(time.size()), SQLITE_STATIC);
        if (sqlite3_step(insert.get()) != SQLITE_DONE || sqlite3_changes(db) != 1)
            failure = engineMessage(db);
    }
    if (failure || sqlite3_exec(db, "RELEASE play", nullptr, nullptr, nullptr) != SQLITE_OK) {
        if (!failure)
            failure = engineMessage(db);
        sqlite3_exec(db, "ROLLBACK TO play", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "RELEASE play", nullptr, nullptr, nullptr);
        return failure;
    }
    add(*key, utc.toSecsSinceEpoch());
    return std::nullopt;
}

std::optional<QString> PlayHistory::forget(sqlite3* db, QStringView datei)
{
    // A refused table is never written; a missing one holds nothing to delete.
    if (m_refusal || !tableExists(db))
        return std::nullopt;
    const Stmt remove = prepared(db, "DELETE FROM \"plays\" WHERE \"Datei\" = ?1");
    if (!remove)
        return engineMessage(db);
    const QByteArray name = datei.toUtf8();
    sqlite3_bind_text(remove.get(), 1, name.constData(), int(name.size()), SQLITE_STATIC);
    if (sqlite3_step(remove.get()) != SQLITE_DONE)
        return engineMessage(db);
    return std::nullopt;
}

void PlayHistory::drop(QStringView datei)
{
    if (const std::optional<Key> key = keyOf(datei)) {
        const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), *key,
                                         [](const Entry& e, const Key& k) { return e.key < k; });
        if (at != m_entries.end() && at->key == *key)
            m_entries.erase(at);
    }
}

} // namespace tolvex
