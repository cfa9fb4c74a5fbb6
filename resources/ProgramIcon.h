#pragma once

#include <QIcon>

namespace tolvex {

// Tolvex's icon, drawn from its vector picture at every size a desktop asks
// for, so it stays sharp at any scale.
[[nodiscard]] QIcon programIcon();

} // namespace tolvex
