#include "plan/PlanRaster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tolvex {

namespace {

// The first pixel whose centre lies at or past the coordinate, kept within
// 0..limit; a coordinate that is no number counts as before the first.
// Done without std::ceil, a call on the plain x86-64 target, since a small
// face asks this a dozen times.
int firstCentreAtOrAfter(double coordinate, int limit)
{
    const double at = coordinate - 0.5;
    if (!(at > 0))
        return 0;
    if (at > limit - 1)
        return limit;
    const int whole = int(at);
    return whole + int(whole < at);
}

bool allFinite(std::span<const QPointF> corners)
{
    return std::all_of(corners.begin(), corners.end(),
                       [](const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); });
}

constexpr double kHalfPen = 1.0; // the pen is two pixels wide

// An upright face seen from above runs back along its own edges: an edge of
// a small outline that another before it already drew, either way round, is
// not drawn again. Larger outlines are drawn edge by edge.
constexpr std::size_t kMaxComparedCorners = 16;

bool drawnBefore(std::span<const QPointF> corners, std::size_t edge)
{
    const std::size_t n = corners.size();
    const QPointF from = corners[edge];
    const QPointF to = corners[(edge + 1) % n];
    // Exact comparisons: QPointF's own is fuzzy, and a line drawn from points
    // that are merely close may differ by a pixel.
    const auto same = [](QPointF a, QPointF b) { return a.x() == b.x() && a.y() == b.y(); };
    for (std::size_t i = 0; i < edge; ++i) {
        const QPointF a = corners[i];
        const QPointF b = corners[i + 1];
        if ((same(a, from) && same(b, to)) || (same(a, to) && same(b, from)))
            return true;
    }
    return false;
}

} // namespace

PlanRaster::PlanRaster(QImage& image)
    : m_bits(image.bits())
    , m_stride(image.bytesPerLine())
    , m_width(image.width())
    , m_height(image.height())
    , m_left(std::size_t(std::max(0, image.height())))
    , m_right(std::size_t(std::max(0, image.height())))
{
    Q_ASSERT(image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Grayscale8);
}

void PlanRaster::fillConvex(std::span<const QPointF> corners, uchar index, Paint paint)
{
    if (corners.size() < 3)
        return;
    double top = corners.front().y();
    double bottom = top;
    bool finite = true;
    for (const QPointF& p : corners) {
        finite = finite && std::isfinite(p.x()) && std::isfinite(p.y());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    const int first = firstCentreAtOrAfter(top, m_height);
    const int last = firstCentreAtOrAfter(bottom, m_height);
    // Many faces of a large level cross no pixel centre at all.
    if (!finite || first >= last)
        return;
    std::fill(m_left.begin() + first, m_left.begin() + last, std::numeric_limits<double>::infinity());
    std::fill(m_right.begin() + first, m_right.begin() + last, -std::numeric_limits<double>::infinity());
    for (std::size_t i = 0; i < corners.size(); ++i) {
        QPointF a = corners[i];
        QPointF b = corners[i + 1 < corners.size() ? i + 1 : 0];
        if (a.y() > b.y())
            std::swap(a, b);
        // Each edge owns the rows whose centres lie in [its top, its bottom),
        // so two edges meeting at a corner never both claim its row.
        const int from = firstCentreAtOrAfter(a.y(), m_height);
        const int to = firstCentreAtOrAfter(b.y(), m_height);
        if (from >= to)
            continue;
        const double slope = (b.x() - a.x()) / (b.y() - a.y());
        for (int y = from; y < to; ++y) {
            const double x = a.x() + (y + 0.5 - a.y()) * slope;
            // std::min and std::max keep the value held when x is no number.
            m_left[std::size_t(y)] = std::min(m_left[std::size_t(y)], x);
            m_right[std::size_t(y)] = std::max(m_right[std::size_t(y)], x);
        }
    }
    fillRows(first, last, index, paint);
}

void PlanRaster::fillRows(int first, int last, uchar index, Paint paint)
{
    for (int y = first; y < last; ++y) {
        const int from = firstCentreAtOrAfter(m_left[std::size_t(y)], m_width);
        const int to = firstCentreAtOrAfter(m_right[std::size_t(y)], m_width);
        uchar* row = m_bits + y * m_stride;
        if (paint == Paint::Over) {
            std::fill(row + from, row + std::max(from, to), index);
        } else {
            for (int x = from; x < to; ++x)
                row[x] = std::max(row[x], index);
        }
    }
}

void PlanRaster::fillRect(double left, double top, double right, double bottom, uchar index)
{
    const int from = firstCentreAtOrAfter(left, m_width);
    const int to = std::max(from, firstCentreAtOrAfter(right, m_width));
    const int last = firstCentreAtOrAfter(bottom, m_height);
    for (int y = firstCentreAtOrAfter(top, m_height); y < last; ++y) {
        uchar* row = m_bits + y * m_stride;
        std::fill(row + from, row + to, index);
    }
}

void PlanRaster::outline(std::span<const QPointF> corners, uchar index)
{
    if (corners.empty() || !allFinite(corners))
        return;
    const bool compare = corners.size() <= kMaxComparedCorners;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        if (!compare || !drawnBefore(corners, i))
            line(corners[i], corners[(i + 1) % corners.size()], index);
    }
}

void PlanRaster::line(QPointF from, QPointF to, uchar index)
{
    if (!std::isfinite(from.x()) || !std::isfinite(from.y()) || !std::isfinite(to.x()) || !std::isfinite(to.y()))
        return;
    // Stepped along the longer direction, so that the line has no gaps.
    if (std::abs(to.x() - from.x()) >= std::abs(to.y() - from.y()))
        lineAlong(from.x(), from.y(), to.x(), to.y(), false, index);
    else
        lineAlong(from.y(), from.x(), to.y(), to.x(), true, index);
}

void PlanRaster::lineAlong(double majorFrom, double minorFrom, double majorTo, double minorTo, bool steep, uchar index)
{
    if (majorFrom > majorTo) {
        std::swap(majorFrom, majorTo);
        std::swap(minorFrom, minorTo);
    }
    if (minorFrom == minorTo) {
        // Along a row or a column, as most walls run, and a line of no length:
        // the pen covers a rectangle.
        const double majorStart = majorFrom - kHalfPen;
        const double majorEnd = majorTo + kHalfPen;
        const double minorStart = minorFrom - kHalfPen;
        const double minorEnd = minorFrom + kHalfPen;
        if (steep)
            fillRect(minorStart, majorStart, minorEnd, majorEnd, index);
        else
            fillRect(majorStart, minorStart, majorEnd, minorEnd, index);
        return;
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
                m_bits[at + step * m_stride] = index;
            else
                m_bits[step + at * m_stride] = index;
        }
    }
}

} // namespace tolvex
