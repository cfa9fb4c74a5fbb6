#pragma once

#include "catalogue/LevelFields.h"

#include <QString>
#include <QStringView>

#include <memory>

namespace tolvex {

// The key order of the level table: SQLite's NOCASE on UTF-8, where only the
// ASCII letters are folded and everything else compares by code point.
// Negative, zero or positive as a sorts before, with or after b.
[[nodiscard]] int compareKeys(QStringView a, QStringView b);

// The record's "Datei", or an empty text when it has none.
[[nodiscard]] QString keyOf(const LevelRecord& record);

// The records of a level table in key order. How they are held stays in
// LevelRecords.cpp; callers see positions 0..size()-1 in key order.
class LevelRecords {
public:
    LevelRecords();
    ~LevelRecords();
    LevelRecords(const LevelRecords&) = delete;
    LevelRecords& operator=(const LevelRecords&) = delete;

    [[nodiscard]] int size() const;
    [[nodiscard]] bool empty() const;
    [[nodiscard]] LevelRecord& operator[](int index);
    [[nodiscard]] const LevelRecord& operator[](int index) const;

    // Keeps key order only when the caller chose the position by lowerBound.
    void insert(int index, LevelRecord record);
    // Places the record by its key and returns its position.
    int insertByKey(LevelRecord record);
    // Adds at the end without regard to order; sortByKey puts it right.
    void append(LevelRecord record);
    void erase(int index);
    void clear();
    // Stable, so records of equal keys keep the order they were appended in.
    void sortByKey();

    // The first position whose key is not less than the given one.
    [[nodiscard]] int lowerBound(QStringView key) const;
    // The position of the record whose key equals the given one, or -1.
    [[nodiscard]] int indexOf(QStringView key) const;

private:
    struct Slots;
    std::unique_ptr<Slots> m;
};

} // namespace tolvex
