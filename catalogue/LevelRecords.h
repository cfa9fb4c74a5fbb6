#pragma once

#include "catalogue/PackedRecord.h"
#include "level/LevelFields.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>

namespace tolvex {

// The key order of the level table: SQLite's NOCASE on UTF-8, where only the
// ASCII letters are folded and everything else compares by code point.
// Negative, zero or positive as a sorts before, with or after b.
[[nodiscard]] int compareKeys(QStringView a, QStringView b);

// The record's "Datei", or an empty text when it has none.
[[nodiscard]] QString keyOf(const LevelRecord& record);
[[nodiscard]] QString keyOf(const PackedRecord& record);

// The records of a level table in key order, held compactly: each record is
// one block of bytes (the texts in Windows-1252, numbers and flags packed),
// and the keys, folded for comparison, lie side by side in key order so that
// a search reads a few cache lines rather than records. Callers see
// positions 0..size()-1 in key order; a record comes out as it went in.
class LevelRecords {
public:
    LevelRecords();
    ~LevelRecords();
    LevelRecords(const LevelRecords&) = delete;
    LevelRecords& operator=(const LevelRecords&) = delete;

    [[nodiscard]] int size() const;
    [[nodiscard]] bool empty() const;
    [[nodiscard]] LevelRecord record(int index) const;
    [[nodiscard]] FieldValue value(int index, int pos) const;
    [[nodiscard]] StoredField field(int index, int pos) const;
    // The "Datei" of the record, or an empty text when it has none.
    [[nodiscard]] QString key(int index) const;
    // Counts every change, so that a copy taken of a record can tell it is stale.
    [[nodiscard]] std::uint64_t generation() const;

    // Keeps key order only when the caller chose the position by lowerBound.
    void insert(int index, const LevelRecord& record);
    void insert(int index, PackedRecord record);
    // Places the record by its key and returns its position.
    int insertByKey(const LevelRecord& record);
    // Adds at the end without regard to order; sortByKey puts it right.
    void append(const LevelRecord& record);
    void append(PackedRecord record);
    // Keeps key order only when the key compares equal to the one replaced.
    void replace(int index, const LevelRecord& record);
    void erase(int index);
    void clear();
    // Stable, so records of equal keys keep the order they were appended in.
    void sortByKey();

    // The first position whose key is not less than the given one.
    [[nodiscard]] int lowerBound(QStringView key) const;
    // The same, and whether the key found there equals the given one.
    [[nodiscard]] int lowerBound(QStringView key, bool& equal) const;
    // The position of the record whose key equals the given one, or -1.
    [[nodiscard]] int indexOf(QStringView key) const;
    // The first position whose key equals the one before it, or -1.
    [[nodiscard]] int firstRepeatedKey() const;

private:
    struct Slots;
    std::unique_ptr<Slots> m;
};

} // namespace tolvex
