#pragma once

#include <QImage>
#include <QPointF>

#include <span>
#include <vector>

namespace tolvex {

// Draws the many small shapes of a plan straight into a picture's pixels,
// where a painter's set-up for each polygon would cost more than the polygon.
// Everything is clipped to the picture: corners may lie anywhere, far outside
// it too, and a shape with a corner that is no finite number is left out.
// No antialiasing: a pixel belongs to a shape when its centre does.
//
// It draws colour indices, one byte a pixel: the writes of many small shapes
// land all over the picture, and a quarter of the memory stays in the
// processor's cache where a picture of whole colours does not.
class PlanRaster {
public:
    // How a filled shape meets what the picture holds.
    enum class Paint {
        Over,
        // A pixel keeps the greater of the two indices. For colours whose
        // indices grow with the order they are meant to be painted in, shapes
        // filled in any order give what filling them in that order would.
        KeepGreater,
    };

    // The picture must be of Format_Indexed8 or Format_Grayscale8 and outlive the raster.
    explicit PlanRaster(QImage& image);

    // Fills a convex polygon. Floors are convex; any other shape gets each of
    // its rows filled from its leftmost to its rightmost edge, which is untidy
    // but safe.
    void fillConvex(std::span<const QPointF> corners, uchar index, Paint paint = Paint::Over);
    // The polygon's closed outline in lines two pixels wide.
    void outline(std::span<const QPointF> corners, uchar index);
    // A line two pixels wide with square ends, as a painter's default pen draws it.
    void line(QPointF from, QPointF to, uchar index);

private:
    void fillOneRow(std::span<const QPointF> corners, int y, uchar index, Paint paint);
    // The pixels of the row whose centres lie in [left, right).
    void fillSpan(int y, double left, double right, uchar index, Paint paint);
    // The pixels whose centres lie in [left, right) × [top, bottom).
    void fillRect(double left, double top, double right, double bottom, uchar index);
    // The rows first to last of the columns whose centres lie in [left, right).
    void fillBox(int first, int last, double left, double right, uchar index, Paint paint);
    void lineAlong(double majorFrom, double minorFrom, double majorTo, double minorTo, bool steep, uchar index);

    uchar* m_bits;
    qsizetype m_stride;
    int m_width;
    int m_height;
    // Per row, the outermost edges of the polygon being filled.
    std::vector<double> m_left;
    std::vector<double> m_right;
    // Per corner of the polygon being filled, the first row at or below it.
    std::vector<int> m_rows;
};

} // namespace tolvex
