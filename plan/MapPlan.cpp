#include "plan/MapPlan.h"

#include "gamefolder/MapGeometry.h"
#include "plan/PlanRaster.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace tolvex {

namespace {

struct Bounds {
    float minX = 0;
    float maxX = 0;
    float minY = 0;
    float maxY = 0;
    float low = 0;
    float high = 0;
};

struct Extent {
    float minX;
    float maxX;
    float minY;
    float maxY;

    void take(const MapGeometry::Point& p)
    {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
};

// The extent of the points taken in two halves side by side: with one
// minimum and maximum, each point would wait on the one before.
Bounds boundsOf(const MapGeometry& geometry)
{
    const std::vector<MapGeometry::Point>& points = geometry.points;
    const MapGeometry::Point& first = points.front();
    Extent even{first.x, first.x, first.y, first.y};
    Extent odd = even;
    std::size_t i = 0;
    for (; i + 1 < points.size(); i += 2) {
        even.take(points[i]);
        odd.take(points[i + 1]);
    }
    if (i < points.size())
        even.take(points[i]);
    Bounds b{std::min(even.minX, odd.minX), std::max(even.maxX, odd.maxX), std::min(even.minY, odd.minY),
             std::max(even.maxY, odd.maxY), first.z, first.z};
    // A floor whose height is no finite number is not drawn, so it shades nothing.
    float low = std::numeric_limits<float>::infinity();
    float high = -low;
    for (const MapGeometry::Face& face : geometry.faces) {
        if (face.kind == MapGeometry::Face::Kind::Floor && std::isfinite(face.height)) {
            low = std::min(low, face.height);
            high = std::max(high, face.height);
        }
    }
    if (low <= high) {
        b.low = low;
        b.high = high;
    }
    return b;
}

constexpr double kMaxScale = 16;

// Map units to pixels: the level centred, its larger extent filling the
// picture up to the margin, north up.
struct Fit {
    double scale = 1;
    double offsetX = 0;
    double offsetY = 0;

    Fit(const Bounds& b, QSize size)
    {
        const double width = double(b.maxX) - b.minX;
        const double height = double(b.maxY) - b.minY;
        const double room = std::max(1, std::min(size.width(), size.height()) - 2 * kPlanMargin);
        const double roomX = std::max(1, size.width() - 2 * kPlanMargin);
        const double roomY = std::max(1, size.height() - 2 * kPlanMargin);
        if (width > 0 || height > 0)
            scale = std::min(width > 0 ? roomX / width : room / height, height > 0 ? roomY / height : room / width);
        // A level a few units across is no level; drawn as such it would
        // hand the painter coordinates far outside any picture.
        scale = std::min(scale, kMaxScale);
        offsetX = size.width() / 2.0 - (double(b.minX) + width / 2) * scale;
        offsetY = size.height() / 2.0 + (double(b.minY) + height / 2) * scale;
    }
    [[nodiscard]] QPointF operator()(float x, float y) const { return {x * scale + offsetX, offsetY - y * scale}; }
};

// False for a face whose corners are not all among the points.
bool usable(const MapGeometry& geometry, const MapGeometry::Face& face)
{
    return face.count >= 0 && face.first <= geometry.points.size()
        && std::size_t(face.count) <= geometry.points.size() - face.first;
}

void project(const MapGeometry& geometry, const MapGeometry::Face& face, const Fit& fit, QPointF* corners)
{
    for (std::size_t i = 0; i < std::size_t(face.count); ++i) {
        const MapGeometry::Point& p = geometry.points[face.first + i];
        corners[i] = fit(p.x, p.y);
    }
}

// Floors come in this many shades, the lowest darkest.
constexpr int kShades = 121;

// The plan is drawn in colour indices: the ground, then the floors' shades
// from the lowest up, then the walls.
constexpr uchar kGroundIndex = 0;
constexpr uchar kWallIndex = kShades + 1;

uchar shadeIndex(float height, const Bounds& b)
{
    const float span = b.high - b.low;
    const double share = span > 0 ? double(height - b.low) / span : 1.0;
    return uchar(1 + std::clamp(int(share * (kShades - 1)), 0, kShades - 1));
}

// Every byte has a colour, so no index can read past the table.
std::array<QRgb, 256> colourTable()
{
    std::array<QRgb, 256> table;
    table.fill(kPlanGround);
    for (int shade = 0; shade < kShades; ++shade) {
        const int level = 110 + shade;
        table[1 + shade] = qRgb(level - 20, level - 8, level);
    }
    table[kWallIndex] = kPlanWall;
    return table;
}

// A higher floor has the greater index and the walls the greatest, so a
// pixel that keeps the greatest index painted on it shows what painting the
// floors from low to high and the walls over them would, in one pass through
// the faces in the file's order.
void drawFaces(PlanRaster& raster, const MapGeometry& geometry, const Bounds& bounds, const Fit& fit)
{
    std::vector<QPointF> corners;
    for (const MapGeometry::Face& face : geometry.faces) {
        const bool floor = face.kind == MapGeometry::Face::Kind::Floor;
        if ((floor && !std::isfinite(face.height)) || !usable(geometry, face))
            continue;
        corners.resize(std::size_t(face.count));
        project(geometry, face, fit, corners.data());
        if (floor)
            raster.fillConvex(corners, shadeIndex(face.height, bounds), PlanRaster::Paint::KeepGreater);
        else
            raster.outline(corners, kWallIndex);
    }
}

void drawMarks(QPainter& painter, const MapGeometry& geometry, const Fit& fit)
{
    painter.setPen(Qt::NoPen);
    for (const MapGeometry::Mark& mark : geometry.marks) {
        const QPointF at = fit(mark.x, mark.y);
        if (mark.kind == MapGeometry::Mark::Kind::Spawn) {
            painter.setBrush(QColor::fromRgb(kPlanSpawn));
            painter.drawEllipse(at, 4, 4);
        } else {
            painter.setBrush(QColor::fromRgb(kPlanItem));
            painter.drawRect(QRectF(at.x() - 3, at.y() - 3, 6, 6));
        }
    }
}

// Makes the picture one of the size and format, keeping it when it is one.
bool ready(QImage& image, QSize size, QImage::Format format)
{
    if (image.size() != size || image.format() != format)
        image = QImage(size, format);
    return !image.isNull();
}

// The colours of the indices, into a picture of the same size.
void colourIn(const QImage& indexed, QImage& picture)
{
    static const std::array<QRgb, 256> kColours = colourTable();
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* from = indexed.constScanLine(y);
        auto* to = reinterpret_cast<QRgb*>(picture.scanLine(y));
        std::transform(from, from + indexed.width(), to, [](uchar index) { return kColours[index]; });
    }
}

} // namespace

QImage drawPlan(const MapGeometry& geometry, QSize size)
{
    PlanCanvas canvas;
    return drawPlan(geometry, canvas, size);
}

QImage drawPlan(const MapGeometry& geometry, PlanCanvas& canvas, QSize size)
{
    if (geometry.faces.empty() || size.isEmpty())
        return {};
    const Bounds bounds = boundsOf(geometry);
    const Fit fit(bounds, size);
    if (!ready(canvas.indexed, size, QImage::Format_Grayscale8) || !ready(canvas.picture, size, QImage::Format_RGB32))
        return {};
    canvas.indexed.fill(kGroundIndex);
    PlanRaster raster(canvas.indexed);
    drawFaces(raster, geometry, bounds, fit);
    colourIn(canvas.indexed, canvas.picture);
    if (!geometry.marks.empty()) {
        QPainter painter(&canvas.picture);
        drawMarks(painter, geometry, fit);
    }
    return canvas.picture;
}

} // namespace tolvex
