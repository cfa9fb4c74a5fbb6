#include "plan/PlanRaster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tolvex {

namespace {

// The first pixel whose centre lies at or past the coordinate, kept within
// 0..limit; a coordinate that is no number counts as before the first.
int firstCentreAtOrAfter(double coordinate, int limit)
{
    const double index = std::ceil(coordinate - 0.5);
    if (!(index > 0))
        return 0;
    return index >= limit ? limit : int(index);
}

bool allFinite(std::span<const QPointF> corners)
{
    return std::all_of(corners.begin(), corners.end(),
                       [](const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); });
}

constexpr double kHalfPen = 1.0; // the pen is two pixels wide

} // namespace

PlanRaster::PlanRaster(QImage& image)
    : m_bits(reinterpret_cast<QRgb*>(image.bits()))
    , m_stride(image.bytesPerLine() / qsizetype(sizeof(QRgb)))
    , m_width(image.width())
    , m_height(image.height())
    , m_left(std::size_t(std::max(0, image.height())))
    , m_right(std::size_t(std::max(0, image.height())))
{
    Q_ASSERT(image.format() == QImage::Format_RGB32);
}

void PlanRaster::fillConvex(std::span<const QPointF> corners, QRgb colour)
{
    if (corners.size() < 3 || !allFinite(corners))
        return;
    const auto [top, bottom] = std::minmax_element(corners.begin(), corners.end(),
                                                   [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
    const int first = firstCentreAtOrAfter(top->y(), m_height);
    const int last = firstCentreAtOrAfter(bottom->y(), m_height);
    if (first >= last)
        return;
    std::fill(m_left.begin() + first, m_left.begin() + last, std::numeric_limits<double>::infinity());
    std::fill(m_right.begin() + first, m_right.begin() + last, -std::numeric_limits<double>::infinity());
    for (std::size_t i = 0; i < corners.size(); ++i) {
        QPointF a = corners[i];
        QPointF b = corners[(i + 1) % corners.size()];
        if (a.y() == b.y())
            continue;
        if (a.y() > b.y())
            std::swap(a, b);
        const double slope = (b.x() - a.x()) / (b.y() - a.y());
        // Each edge owns the rows whose centres lie in [its top, its bottom),
        // so two edges meeting at a corner never both claim its row.
        const int to = firstCentreAtOrAfter(b.y(), m_height);
        for (int y = firstCentreAtOrAfter(a.y(), m_height); y < to; ++y) {
            const double x = a.x() + (y + 0.5 - a.y()) * slope;
            // std::min and std::max keep the value held when x is no number.
            m_left[std::size_t(y)] = std::min(m_left[std::size_t(y)], x);
            m_right[std::size_t(y)] = std::max(m_right[std::size_t(y)], x);
        }
    }
    fillRows(first, last, colour);
}

void PlanRaster::fillRows(int first, int last, QRgb colour)
{
    for (int y = first; y < last; ++y) {
        const int from = firstCentreAtOrAfter(m_left[std::size_t(y)], m_width);
        const int to = firstCentreAtOrAfter(m_right[std::size_t(y)], m_width);
        QRgb* row = m_bits + y * m_stride;
        std::fill(row + from, row + std::max(from, to), colour);
    }
}

void PlanRaster::outline(std::span<const QPointF> corners, QRgb colour)
{
    if (corners.empty() || !allFinite(corners))
        return;
    for (std::size_t i = 0; i < corners.size(); ++i)
        line(corners[i], corners[(i + 1) % corners.size()], colour);
}

void PlanRaster::line(QPointF from, QPointF to, QRgb colour)
{
    if (!std::isfinite(from.x()) || !std::isfinite(from.y()) || !std::isfinite(to.x()) || !std::isfinite(to.y()))
        return;
    // Stepped along the longer direction, so that the line has no gaps.
    if (std::abs(to.x() - from.x()) >= std::abs(to.y() - from.y()))
        lineAlong(from.x(), from.y(), to.x(), to.y(), false, colour);
    else
        lineAlong(from.y(), from.x(), to.y(), to.x(), true, colour);
}

void PlanRaster::lineAlong(double majorFrom, double minorFrom, double majorTo, double minorTo, bool steep, QRgb colour)
{
    if (majorFrom > majorTo) {
        std::swap(majorFrom, majorTo);
        std::swap(minorFrom, minorTo);
    }
    const double length = majorTo - majorFrom;
    const double slope = length > 0 ? (minorTo - minorFrom) / length : 0;
    const double stretch = std::sqrt(1 + slope * slope); // across the steps, the pen covers this much more
    const double half = kHalfPen * stretch;
    const double cap = kHalfPen / stretch; // the square end reaches half the pen past each end
    const int majorLimit = steep ? m_height : m_width;
    const int minorLimit = steep ? m_width : m_height;
    const int last = firstCentreAtOrAfter(majorTo + cap, majorLimit);
    for (int step = firstCentreAtOrAfter(majorFrom - cap, majorLimit); step < last; ++step) {
        const double minor = minorFrom + (step + 0.5 - majorFrom) * slope;
        const int across = firstCentreAtOrAfter(minor - half, minorLimit);
        const int acrossEnd = firstCentreAtOrAfter(minor + half, minorLimit);
        for (int at = across; at < acrossEnd; ++at) {
            if (steep)
                m_bits[at + step * m_stride] = colour;
            else
                m_bits[step + at * m_stride] = colour;
        }
    }
}

} // namespace tolvex
