#include "resources/ButtonPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace tolvex {

namespace {

const QColor kInk(40, 40, 48);
const QColor kGreen(30, 140, 60);
const QColor kRed(190, 40, 40);
const QColor kBlue(40, 90, 180);
const QColor kGold(210, 160, 30);

void cross(QPainter& p, QColor colour)
{
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

void tick(QPainter& p, QColor colour)
{
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath path(QPointF(3, 8.5));
    path.lineTo(6.5, 12);
    path.lineTo(13, 4);
    p.drawPath(path);
}

void playTriangle(QPainter& p, QRectF box, QColor colour)
{
    QPainterPath path(box.topLeft());
    path.lineTo(box.right(), box.center().y());
    path.lineTo(box.bottomLeft());
    path.closeSubpath();
    p.fillPath(path, colour);
}

void sheet(QPainter& p, QRectF box)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(box);
    for (qreal y = box.top() + 3; y < box.bottom() - 1; y += 2.5)
        p.drawLine(QPointF(box.left() + 2, y), QPointF(box.right() - 2, y));
}

void arrow(QPainter& p, QPointF from, QPointF to, QColor colour)
{
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    p.drawLine(to, to - d * 3.5 + n * 3);
    p.drawLine(to, to - d * 3.5 - n * 3);
}

void die(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 2, 2);
    p.setBrush(kInk);
    for (const QPointF dot : {QPointF(5.5, 5.5), QPointF(8, 8), QPointF(10.5, 10.5), QPointF(10.5, 5.5), QPointF(5.5, 10.5)})
        p.drawEllipse(dot, 1, 1);
}

void playWithBot(QPainter& p)
{
    playTriangle(p, QRectF(2, 3, 8, 10), kGreen);
    p.setPen(QPen(kInk, 1));
    p.setBrush(kGold);
    p.drawEllipse(QRectF(9, 7, 6, 6));
    p.drawRect(QRectF(10.5, 12, 3, 3));
}

void listSheet(QPainter& p)
{
    sheet(p, QRectF(3, 1.5, 10, 13));
    p.setPen(QPen(kBlue, 1.5));
    p.drawLine(QPointF(5, 4), QPointF(11, 4));
}

void clipboard(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(200, 150, 90));
    p.drawRect(QRectF(2.5, 2.5, 11, 12));
    sheet(p, QRectF(4.5, 4.5, 7, 8));
    p.setBrush(Qt::lightGray);
    p.drawRect(QRectF(5.5, 1.5, 5, 2.5));
}

void grid(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.fillRect(QRectF(2, 3, 12, 2.5), kBlue);
    for (const qreal y : {8.0, 10.5})
        p.drawLine(QPointF(1.5, y), QPointF(14.5, y));
    p.drawLine(QPointF(6, 5.5), QPointF(6, 13.5));
}

void information(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawPoint(QPointF(8, 4.8));
    p.drawLine(QPointF(8, 7.5), QPointF(8, 11.5));
}

void gear(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::gray);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(8, 8);
        p.rotate(45.0 * i);
        p.drawRect(QRectF(-1.5, -7, 3, 3));
        p.restore();
    }
    p.drawEllipse(QRectF(3, 3, 10, 10));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(6, 6, 4, 4));
}

void exitDoor(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(150, 100, 60));
    p.drawRect(QRectF(3.5, 1.5, 8, 13));
    arrow(p, QPointF(8, 8), QPointF(15, 8), kRed);
}

void printer(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(Qt::lightGray);
    p.drawRect(QRectF(1.5, 6.5, 13, 6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
}

void plus(QPainter& p)
{
    p.setPen(QPen(kGreen, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 3), QPointF(8, 13));
    p.drawLine(QPointF(3, 8), QPointF(13, 8));
}

void disk(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kBlue);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.drawRect(QRectF(3.5, 9.5, 9, 5));
}

void folder(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kGold);
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawRect(QRectF(1.5, 3, 5, 2));
}

// A folder with a plus: levels taken over from the game's own folder.
void folderWithPlus(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kGold);
    p.drawRect(QRectF(0.5, 5.5, 11, 8));
    p.drawRect(QRectF(0.5, 4, 4.5, 2));
    p.setPen(QPen(kGreen, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 1.5), QPointF(12, 8.5));
    p.drawLine(QPointF(8.5, 5), QPointF(15.5, 5));
}

// A parcel with an arrow into it: a downloaded level archive unpacked into the game.
void parcelWithArrow(QPainter& p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kGold);
    p.drawRect(QRectF(1.5, 7.5, 13, 7));
    p.drawLine(QPointF(1.5, 10.5), QPointF(14.5, 10.5));
    p.setPen(QPen(kInk, 1.6));
    p.drawLine(QPointF(8, 8), QPointF(8, 14));
    arrow(p, QPointF(8, 0.5), QPointF(8, 7), kGreen);
}

using Drawing = void (*)(QPainter&);

// One drawing per picture, in the order of Picture.
constexpr std::array<Drawing, 21> kDrawings{
    die,
    playWithBot,
    [](QPainter& p) { playTriangle(p, QRectF(4, 2.5, 9, 11), kGreen); },
    listSheet,
    clipboard,
    grid,
    information,
    gear,
    exitDoor,
    printer,
    [](QPainter& p) {
        sheet(p, QRectF(1.5, 1.5, 9, 13));
        arrow(p, QPointF(6, 10), QPointF(15, 10), kGreen);
    },
    [](QPainter& p) {
        sheet(p, QRectF(5.5, 1.5, 9, 13));
        arrow(p, QPointF(1, 10), QPointF(10, 10), kBlue);
    },
    folderWithPlus,
    parcelWithArrow,
    [](QPainter& p) { cross(p, kRed); },
    plus,
    [](QPainter& p) {
        p.setPen(QPen(kRed, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
    },
    disk,
    [](QPainter& p) { cross(p, kRed); },
    folder,
    [](QPainter& p) { tick(p, kGreen); },
};
static_assert(kDrawings.size() == std::size_t(Picture::Ok) + 1, "a drawing for every picture");

} // namespace

QIcon buttonPicture(Picture picture)
{
    QIcon icon;
    for (const qreal scale : {1.0, 2.0}) {
        QPixmap pixmap(QSize(16, 16) * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        kDrawings[std::size_t(picture)](p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace tolvex
