#include "catalogue/RecordView.h"

#include "catalogue/LevelRecords.h"

#include <algorithm>

namespace tolvex {

void RecordView::rebuild(const LevelRecords& records, int pinnedRow)
{
    m_rows.clear();
    if (!m_test)
        return;
    for (int row = 0; row < records.size(); ++row) {
        if (row == pinnedRow || m_test(records, row))
            m_rows.push_back(row);
    }
    m_rows.shrink_to_fit();
}

int RecordView::count(const LevelRecords& records) const
{
    return m_test ? int(m_rows.size()) : records.size();
}

int RecordView::positionOf(int row) const
{
    if (!m_test)
        return row;
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), row);
    return at != m_rows.end() && *at == row ? int(at - m_rows.begin()) : -1;
}

int RecordView::nearest(const LevelRecords& records, int row) const
{
    const int shown = count(records);
    if (shown == 0)
        return -1;
    if (!m_test)
        return std::clamp(row, 0, shown - 1);
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), row);
    return std::min(int(at - m_rows.begin()), shown - 1);
}

void RecordView::inserted(const LevelRecords& records, int row, bool pinned)
{
    if (!m_test)
        return;
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), row);
    for (auto it = at; it != m_rows.end(); ++it)
        ++*it;
    if (pinned || m_test(records, row))
        m_rows.insert(at, row);
}

void RecordView::erased(int row)
{
    if (!m_test)
        return;
    auto at = std::lower_bound(m_rows.begin(), m_rows.end(), row);
    if (at != m_rows.end() && *at == row)
        at = m_rows.erase(at);
    for (auto it = at; it != m_rows.end(); ++it)
        --*it;
}

void RecordView::replaced(const LevelRecords& records, int row, bool pinned)
{
    if (!m_test)
        return;
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), row);
    const bool shown = at != m_rows.end() && *at == row;
    const bool show = pinned || m_test(records, row);
    if (show && !shown)
        m_rows.insert(at, row);
    else if (!show && shown)
        m_rows.erase(at);
}

} // namespace tolvex
