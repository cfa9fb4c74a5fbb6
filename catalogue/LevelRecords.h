#pragma once

#include "catalogue/PackedRecord.h"
#include "level/KeyOrder.h"
#include "level/LevelFields.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <vector>

namespace tolvex {

// The record's "Datei", or an empty text when it has none.
[[nodiscard]] QString keyOf(const LevelRecord& record);
[[nodiscard]] QString keyOf(const PackedRecord& record);

// The records of a level table in key order, each packed in one allocation,
// in sorted runs of a few hundred so that an insertion moves one run, not
// the whole table. Callers see positions 0..size()-1 in key order. A key is
// what "Datei" stores: up to 15 characters of Windows-1252.
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
    // Every field of the record in one walk over it.
    [[nodiscard]] std::array<StoredField, kFieldCount> fields(int index) const;
    // The "Datei" of the record, or an empty text when it has none.
    [[nodiscard]] QString key(int index) const;
    // Counts every change, so that a copy taken of a record can tell it is stale.
    [[nodiscard]] std::uint64_t generation() const;

    // Keeps key order only when the caller chose the position by lowerBound.
    void insert(int index, PackedRecord record);
    // Keeps key order only when the key compares equal to the one replaced.
    void replace(int index, PackedRecord record);
    void erase(int index);
    void clear();
    // Replaces every record by these, put in key order; records of equal
    // keys keep the order they came in.
    void assign(std::vector<PackedRecord> records);

    // The first position whose key is not less than the given one, and
    // whether the key found there equals it.
    [[nodiscard]] int lowerBound(QStringView key, bool* equal = nullptr) const;
    // The position of the record whose key equals the given one, or -1.
    [[nodiscard]] int indexOf(QStringView key) const;
    // The first position whose key equals the one before it, or -1.
    [[nodiscard]] int firstRepeatedKey() const;

private:
    struct Runs;
    std::unique_ptr<Runs> m;
};

} // namespace tolvex
