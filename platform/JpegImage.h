#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace tolvex {

// Headers that claim more than this are refused before anything is
// allocated: a screenshot is far smaller, and a forged header must not make
// the program reserve gigabytes.
inline constexpr int kMaxJpegSide = 16384;
inline constexpr qint64 kMaxJpegPixels = 64LL * 1024 * 1024;

// Decodes a JPEG file with libjpeg. With a size to cover, the decoder scales
// down by 1/8 .. 8/8 to the smallest size that still covers it in both
// directions; without one, the picture comes at full size. Grayscale files
// give a grayscale image, colour and CMYK/YCCK files an RGB image.
//
// Throws "Datei %s kann nicht geöffnet werden" when the file can't be opened,
// "JPEG-Fehlernr. %d" with libjpeg's message code when its header or data
// can't be decoded (a file cut short counts as damaged, a progressive file of
// more than 100 scans as forged), and a message naming
// the size when the picture is too large to hold. The picture's full size
// goes to fullSize when one is given.
[[nodiscard]] QImage loadJpeg(const QString& path, QSize cover = {}, QSize* fullSize = nullptr);

// Writes an image as a baseline JPEG file of the given quality (1..100).
// Throws "Datei %s kann nicht erstellt werden" when the file can't be
// written; an existing file stays whole then.
void saveJpeg(const QImage& image, const QString& path, int quality = 90);

[[nodiscard]] QString jpegErrorMessage(int code);
[[nodiscard]] QString jpegTooLargeMessage(const QString& path, qint64 width, qint64 height);

} // namespace tolvex
