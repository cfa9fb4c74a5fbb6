#pragma once

namespace tolvex {

// The product's web site: shown on the splash, in the information window's
// notices and as the main window's link.
inline constexpr auto kWebAddress = "https://www.tolvex.example.org";

} // namespace tolvex
