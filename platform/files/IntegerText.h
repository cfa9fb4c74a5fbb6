#pragma once

#include <QStringView>

#include <optional>

namespace tolvex {

// The platform's integer text: blanks (space, tab) before the number are
// skipped; then an optional sign and decimal digits, or hexadecimal digits
// after "$", "x", "X", "0x" or "0X". Nothing may follow. A decimal value must
// fit a signed 32-bit integer; a hexadecimal one may use all 32 bits and
// wraps ("$FFFFFFFF" is -1). Anything else gives nothing.
[[nodiscard]] std::optional<int> parseIntegerText(QStringView text);

} // namespace tolvex
