#include "resources/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace tolvex {

QIcon programIcon()
{
    QSvgRenderer picture(QStringLiteral(":/tolvex.svg"));
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64, 96, 128, 256}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        picture.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace tolvex
