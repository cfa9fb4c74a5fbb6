#pragma once

#include <QByteArray>

namespace tolvex::test {

enum class JpegKind { Colour, Grayscale, Progressive, Cmyk, AdobeCmyk };

// A small JPEG file drawn with libjpeg itself: a colour gradient, or its
// grey or CMYK form.
[[nodiscard]] QByteArray jpegSample(int width, int height, JpegKind kind);

// The same file with the size its frame header claims changed.
[[nodiscard]] QByteArray withClaimedSize(QByteArray jpeg, int width, int height);

// A progressive file whose picture is built from thousands of tiny scans:
// cheap to store, endless to decode without a limit.
[[nodiscard]] QByteArray progressiveBomb(int width, int height, int scans);

} // namespace tolvex::test
