#pragma once

#include "catalogue/LevelTable.h"

namespace tolvex {

// The appends of one run (an import, levels taken from the game folder)
// share transactions; whatever ends the run, the records appended before
// it are committed.
class BulkAppends {
public:
    explicit BulkAppends(LevelTable& table)
        : m_table(table)
    {
        m_table.beginBulk();
    }
    ~BulkAppends()
    {
        if (!m_open)
            return;
        // Only reached while the error that stopped the run is on its way
        // out; that one is what the user needs to see.
        try {
            m_table.endBulk();
        } catch (...) {
        }
    }
    BulkAppends(const BulkAppends&) = delete;
    BulkAppends& operator=(const BulkAppends&) = delete;

    void end()
    {
        m_open = false;
        m_table.endBulk();
    }

private:
    LevelTable& m_table;
    bool m_open = true;
};

} // namespace tolvex
