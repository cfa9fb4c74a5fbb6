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
class PlanRaster {
public:
    // The picture must be of Format_RGB32 and outlive the raster.
    explicit PlanRaster(QImage& image);

    // Fills a convex polygon. Floors are convex; any other shape gets each of
    // its rows filled from its leftmost to its rightmost edge, which is untidy
    // but safe.
    void fillConvex(std::span<const QPointF> corners, QRgb colour);
    // The polygon's closed outline in lines two pixels wide.
    void outline(std::span<const QPointF> corners, QRgb colour);
    // A line two pixels wide with square ends, as a painter's default pen draws it.
    void line(QPointF from, QPointF to, QRgb colour);

private:
    void fillRows(int first, int last, QRgb colour);
    void lineAlong(double majorFrom, double minorFrom, double majorTo, double minorTo, bool steep, QRgb colour);

    QRgb* m_bits;
    qsizetype m_stride; // in pixels
    int m_width;
    int m_height;
    // Per row, the outermost edges of the polygon being filled.
    std::vector<double> m_left;
    std::vector<double> m_right;
};

} // namespace tolvex
