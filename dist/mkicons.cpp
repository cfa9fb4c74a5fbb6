// Renders the program's vector icon into the PNG sizes a desktop icon theme
// looks for, laid out as the theme expects:
//   mkicons ICON.svg THEME_DIR NAME SIZE...
// writes THEME_DIR/<SIZE>x<SIZE>/apps/NAME.png for each size.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

bool renderIcon(QSvgRenderer& icon, int side, const QString& path)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    icon.render(&painter, QRectF(0, 0, side, side));
    painter.end();
    return QDir().mkpath(QFileInfo(path).path()) && image.save(path, "PNG");
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: mkicons ICON.svg THEME_DIR NAME SIZE...\n");
        return 2;
    }
    QSvgRenderer icon(args[1]);
    if (!icon.isValid()) {
        std::fprintf(stderr, "mkicons: %s is no SVG picture Qt can draw\n", qPrintable(args[1]));
        return 1;
    }
    for (qsizetype i = 4; i < args.size(); ++i) {
        bool isNumber = false;
        const int side = args[i].toInt(&isNumber);
        if (!isNumber || side < 1 || side > 1024) {
            std::fprintf(stderr, "mkicons: %s is no icon size\n", qPrintable(args[i]));
            return 2;
        }
        const QString path = QStringLiteral("%1/%2x%2/apps/%3.png").arg(args[2]).arg(side).arg(args[3]);
        if (!renderIcon(icon, side, path)) {
            std::fprintf(stderr, "mkicons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
