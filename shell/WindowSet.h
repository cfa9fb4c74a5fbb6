#pragma once

namespace tolvex {

// Creates the six windows, hidden, in their fixed order — the main window
// first — and wires them together. They live until destroyWindowSet.
void createWindowSet();
void destroyWindowSet();

} // namespace tolvex
