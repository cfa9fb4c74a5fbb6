#include "plan/MapPlan.h"

#include "gamefolder/MapGeometry.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <numeric>

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

QPolygonF polygonOf(const MapGeometry& geometry, const MapGeometry::Face& face, const Fit& fit)
{
    QPolygonF polygon(face.count);
    for (int i = 0; i < face.count; ++i) {
        const MapGeometry::Point& p = geometry.points[face.first + std::size_t(i)];
        polygon[i] = fit(p.x, p.y);
    }
    return polygon;
}

QColor floorColour(float height, const Bounds& b)
{
    const float span = b.high - b.low;
    const double share = span > 0 ? double(height - b.low) / span : 1.0;
    const int level = 110 + int(share * 120);
    return QColor(level - 20, level - 8, level);
}

void drawFloors(QPainter& painter, const MapGeometry& geometry, const Bounds& bounds, const Fit& fit)
{
    std::vector<std::size_t> order;
    order.reserve(geometry.faces.size());
    for (std::size_t i = 0; i < geometry.faces.size(); ++i) {
        if (geometry.faces[i].kind == MapGeometry::Face::Kind::Floor)
            order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return geometry.faces[a].height < geometry.faces[b].height; });
    painter.setPen(Qt::NoPen);
    for (const std::size_t i : order) {
        const MapGeometry::Face& face = geometry.faces[i];
        painter.setBrush(floorColour(face.height, bounds));
        painter.drawPolygon(polygonOf(geometry, face, fit));
    }
}

void drawWalls(QPainter& painter, const MapGeometry& geometry, const Fit& fit)
{
    painter.setPen(QPen(QColor::fromRgb(kPlanWall), 2));
    painter.setBrush(Qt::NoBrush);
    for (const MapGeometry::Face& face : geometry.faces) {
        if (face.kind == MapGeometry::Face::Kind::Wall)
            painter.drawPolygon(polygonOf(geometry, face, fit));
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
    QPainter painter(&image);
    drawFloors(painter, geometry, bounds, fit);
    drawWalls(painter, geometry, fit);
    drawMarks(painter, geometry, fit);
    return image;
}

} // namespace tolvex
