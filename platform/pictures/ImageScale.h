#pragma once

#include <QImage>
#include <QSize>

namespace tolvex {

// The image shrunk to the size by averaging the area each new pixel covers,
// aspect not kept, on the calling thread. For the decoder's formats
// (Format_RGB32, Format_Grayscale8) and sizes no larger than the image on
// either side; anything else gives a null image, and the caller draws the
// picture another way. The same image and size give the same pixels on every
// machine.
[[nodiscard]] QImage shrinkByArea(const QImage& image, QSize size);

} // namespace tolvex
