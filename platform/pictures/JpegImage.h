#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace tolvex {

// Headers that claim more than this are refused before anything is
// allocated: a screenshot is far smaller, and a forged header must not make
// the program reserve gigabytes.
inline constexpr int kMaxJpegSide = 16384;
inline constexpr qint64 kMaxJpegPixels = 64LL * 1024 * 1024;

// What decoding a picture costs, in units of about 0.3 ns on the machine
// the weights were measured on (bench/, BM_DecodeNearBudget): a pass over the
// coefficients for every scan, the fixed work of reading and transforming
// each pixel (three times as much when the file is progressive and every
// coefficient is kept until the last scan), and the work for each pixel of
// the scaled picture that comes out.
inline constexpr qint64 kJpegScanWeight = 1;
inline constexpr qint64 kJpegBaselinePixelWeight = 20;
inline constexpr qint64 kJpegProgressivePixelWeight = 60;
inline constexpr qint64 kJpegOutputWeight = 14;
// Half a second of that, with the machine busy. A 4K screenshot stays well
// inside: saved progressive with ten scans (what encoders write) and decoded
// at full size, it costs 3840 x 2160 x (10 + 60 + 14), about 700 million.
inline constexpr qint64 kJpegDecodeBudget = 1'000'000'000;

[[nodiscard]] constexpr qint64 jpegDecodeWork(qint64 pixels, qint64 scans, bool progressive, qint64 outputPixels)
{
    const qint64 perPixel = progressive ? kJpegProgressivePixelWeight : kJpegBaselinePixelWeight;
    return pixels * (scans * kJpegScanWeight + perPixel) + outputPixels * kJpegOutputWeight;
}

// Decodes a JPEG file with libjpeg; a path beginning with ':' names one
// among the program's own resources. With a size to cover, the decoder scales
// down by 1/8 .. 8/8 to the smallest size that still covers it in both
// directions; without one, the picture comes at full size. Grayscale files
// give a grayscale image, colour and CMYK/YCCK files an RGB32 image.
//
// Throws "Datei %s kann nicht geöffnet werden" when the file can't be opened,
// "JPEG-Fehlernr. %d" with libjpeg's message code when its header or data
// can't be decoded (a file cut short counts as damaged, a progressive file of
// more than 100 scans as forged, one whose decoding would cost more than
// kJpegDecodeBudget as too big, before any of that work), and a message naming
// the size when the picture is too large to hold. The picture's full size
// goes to fullSize when one is given.
[[nodiscard]] QImage loadJpeg(const QString& path, QSize cover = {}, QSize* fullSize = nullptr);

// An image as the bytes of a baseline JPEG file of the given quality
// (1..100); empty when it cannot be held. Throws "JPEG-Fehlernr. %d" when
// libjpeg refuses it.
[[nodiscard]] QByteArray encodeJpeg(const QImage& image, int quality = 90);

// Writes an image as a baseline JPEG file of the given quality (1..100).
// Throws "Datei %s kann nicht erstellt werden" when the file can't be
// written; an existing file stays whole then.
void saveJpeg(const QImage& image, const QString& path, int quality = 90);

[[nodiscard]] QString jpegErrorMessage(int code);
[[nodiscard]] QString jpegTooLargeMessage(const QString& path, qint64 width, qint64 height);

} // namespace tolvex
