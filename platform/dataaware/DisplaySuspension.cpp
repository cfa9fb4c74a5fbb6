#include "platform/dataaware/DisplaySuspension.h"

#include "platform/dataaware/Dataset.h"

namespace tolvex {

DisplaySuspension::DisplaySuspension(Dataset& table)
    : m_table(table)
{
    m_table.disableControls();
}

DisplaySuspension::~DisplaySuspension()
{
    if (!m_suspended)
        return;
    // Reached early only while another error is on its way out; that one is
    // what the user needs to see.
    try {
        m_table.enableControls();
    } catch (...) {
    }
}

void DisplaySuspension::resume()
{
    if (!m_suspended)
        return;
    m_suspended = false;
    m_table.enableControls();
}

} // namespace tolvex
