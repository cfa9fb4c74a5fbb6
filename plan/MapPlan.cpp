#include "plan/MapPlan.h"

#include "gamefolder/MapGeometry.h"
#include "plan/PlanRaster.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <span>
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

Bounds boundsOf(const MapGeometry& geometry)
{
    const MapGeometry::Point& first = geometry.points.front();
    Bounds b{first.x, first.x, first.y, first.y, first.z, first.z};
    for (const MapGeometry::Point& p : geometry.points) {
        b.minX = std::min(b.minX, p.x);
        b.maxX = std::max(b.maxX, p.x);
        b.minY = std::min(b.minY, p.y);
        b.maxY = std::max(b.maxY, p.y);
    }
    bool anyFloor = false;
    for (const MapGeometry::Face& face : geometry.faces) {
        if (face.kind != MapGeometry::Face::Kind::Floor)
            continue;
        b.low = anyFloor ? std::min(b.low, face.height) : face.height;
        b.high = anyFloor ? std::max(b.high, face.height) : face.height;
        anyFloor = true;
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

int shadeOf(float height, const Bounds& b)
{
    const float span = b.high - b.low;
    const double share = span > 0 ? double(height - b.low) / span : 1.0;
    return std::clamp(int(share * (kShades - 1)), 0, kShades - 1);
}

QRgb shadeColour(int shade)
{
    const int level = 110 + shade;
    return qRgb(level - 20, level - 8, level);
}

// The floors in painter's order, their corners in pixels and laid out in
// that order, so that drawing reads its memory front to back.
struct Floors {
    struct Floor {
        std::size_t first = 0; // into corners
        std::size_t count = 0;
        int shade = 0;
    };
    std::vector<QPointF> corners;
    std::vector<Floor> floors;
};

// Painter's order from low to high matters only between different shades,
// and a higher floor never gets a darker one: floors grouped by shade, in
// the file's order within each, draw what a sort by height would, in time
// linear in the faces.
Floors floorsInOrder(const MapGeometry& geometry, const Bounds& bounds, const Fit& fit)
{
    constexpr std::uint8_t kNoFloor = 0xff;
    std::vector<std::uint8_t> shades(geometry.faces.size(), kNoFloor);
    std::array<std::size_t, kShades + 1> nextFloor{};
    std::array<std::size_t, kShades + 1> nextCorner{};
    for (std::size_t i = 0; i < geometry.faces.size(); ++i) {
        const MapGeometry::Face& face = geometry.faces[i];
        if (face.kind != MapGeometry::Face::Kind::Floor || !std::isfinite(face.height) || !usable(geometry, face))
            continue;
        shades[i] = std::uint8_t(shadeOf(face.height, bounds));
        ++nextFloor[shades[i] + 1u];
        nextCorner[shades[i] + 1u] += std::size_t(face.count);
    }
    std::partial_sum(nextFloor.begin(), nextFloor.end(), nextFloor.begin());
    std::partial_sum(nextCorner.begin(), nextCorner.end(), nextCorner.begin());
    Floors result;
    result.floors.resize(nextFloor[kShades]);
    result.corners.resize(nextCorner[kShades]);
    for (std::size_t i = 0; i < shades.size(); ++i) {
        const int shade = shades[i];
        if (shade == kNoFloor)
            continue;
        const MapGeometry::Face& face = geometry.faces[i];
        const std::size_t at = nextCorner[std::size_t(shade)];
        nextCorner[std::size_t(shade)] += std::size_t(face.count);
        result.floors[nextFloor[std::size_t(shade)]++] = {at, std::size_t(face.count), shade};
        project(geometry, face, fit, result.corners.data() + at);
    }
    return result;
}

void drawFloors(PlanRaster& raster, const MapGeometry& geometry, const Bounds& bounds, const Fit& fit)
{
    const Floors floors = floorsInOrder(geometry, bounds, fit);
    for (const Floors::Floor& floor : floors.floors)
        raster.fillConvex(std::span(floors.corners).subspan(floor.first, floor.count), shadeColour(floor.shade));
}

void drawWalls(PlanRaster& raster, const MapGeometry& geometry, const Fit& fit)
{
    std::vector<QPointF> corners;
    for (const MapGeometry::Face& face : geometry.faces) {
        if (face.kind != MapGeometry::Face::Kind::Wall || !usable(geometry, face))
            continue;
        corners.resize(std::size_t(face.count));
        project(geometry, face, fit, corners.data());
        raster.outline(corners, kPlanWall);
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

} // namespace

QImage drawPlan(const MapGeometry& geometry, QSize size)
{
    if (geometry.faces.empty() || size.isEmpty())
        return {};
    const Bounds bounds = boundsOf(geometry);
    const Fit fit(bounds, size);
    QImage image(size, QImage::Format_RGB32);
    image.fill(kPlanGround);
    PlanRaster raster(image);
    drawFloors(raster, geometry, bounds, fit);
    drawWalls(raster, geometry, fit);
    if (!geometry.marks.empty()) {
        QPainter painter(&image);
        drawMarks(painter, geometry, fit);
    }
    return image;
}

} // namespace tolvex
