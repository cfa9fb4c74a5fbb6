#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QIODevice;

namespace tolvex {

// The level table in the old format: a Paradox table with the
// thirteen level fields (by name, in any order) and its memo file beside it.

// True when the bytes start a Paradox data table rather than an SQLite file.
[[nodiscard]] bool looksLikeParadoxTable(QByteArrayView head);
// The same for a file; false for one that is missing or cannot be read.
[[nodiscard]] bool isParadoxTable(const QString& path);

// What the reading hands on, one record at a time: thirteen texts in field
// order in the text forms (alpha fields decoded from the table's code page,
// numbers in decimal, flags "Wahr", "Falsch" or empty, the description with
// its line breaks, an empty value as an empty text).
using ParadoxRecordSink = std::function<void(const QStringList& texts)>;

// Reads the table's records in key order and hands each to the sink before
// reading the next, so that only one record is in memory, whatever the
// table. A damaged file, a memo file missing or cut short, or a table of
// another shape throws, naming the file; the records before the damage have
// reached the sink. No memo file: the table has none beside it.
void readParadoxTable(QIODevice& table, QIODevice* memos, const QString& tableName, const QString& memoName,
                      const ParadoxRecordSink& each);
// The same from the files' bytes, all records at once.
[[nodiscard]] std::vector<QStringList> readParadoxTable(QByteArrayView table, std::optional<QByteArrayView> memos,
                                                        const QString& tableName, const QString& memoName);

// Reads the table file and the memo file of the same name beside it (".MB",
// in any letter case).
void readParadoxFile(const QString& path, const ParadoxRecordSink& each);
[[nodiscard]] std::vector<QStringList> readParadoxFile(const QString& path);

// The companion of a table file with the given extension, found in any
// letter case beside it; the name in the table's case when there is none.
[[nodiscard]] QString paradoxCompanion(const QString& path, const QString& extension);

} // namespace tolvex
