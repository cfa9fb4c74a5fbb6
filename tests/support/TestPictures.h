#pragma once

#include "platform/pictures/JpegImage.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <random>

namespace tolvex {

// The colour in the middle of a picture: enough to tell which file it came from.
inline QColor middle(const QImage& image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// Equal but for what JPEG compression changes.
inline bool nearColour(QColor actual, QColor expected)
{
    return qAbs(actual.red() - expected.red()) < 24 && qAbs(actual.green() - expected.green()) < 24
        && qAbs(actual.blue() - expected.blue()) < 24;
}

inline void savePlain(QColor colour, const QString& path)
{
    QImage image(320, 200, QImage::Format_RGB32);
    image.fill(colour);
    saveJpeg(image, path);
}

// Noise keeps the decoder busy long enough to be caught at work.
inline void saveNoise(const QString& path)
{
    QImage image(2400, 1600, QImage::Format_RGB32);
    std::mt19937 random(5);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = 0xFF000000u | (random() & 0xFFFFFFu);
    }
    saveJpeg(image, path);
}

} // namespace tolvex
