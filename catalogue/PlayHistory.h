#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

struct sqlite3;

namespace tolvex {

// When each level was last played and how often, from the table "plays"
// (one row per start: "Datei", "Zeit" in UTC) beside "maps" in the catalogue.
// In memory one small entry per level played, found by its key folded the
// way the catalogue compares file names.
class PlayHistory {
public:
    // A file name's Windows-1252 bytes with A-Z folded, zero-padded.
    using Key = std::array<char, 16>;
    struct Entry {
        Key key;
        std::int64_t lastPlayed; // seconds since the epoch, UTC
        std::int32_t count;
    };

    [[nodiscard]] static std::optional<Key> keyOf(QStringView datei);

    // Reads the table of an open catalogue, if it has one. A table of
    // another shape, with a trigger or a view on it, or with a row that breaks
    // its rules is refused: it is left as it is, never written, and refusal()
    // says why. Throws nothing.
    void load(sqlite3* db);
    void clear();

    // Stores one start, creating the table on the first; the reason when it
    // was not stored, the history unchanged then.
    [[nodiscard]] std::optional<QString> record(sqlite3* db, QStringView datei, const QDateTime& utc);
    // Deletes the level's rows from the table; the reason when they could
    // not be. The entry stays until drop(), once the deletion is committed.
    [[nodiscard]] std::optional<QString> forget(sqlite3* db, QStringView datei);
    void drop(QStringView datei);

    [[nodiscard]] const Entry* find(QStringView datei) const;
    [[nodiscard]] const std::optional<QString>& refusal() const { return m_refusal; }
    [[nodiscard]] std::size_t size() const { return m_entries.size(); }
    [[nodiscard]] std::size_t memoryBytes() const { return m_entries.capacity() * sizeof(Entry); }

    // How the rows store a time: "yyyy-MM-dd HH:mm:ss", UTC, as SQLite's datetime() writes it.
    [[nodiscard]] static QString timeText(const QDateTime& utc);
    [[nodiscard]] static std::optional<std::int64_t> parseTime(QStringView text);

private:
    void add(const Key& key, std::int64_t when);
    [[nodiscard]] std::optional<QString> loadRows(sqlite3* db);

    std::vector<Entry> m_entries; // sorted by key
    std::optional<QString> m_refusal;
};

} // namespace tolvex
