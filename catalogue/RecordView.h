#pragma once

#include <functional>
#include <vector>

namespace tolvex {

class LevelRecords;

// The records a filtered level table shows: their indices in key order,
// kept in step with every insertion and erasure. Without a test it shows
// every record, at no cost.
class RecordView {
public:
    using Test = std::function<bool(const LevelRecords& records, int index)>;

    void setTest(Test test) { m_test = std::move(test); }
    [[nodiscard]] bool active() const { return bool(m_test); }
    [[nodiscard]] bool passes(const LevelRecords& records, int row) const { return !m_test || m_test(records, row); }

    // Asks the test for every record; the pinned one (or -1) is shown regardless.
    void rebuild(const LevelRecords& records, int pinnedRow);
    void clear() { m_rows.clear(); }

    [[nodiscard]] int count(const LevelRecords& records) const;
    [[nodiscard]] int rowAt(int position) const { return m_test ? m_rows[size_t(position)] : position; }
    // The position of a shown record, or -1.
    [[nodiscard]] int positionOf(int row) const;
    // The position of the first shown record at or after the row in key
    // order, or the last position when none follows; -1 when none is shown.
    [[nodiscard]] int nearest(const LevelRecords& records, int row) const;

    // The records have changed at the row; a pinned one is shown regardless.
    void inserted(const LevelRecords& records, int row, bool pinned);
    void erased(int row);
    void replaced(const LevelRecords& records, int row, bool pinned);

    [[nodiscard]] std::size_t memoryBytes() const { return m_rows.capacity() * sizeof(int); }

private:
    Test m_test;
    std::vector<int> m_rows;
};

} // namespace tolvex
