// Draws Tolvex's own pictures into a program folder: the fallback picture
// nopic.jpg and a screenshot screens/<level>.jpg for each level named.
//
//   mkpictures [--replace] FOLDER [LEVEL...]
//
// Existing files are kept unless --replace is given.

#include "platform/dialogs/TolvexError.h"
#include "platform/pictures/JpegImage.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace tolvex;

namespace {

constexpr QSize kScreenshotSize(640, 480);

// Stable across runs and platforms, unlike qHash.
quint32 nameHash(const QString& name)
{
    quint32 hash = 2166136261u;
    for (const QChar c : name) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    return hash;
}

QFont font(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void shadowedText(QPainter& painter, const QRect& box, int flags, const QString& text, const QColor& colour)
{
    painter.setPen(QColor(0, 0, 0, 170));
    painter.drawText(box.translated(2, 2), flags, text);
    painter.setPen(colour);
    painter.drawText(box, flags, text);
}

// A room seen from its middle: a dark sky, a coloured floor with its grid
// running to the horizon, and a few lit blocks standing on it.
QImage screenshot(const QString& level)
{
    const quint32 hash = nameHash(level);
    QRandomGenerator random(hash);
    const QColor ground = QColor::fromHsv(int(hash % 360), 140 + int(hash % 60), 150);
    const int w = kScreenshotSize.width();
    const int h = kScreenshotSize.height();
    const QPoint vanish(w / 2 + random.bounded(-80, 81), h / 2 - 20);

    QImage image(kScreenshotSize, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, vanish.y());
    sky.setColorAt(0, ground.darker(400));
    sky.setColorAt(1, ground.darker(180));
    painter.fillRect(0, 0, w, vanish.y(), sky);
    QLinearGradient floor(0, vanish.y(), 0, h);
    floor.setColorAt(0, ground.darker(150));
    floor.setColorAt(1, ground);
    painter.fillRect(0, vanish.y(), w, h - vanish.y(), floor);

    painter.setPen(QPen(ground.lighter(140), 1));
    for (int x = -w; x <= 2 * w; x += 80)
        painter.drawLine(vanish, QPoint(x, h));
    for (int step = 1; step <= 8; ++step) {
        const int y = vanish.y() + (h - vanish.y()) * step * step / 64;
        painter.drawLine(0, y, w, y);
    }

    // Far blocks first, so that nearer ones hide them.
    std::vector<int> depths(std::size_t(3 + random.bounded(4)));
    for (int& depth : depths)
        depth = random.bounded(20, 100); // percent of the way to the viewer
    std::sort(depths.begin(), depths.end());
    for (const int depth : depths) {
        const int base = vanish.y() + (h - vanish.y()) * depth / 100;
        const int bw = 20 + depth * 2;
        const int bh = 30 + depth * 2;
        const int x = vanish.x() + (random.bounded(-100, 101) * (w / 2) / 100) * depth / 100 - bw / 2;
        const QColor stone = QColor::fromHsv((int(hash % 360) + 180) % 360, 60, 120 + depth);
        painter.fillRect(x, base - bh, bw, bh, stone);
        painter.fillRect(x + bw, base - bh, bw / 4, bh, stone.darker(160));
        painter.fillRect(x, base - bh, bw, bh / 8, stone.lighter(130));
    }

    painter.setFont(font(40, true));
    shadowedText(painter, QRect(24, 16, w - 48, 60), Qt::AlignLeft | Qt::AlignVCenter, level, Qt::white);
    return image;
}

QImage noPicture()
{
    QImage image(kScreenshotSize, QImage::Format_RGB32);
    image.fill(QColor(96, 96, 96));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect frame = image.rect().adjusted(40, 40, -40, -40);
    painter.setPen(QPen(QColor(150, 150, 150), 6));
    painter.drawRect(frame);
    painter.drawLine(frame.topLeft(), frame.bottomRight());
    painter.drawLine(frame.topRight(), frame.bottomLeft());
    const QRect label(frame.center() - QPoint(170, 60), QSize(340, 120));
    painter.fillRect(label, QColor(64, 64, 64));
    painter.setFont(font(48, true));
    painter.setPen(Qt::white);
    painter.drawText(label.adjusted(0, 8, 0, -40), Qt::AlignCenter, QStringLiteral("kein Bild"));
    painter.setFont(font(20, false));
    painter.setPen(QColor(200, 200, 200));
    painter.drawText(label.adjusted(0, 70, 0, 0), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("no picture"));
    return image;
}


int usage()
{
    std::fputs("usage: mkpictures [--replace] FOLDER [LEVEL...]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool replace = arguments.removeAll(QStringLiteral("--replace")) > 0;
    if (arguments.isEmpty() || arguments.constFirst().startsWith(u'-'))
        return usage();
    const QDir folder(arguments.takeFirst());

    try {
        if (!folder.mkpath(QStringLiteral("screens")))
            throw TolvexError(formatMessage(QStringLiteral("Verzeichnis %s kann nicht erstellt werden"),
                                            {folder.filePath(QStringLiteral("screens"))}));
        const auto make = [replace](const QString& path, const std::function<void(const QString&)>& write) {
            if (replace || !QFileInfo::exists(path))
                write(path);
        };
        make(folder.filePath(QStringLiteral("nopic.jpg")), [](const QString& p) { saveJpeg(noPicture(), p); });
        for (const QString& level : std::as_const(arguments)) {
            if (level.isEmpty() || level.contains(u'/'))
                throw TolvexError(QStringLiteral("Ungültiger Levelname: ") + level);
            make(folder.filePath(QStringLiteral("screens/") + level + QStringLiteral(".jpg")),
                 [&level](const QString& p) { saveJpeg(screenshot(level), p); });
        }
    } catch (const TolvexError& e) {
        std::fprintf(stderr, "mkpictures: %s\n", e.what());
        return 1;
    }
    return 0;
}
