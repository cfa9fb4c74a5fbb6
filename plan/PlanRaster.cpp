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
    double at = coordinate - 0.5;
    at = at > 0 ? at : 0;
    at = at < limit ? at : limit;
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

// Paints count pixels from at on.
void paintPixels(uchar* at, int count, uchar index, PlanRaster::Paint paint)
{
    if (paint == PlanRaster::Paint::Over) {
        std::fill(at, at + count, index);
    } else {
        for (int x = 0; x < count; ++x)
            at[x] = std::max(at[x], index);
    }
}

// Four corners with sides along the rows and columns, as most floors of a
// level are: its edges' crossings with every row are its two sides' x.
bool uprightRectangle(std::span<const QPointF> c)
{
    if (c.size() != 4)
        return false;
    return (c[0].y() == c[1].y() && c[1].x() == c[2].x() && c[2].y() == c[3].y() && c[3].x() == c[0].x())
        || (c[0].x() == c[1].x() && c[1].y() == c[2].y() && c[2].x() == c[3].x() && c[3].y() == c[0].y());
}

// An edge of no length draws the pen's square around its corner; a line
// along a row or a column that ends there covers that square already. Each
// edge of an outline is drawn, by itself or by the same edge before it.
bool coveredCorner(std::span<const QPointF> corners, std::size_t edge)
{
    const std::size_t n = corners.size();
    const QPointF at = corners[edge];
    const QPointF next = corners[(edge + 1) % n];
    if (at.x() != next.x() || at.y() != next.y())
        return false;
    const auto alongAxis = [](QPointF a, QPointF b) { return (a.x() == b.x()) != (a.y() == b.y()); };
    return alongAxis(corners[(edge + n - 1) % n], at) || alongAxis(next, corners[(edge + 2) % n]);
}

// Calls edge(top corner, dx per row, first row, end row) for each edge that
// owns rows: those whose centres lie in [its top, its bottom), so that two
// edges meeting at a corner never both claim its row. rows holds each
// corner's first row at or below it.
template <typename Edge>
void forEachEdgeWithRows(std::span<const QPointF> corners, const int* rows, Edge edge)
{
    const std::size_t n = corners.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t next = i + 1 < n ? i + 1 : 0;
        if (rows[i] == rows[next])
            continue;
        const bool down = rows[i] < rows[next];
        const QPointF a = corners[down ? i : next];
        const QPointF b = corners[down ? next : i];
        edge(a, (b.x() - a.x()) / (b.y() - a.y()), std::min(rows[i], rows[next]), std::max(rows[i], rows[next]));
    }
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
    const std::size_t n = corners.size();
    if (n < 3)
        return;
    if (m_rows.size() < n)
        m_rows.resize(n);
    int* const rows = m_rows.data();
    int first = m_height;
    int last = 0;
    bool finite = true;
    for (std::size_t i = 0; i < n; ++i) {
        const QPointF& p = corners[i];
        const bool cornerFinite = std::isfinite(p.x()) && std::isfinite(p.y());
        finite &= cornerFinite;
        rows[i] = firstCentreAtOrAfter(p.y(), m_height);
        first = std::min(first, rows[i]);
        last = std::max(last, rows[i]);
    }
    // Many faces of a large level cross no pixel centre at all.
    if (!finite || first >= last)
        return;
    if (uprightRectangle(corners)) {
        fillBox(first, last, std::min(corners[0].x(), corners[2].x()), std::max(corners[0].x(), corners[2].x()), index,
                paint);
        return;
    }
    if (last - first == 1) {
        fillOneRow(corners, first, index, paint);
        return;
    }
    std::fill(m_left.begin() + first, m_left.begin() + last, std::numeric_limits<double>::infinity());
    std::fill(m_right.begin() + first, m_right.begin() + last, -std::numeric_limits<double>::infinity());
    forEachEdgeWithRows(corners, rows, [this](QPointF a, double slope, int from, int to) {
        for (int y = from; y < to; ++y) {
            const double x = a.x() + (y + 0.5 - a.y()) * slope;
            // std::min and std::max keep the value held when x is no number.
            m_left[std::size_t(y)] = std::min(m_left[std::size_t(y)], x);
            m_right[std::size_t(y)] = std::max(m_right[std::size_t(y)], x);
        }
    });
    for (int y = first; y < last; ++y)
        fillSpan(y, m_left[std::size_t(y)], m_right[std::size_t(y)], index, paint);
}

// The one row most small faces cross, its ends kept in registers.
void PlanRaster::fillOneRow(std::span<const QPointF> corners, int y, uchar index, Paint paint)
{
    const double centre = y + 0.5;
    double left = std::numeric_limits<double>::infinity();
    double right = -left;
    forEachEdgeWithRows(corners, m_rows.data(), [&](QPointF a, double slope, int, int) {
        const double x = a.x() + (centre - a.y()) * slope;
        left = std::min(left, x);
        right = std::max(right, x);
    });
    fillSpan(y, left, right, index, paint);
}

void PlanRaster::fillSpan(int y, double left, double right, uchar index, Paint paint)
{
    const int from = firstCentreAtOrAfter(left, m_width);
    const int to = firstCentreAtOrAfter(right, m_width);
    if (from < to)
        paintPixels(m_bits + y * m_stride + from, to - from, index, paint);
}

void PlanRaster::fillRect(double left, double top, double right, double bottom, uchar index)
{
    fillBox(firstCentreAtOrAfter(top, m_height), firstCentreAtOrAfter(bottom, m_height), left, right, index, Paint::Over);
}

void PlanRaster::fillBox(int first, int last, double left, double right, uchar index, Paint paint)
{
    const int from = firstCentreAtOrAfter(left, m_width);
    const int to = firstCentreAtOrAfter(right, m_width);
    if (from >= to)
        return;
    for (int y = first; y < last; ++y)
        paintPixels(m_bits + y * m_stride + from, to - from, index, paint);
}

void PlanRaster::outline(std::span<const QPointF> corners, uchar index)
{
    if (corners.empty() || !allFinite(corners))
        return;
    const bool compare = corners.size() <= kMaxComparedCorners;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        if (!coveredCorner(corners, i) && (!compare || !drawnBefore(corners, i)))
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
        if (steep) {
            // Across a steep line is along a row.
            if (across < acrossEnd)
                paintPixels(m_bits + step * m_stride + across, acrossEnd - across, index, Paint::Over);
            continue;
        }
        for (int at = across; at < acrossEnd; ++at)
            m_bits[step + at * m_stride] = index;
    }
}

} // namespace tolvex
