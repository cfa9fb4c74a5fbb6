#pragma once

#include <QImage>
#include <QSize>

#include <vector>

namespace tolvex {

// The image shrunk to the size by averaging the area each new pixel covers,
// aspect not kept, on the calling thread. For the decoder's formats
// (Format_RGB32, Format_Grayscale8) and sizes no larger than the image on
// either side; anything else gives a null image, and the caller draws the
// picture another way. The same image and size give the same pixels on every
// machine.
[[nodiscard]] QImage shrinkByArea(const QImage& image, QSize size);

// The ways through the sums: plain loops, 128-bit vectors (SSE2) and 256-bit
// vectors (AVX2). All give the same pixels; the fastest the processor runs
// is taken, and tests run each one it can.
enum class ScalePath { Plain, Vector128, Vector256 };
// The paths this processor runs, the fastest last.
[[nodiscard]] std::vector<ScalePath> scalePaths();
[[nodiscard]] QImage shrinkByArea(const QImage& image, QSize size, ScalePath path);

} // namespace tolvex
