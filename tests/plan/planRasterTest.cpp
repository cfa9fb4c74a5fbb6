#include "plan/PlanRaster.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace tolvex;

namespace {

constexpr QRgb kGround = 0xff000000;
constexpr QRgb kInk = 0xffffffff;
constexpr uchar kInkIndex = 1;

QImage blank(QSize size = {64, 48})
{
    QImage image(size, QImage::Format_Indexed8);
    image.setColorTable({kGround, kInk});
    image.fill(0);
    return image;
}

// The smallest rectangle holding every inked pixel.
QRect inked(const QImage& image)
{
    QRect found;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == kInk)
                found |= QRect(x, y, 1, 1);
        }
    }
    return found;
}

int inkedCount(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == kInk;
    }
    return count;
}

// Whether the point lies strictly inside the convex polygon, either way round.
bool strictlyInside(const std::vector<QPointF>& corners, QPointF p)
{
    int left = 0;
    int right = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const QPointF a = corners[i];
        const QPointF b = corners[(i + 1) % corners.size()];
        const double cross = (b.x() - a.x()) * (p.y() - a.y()) - (b.y() - a.y()) * (p.x() - a.x());
        left += cross > 0;
        right += cross < 0;
    }
    return left == int(corners.size()) || right == int(corners.size());
}

// Small convex shapes of every kind the raster tells apart: upright
// rectangles begun at either kind of side, and triangles to pentagons on an
// ellipse; one row high up to wider than a step of sixteen pixels, some over
// the picture's edges and its last bytes. Random corners put no pixel centre
// exactly on an edge.
std::vector<QPointF> randomShape(std::mt19937& random, int round)
{
    std::uniform_real_distribution<double> place(-4, 68);
    std::uniform_real_distribution<double> extent(0.3, 22);
    std::uniform_real_distribution<double> turn(0, 2 * M_PI);
    const double x = place(random);
    const double y = place(random) * 0.75;
    const double w = extent(random);
    const double h = extent(random) * (round % 3 == 0 ? 0.1 : 1);
    if (round % 4 == 0)
        return {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
    if (round % 4 == 1)
        return {{x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}};
    std::vector<double> angles(std::size_t(3 + round % 3));
    for (double& angle : angles)
        angle = turn(random);
    std::sort(angles.begin(), angles.end());
    std::vector<QPointF> corners;
    for (double angle : angles)
        corners.emplace_back(x + w * std::cos(angle), y + h * std::sin(angle));
    return corners;
}

} // namespace

class PlanRasterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aPixelBelongsToAShapeWhenItsCentreDoes()
    {
        QImage image = blank();
        PlanRaster raster(image);
        const std::vector<QPointF> square{{10, 10}, {20, 10}, {20, 20}, {10, 20}};
        raster.fillConvex(square, kInkIndex);
        QCOMPARE(inked(image), QRect(10, 10, 10, 10));
        QCOMPARE(inkedCount(image), 100);

        // Centres just inside count, centres just outside do not.
        image = blank();
        PlanRaster shifted(image);
        shifted.fillConvex(std::vector<QPointF>{{10.4, 10.4}, {20.6, 10.4}, {20.6, 20.6}, {10.4, 20.6}}, kInkIndex);
        QCOMPARE(inked(image), QRect(10, 10, 11, 11));
    }

    void smallShapesFillExactlyThePixelsWhoseCentresLieInside()
    {
        std::mt19937 random(24);
        constexpr uchar kShapeIndex = 3;
        for (int round = 0; round < 600; ++round) {
            const std::vector<QPointF> corners = randomShape(random, round);
            // Whatever the picture held stays outside the shape.
            QImage image(64, 48, QImage::Format_Grayscale8);
            for (int y = 0; y < 48; ++y) {
                for (int x = 0; x < 64; ++x)
                    image.scanLine(y)[x] = uchar((x * 7 + y * 3) % 6);
            }
            const auto paint = round % 2 ? PlanRaster::Paint::KeepGreater : PlanRaster::Paint::Over;
            PlanRaster(image).fillConvex(corners, kShapeIndex, paint);
            for (int y = 0; y < 48; ++y) {
                for (int x = 0; x < 64; ++x) {
                    const uchar held = uchar((x * 7 + y * 3) % 6);
                    const uchar painted = paint == PlanRaster::Paint::Over ? kShapeIndex : std::max(held, kShapeIndex);
                    const uchar expected = strictlyInside(corners, {x + 0.5, y + 0.5}) ? painted : held;
                    if (image.constScanLine(y)[x] != expected)
                        QFAIL(qPrintable(QStringLiteral("round %1, pixel %2,%3").arg(round).arg(x).arg(y)));
                }
            }
        }
    }

    void linesAreTwoPixelsWideWithSquareEnds()
    {
        QImage image = blank();
        PlanRaster raster(image);
        raster.line({10, 10}, {30, 10}, kInkIndex);
        QCOMPARE(inked(image), QRect(9, 9, 22, 2));
        QCOMPARE(inkedCount(image), 44);

        image = blank();
        PlanRaster upright(image);
        upright.outline(std::vector<QPointF>{{20, 5}, {20, 40}}, kInkIndex); // an upright face seen from above
        QCOMPARE(inked(image), QRect(19, 4, 2, 37));

        // A diagonal leaves no gaps: every row it crosses is inked.
        image = blank();
        PlanRaster diagonal(image);
        diagonal.line({5, 5}, {40, 30}, kInkIndex);
        for (int y = 6; y < 30; ++y)
            QVERIFY2(inked(image.copy(0, y, 64, 1)).width() >= 2, qPrintable(QString::number(y)));
    }

    void aSteepLineIsAFlatLineTurnedOnItsSide()
    {
        // Steep lines are painted row by row, flat ones column by column;
        // mirrored across the diagonal, each must cover the other's pixels.
        const std::vector<std::pair<QPointF, QPointF>> lines{
            {{10.3, 2.2}, {14.9, 45.1}}, {{40.5, 47.6}, {33.1, 3.3}}, {{-3.7, -8.2}, {2.4, 60.5}}, {{46.2, 5.5}, {50.8, 44.4}}};
        for (const auto& [from, to] : lines) {
            QImage steep = blank({48, 48});
            PlanRaster(steep).line(from, to, kInkIndex);
            QImage flat = blank({48, 48});
            PlanRaster(flat).line({from.y(), from.x()}, {to.y(), to.x()}, kInkIndex);
            QVERIFY(inkedCount(steep) > 0);
            for (int y = 0; y < 48; ++y) {
                for (int x = 0; x < 48; ++x)
                    QCOMPARE(steep.pixel(x, y), flat.pixel(y, x));
            }
        }
    }

    void shapesAreClippedAndBadCornersDrawNothing()
    {
        QImage image = blank();
        PlanRaster raster(image);
        const double huge = 1e300;
        raster.fillConvex(std::vector<QPointF>{{-huge, -huge}, {huge, -huge}, {huge, huge}, {-huge, huge}}, kInkIndex);
        QCOMPARE(inkedCount(image), 64 * 48);

        image = blank();
        PlanRaster clipped(image);
        clipped.fillConvex(std::vector<QPointF>{{-1e7, 40}, {1e7, 40}, {0, 1e9}}, kInkIndex);
        clipped.line({-1e9, -1e9}, {1e9, 1e9}, kInkIndex);
        clipped.line({-1e9, 47.9}, {1e9, 47.9}, kInkIndex);
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QImage untouched = blank();
        PlanRaster refused(untouched);
        refused.fillConvex(std::vector<QPointF>{{0, 0}, {nan, 10}, {40, 40}}, kInkIndex);
        refused.fillConvex(std::vector<QPointF>{{0, 0}, {inf, 10}, {40, 40}}, kInkIndex);
        refused.outline(std::vector<QPointF>{{0, 0}, {10, nan}}, kInkIndex);
        refused.line({0, 0}, {-inf, 10}, kInkIndex);
        QCOMPARE(inkedCount(untouched), 0);
        // Rows 40 and below are filled across; the picture's edges are where the writing stops.
        for (int y = 40; y < 48; ++y)
            QCOMPARE(image.pixel(0, y), kInk);
        QCOMPARE(image.pixel(63, 47), kInk);

        // An edge so flat that its slope is no longer a number crosses nothing.
        QImage flat = blank();
        PlanRaster steep(flat);
        steep.fillConvex(std::vector<QPointF>{{0, 10.5}, {1e308, 10.5 + 1e-9}, {0, 30}}, kInkIndex);
        QCOMPARE(inked(flat), QRect(0, 11, 64, 19));
    }

    void aShapeThatIsNotConvexIsFilledSafelyBetweenItsOuterEdges()
    {
        QImage image = blank({32, 32});
        PlanRaster raster(image);
        // A bow tie: each row is filled from its leftmost to its rightmost edge.
        raster.fillConvex(std::vector<QPointF>{{4, 4}, {28, 28}, {28, 4}, {4, 28}}, kInkIndex);
        QCOMPARE(inked(image), QRect(4, 4, 24, 24));
        QCOMPARE(image.pixel(16, 5), kInk);

        // Thousands of corners spiked across the picture and far beyond.
        std::vector<QPointF> spikes;
        for (int i = 0; i < 4096; ++i)
            spikes.emplace_back(i % 2 ? 1e6 * std::cos(i) : 16, i % 2 ? 1e6 * std::sin(i) : 16);
        raster.fillConvex(spikes, kInkIndex);
        raster.outline(spikes, kInkIndex);
        QCOMPARE(inkedCount(image), 32 * 32);
    }

    void shapesKeepingTheGreaterIndexLookPaintedInOrder()
    {
        // Overlapping squares of indices 1 to 3, given in every order.
        const std::vector<std::vector<QPointF>> squares{
            {{4, 4}, {20, 4}, {20, 20}, {4, 20}}, {{10, 10}, {30, 10}, {30, 30}, {10, 30}}, {{16, 2}, {24, 2}, {24, 40}, {16, 40}}};
        QImage inOrder = blank();
        PlanRaster painted(inOrder);
        for (std::size_t i = 0; i < squares.size(); ++i)
            painted.fillConvex(squares[i], uchar(i + 1));
        std::vector<std::size_t> order{0, 1, 2};
        do {
            QImage image = blank();
            PlanRaster raster(image);
            for (std::size_t i : order)
                raster.fillConvex(squares[i], uchar(i + 1), PlanRaster::Paint::KeepGreater);
            QCOMPARE(image, inOrder);
        } while (std::next_permutation(order.begin(), order.end()));
        QCOMPARE(inOrder.pixelIndex(17, 17), 3);
        QCOMPARE(inOrder.pixelIndex(12, 12), 2);
    }

    void anOutlineGoingBackAlongItselfDrawsWhatItsEdgesDraw()
    {
        // Upright faces seen from above, along a row, a column and a slant;
        // and a pentagon, each edge drawn on its own for comparison.
        const std::vector<std::vector<QPointF>> outlines{{{5.3, 7.7}, {40.2, 7.7}, {40.2, 7.7}, {5.3, 7.7}},
                                                         {{12.5, 3.1}, {12.5, 44.6}, {12.5, 44.6}, {12.5, 3.1}},
                                                         {{3.2, 40.9}, {50.7, 6.4}, {50.7, 6.4}, {3.2, 40.9}},
                                                         {{30, 5}, {60, 20}, {50, 45}, {20, 40}, {18.5, 18.5}}};
        for (const std::vector<QPointF>& corners : outlines) {
            QImage outlined = blank();
            PlanRaster(outlined).outline(corners, kInkIndex);
            QImage edges = blank();
            PlanRaster raster(edges);
            for (std::size_t i = 0; i < corners.size(); ++i)
                raster.line(corners[i], corners[(i + 1) % corners.size()], kInkIndex);
            QCOMPARE(outlined, edges);
            QVERIFY(inkedCount(outlined) > 0);
        }
    }
};

QTEST_GUILESS_MAIN(PlanRasterTest)
#include "planRasterTest.moc"
