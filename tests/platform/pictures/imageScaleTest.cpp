#include "platform/pictures/ImageScale.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <random>

using namespace tolvex;

namespace {

QImage noise(QSize size, QImage::Format format)
{
    QImage image(size, format);
    std::mt19937 random(7);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (format == QImage::Format_RGB32)
                reinterpret_cast<QRgb*>(image.scanLine(y))[x] = 0xFF000000u | random();
            else
                image.scanLine(y)[x] = uchar(random());
        }
    }
    return image;
}

int channelAt(const QImage& image, int x, int y, int channel)
{
    if (image.format() == QImage::Format_Grayscale8)
        return image.constScanLine(y)[x];
    return int(reinterpret_cast<const QRgb*>(image.constScanLine(y))[x] >> (8 * channel)) & 0xFF;
}

// The mean over the area a new pixel covers, plainly in doubles.
double areaMean(const QImage& image, QSize size, int x, int y, int channel)
{
    const double sx = double(image.width()) / size.width();
    const double sy = double(image.height()) / size.height();
    double total = 0;
    for (int j = int(y * sy); j < std::min(image.height(), int(std::ceil((y + 1) * sy))); ++j) {
        const double height = std::min(j + 1.0, (y + 1) * sy) - std::max(double(j), y * sy);
        for (int i = int(x * sx); i < std::min(image.width(), int(std::ceil((x + 1) * sx))); ++i) {
            const double width = std::min(i + 1.0, (x + 1) * sx) - std::max(double(i), x * sx);
            total += width * height * channelAt(image, i, j, channel);
        }
    }
    return total / (sx * sy);
}

} // namespace

class ImageScaleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newPixelsAverageTheAreaTheyCover_data()
    {
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        const auto colour = QImage::Format_RGB32;
        const auto grey = QImage::Format_Grayscale8;
        QTest::newRow("the picture region") << colour << QSize(960, 540) << QSize(403, 353);
        QTest::newRow("halved") << colour << QSize(64, 48) << QSize(32, 24);
        QTest::newRow("odd sizes") << colour << QSize(37, 23) << QSize(11, 7);
        QTest::newRow("nearly the same width") << colour << QSize(101, 9) << QSize(100, 4);
        QTest::newRow("the same size") << colour << QSize(17, 9) << QSize(17, 9);
        QTest::newRow("one pixel") << colour << QSize(9, 7) << QSize(1, 1);
        QTest::newRow("one column") << colour << QSize(40, 30) << QSize(1, 30);
        QTest::newRow("one row") << colour << QSize(40, 30) << QSize(40, 1);
        QTest::newRow("from one column") << colour << QSize(1, 30) << QSize(1, 13);
        QTest::newRow("seven rows to one") << colour << QSize(30, 70) << QSize(30, 10);
        QTest::newRow("grey, odd sizes") << grey << QSize(37, 23) << QSize(13, 19);
        QTest::newRow("grey, one pixel") << grey << QSize(5, 3) << QSize(1, 1);
        QTest::newRow("grey, one row") << grey << QSize(50, 400) << QSize(50, 1);
    }

    void newPixelsAverageTheAreaTheyCover()
    {
        QFETCH(QImage::Format, format);
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        const QImage image = noise(from, format);
        const QImage scaled = shrinkByArea(image, to, ScalePath::Plain);
        QCOMPARE(scaled.size(), to);
        QCOMPARE(scaled.format(), format);
        // Every path this processor runs gives the plain loops' pixels, byte for byte.
        for (const ScalePath path : scalePaths())
            QCOMPARE(shrinkByArea(image, to, path), scaled);
        QCOMPARE(shrinkByArea(image, to), scaled);
        const int channels = format == QImage::Format_RGB32 ? 3 : 1;
        double worst = 0;
        for (int y = 0; y < to.height(); ++y) {
            for (int x = 0; x < to.width(); ++x) {
                for (int c = 0; c < channels; ++c)
                    worst = std::max(worst, std::abs(channelAt(scaled, x, y, c) - areaMean(image, to, x, y, c)));
                if (format == QImage::Format_RGB32)
                    QCOMPARE(qAlpha(scaled.pixel(x, y)), 255);
            }
        }
        // Rounded once; the weights are fine enough to move a pixel by one more at most.
        QVERIFY2(worst < 1.5, QByteArray::number(worst).constData());
    }

    // Also where a new pixel covers more rows than the wide code takes at once.
    void aPlainAreaKeepsItsColourExactly()
    {
        QImage colour(1000, 700, QImage::Format_RGB32);
        colour.fill(qRgb(201, 7, 96));
        for (const ScalePath path : scalePaths()) {
            for (const QSize& to : {QSize(1, 1), QSize(3, 700), QSize(1000, 2), QSize(333, 229)}) {
                const QImage scaled = shrinkByArea(colour, to, path);
                QCOMPARE(scaled.size(), to);
                for (const QPoint& at : {QPoint(0, 0), QPoint(to.width() / 2, to.height() / 2),
                                         QPoint(to.width() - 1, to.height() - 1)})
                    QCOMPARE(scaled.pixel(at), qRgb(201, 7, 96));
            }
        }
    }

    void whatItCannotShrinkGivesANullImage()
    {
        const QImage image = noise(QSize(100, 50), QImage::Format_RGB32);
        QVERIFY(shrinkByArea(image, QSize(101, 50)).isNull());
        QVERIFY(shrinkByArea(image, QSize(50, 51)).isNull());
        QVERIFY(shrinkByArea(image, QSize(0, 10)).isNull());
        QVERIFY(shrinkByArea(image.convertToFormat(QImage::Format_ARGB32), QSize(50, 25)).isNull());
        QVERIFY(shrinkByArea(QImage(), QSize(1, 1)).isNull());
    }
};

QTEST_GUILESS_MAIN(ImageScaleTest)
#include "imageScaleTest.moc"
