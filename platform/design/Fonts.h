#pragma once

#include <QFont>
#include <QString>

namespace tolvex {

// The windows name the fonts of their original platform ("MS Sans Serif",
// "Small Fonts", "Arial Black", "Courier New"); map each to the nearest face
// a Debian desktop has, of similar width, so texts fit their design places.
void installFontSubstitutes();

// A font of the original platform by its pixel height, as the windows were
// laid out for, narrowed or bolded so that its stand-in takes the room the
// original took.
[[nodiscard]] QFont designFont(const QString& family, int pixelHeight);

} // namespace tolvex
