// Draws Tolvex's own pictures into a program folder: the fallback picture
// nopic.jpg, the splash picture splash.jpg, the icon tolvex.png, and a
// screenshot screens/<level>.jpg for each level named.
//
//   mkpictures [--replace] FOLDER [LEVEL...]
//
// Existing files are kept unless --replace is given.

#include "platform/JpegImage.h"
#include "platform/SafeFile.h"
#include "platform/TolvexError.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace tolvex;

namespace {

constexpr QSize kScreenshotSize(640, 480);
constexpr QSize kSplashSize(541, 271);
constexpr QSize kIconSize(32, 32);

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

// Only the top 237 rows show. The version line is written in yellow at
// (204, 196) and the web address in blue at (228, 220), so the picture keeps
// a dark band behind the one and a light band behind the other.
QImage splash()
{
    const int w = kSplashSize.width();
    const int h = kSplashSize.height();
    QImage image(kSplashSize, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient back(0, 0, w, 188);
    back.setColorAt(0, QColor(20, 24, 70));
    back.setColorAt(0.6, QColor(90, 20, 90));
    back.setColorAt(1, QColor(170, 60, 30));
    painter.fillRect(0, 0, w, 188, back);
    for (int i = 0; i < 7; ++i) {
        QPainterPath stripe;
        const int x = 250 + i * 46;
        stripe.moveTo(x, 0);
        stripe.lineTo(x + 30, 0);
        stripe.lineTo(x - 60, 188);
        stripe.lineTo(x - 90, 188);
        stripe.closeSubpath();
        painter.fillPath(stripe, QColor::fromHsv((200 + i * 22) % 360, 180, 230, 70));
    }
    painter.fillRect(0, 188, w, 28, QColor(16, 16, 32));   // behind the yellow version line
    painter.fillRect(0, 216, w, h - 216, QColor(232, 232, 240)); // behind the blue address
    painter.fillRect(0, 186, w, 2, QColor(250, 200, 40));

    painter.setFont(font(78, true));
    shadowedText(painter, QRect(24, 10, w - 48, 110), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tolvex"),
                 QColor(250, 200, 40));
    painter.setFont(font(28, false));
    shadowedText(painter, QRect(28, 116, w - 56, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kestrowan"),
                 Qt::white);
    return image;
}

QImage icon()
{
    QImage image(kIconSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 32, 32);
    fill.setColorAt(0, QColor(40, 50, 140));
    fill.setColorAt(1, QColor(150, 40, 110));
    painter.setBrush(fill);
    painter.setPen(QPen(QColor(250, 200, 40), 2));
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 200, 40));
    painter.drawRect(QRectF(8, 7, 16, 4));
    painter.drawRect(QRectF(14, 7, 4, 18));
    return image;
}

void savePng(const QImage& image, const QString& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG") || saveAtomically(path, bytes))
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht erstellt werden"), {path}));
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
        make(folder.filePath(QStringLiteral("splash.jpg")), [](const QString& p) { saveJpeg(splash(), p); });
        make(folder.filePath(QStringLiteral("tolvex.png")), [](const QString& p) { savePng(icon(), p); });
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
