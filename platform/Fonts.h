#pragma once

namespace tolvex {

// The windows name the fonts of their original platform ("MS Sans Serif",
// "Small Fonts", "Arial Black", "Courier New"); map each to the nearest face
// a Debian desktop has, of similar width, so texts fit their design places.
void installFontSubstitutes();

} // namespace tolvex
