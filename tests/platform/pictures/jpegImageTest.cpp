#include "platform/dialogs/TolvexError.h"
#include "platform/pictures/JpegImage.h"
#include "platform/pictures/PictureBox.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <jerror.h>

using namespace tolvex;

namespace {

// Red on the left half, blue on the right: enough to see where a picture went.
QImage splitPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, size.width() / 2, size.height(), Qt::red);
    painter.fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(), Qt::blue);
    return image;
}

bool near(QColor actual, QColor expected)
{
    return qAbs(actual.red() - expected.red()) < 24 && qAbs(actual.green() - expected.green()) < 24
        && qAbs(actual.blue() - expected.blue()) < 24;
}

QString loadError(const QString& path)
{
    try {
        (void)loadJpeg(path);
    } catch (const TolvexError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

void convert(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("/usr/bin/convert"), arguments);
    QVERIFY2(process.waitForFinished(60000) && process.exitCode() == 0, qPrintable(process.readAllStandardError()));
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A valid file whose frame header claims another size.
QByteArray withClaimedSize(QByteArray jpeg, int width, int height)
{
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof < 0)
        return {};
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height & 0xFF);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width & 0xFF);
    return jpeg;
}

// The file with its last scan repeated until it has the given number: each
// copy is a few bytes that make a decoder pass over the picture once more.
QByteArray withScansRepeated(const QByteArray& jpeg, int scans)
{
    const qsizetype end = jpeg.lastIndexOf("\xFF\xD9");
    const qsizetype lastScan = jpeg.lastIndexOf("\xFF\xDA");
    QByteArray out = jpeg.left(end);
    for (int n = int(jpeg.count("\xFF\xDA")); n < scans; ++n)
        out += jpeg.mid(lastScan, end - lastScan);
    return out + "\xFF\xD9";
}

} // namespace

class JpegImageTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_picture; // 640 x 480, split red and blue

    QString path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_picture = path(QStringLiteral("q2dm1.jpg"));
        saveJpeg(splitPicture({640, 480}), m_picture);
    }

    // Of 1/8, 1/4, 1/2 and 8/8: the eighths between them decode slower.
    void decodesAtTheSmallestCoveringScale_data()
    {
        QTest::addColumn<QSize>("cover");
        QTest::addColumn<QSize>("decoded");
        QTest::newRow("no cover: full size") << QSize() << QSize(640, 480);
        QTest::newRow("exactly an eighth") << QSize(80, 60) << QSize(80, 60);
        QTest::newRow("one pixel more needs two eighths") << QSize(81, 60) << QSize(160, 120);
        QTest::newRow("height decides") << QSize(10, 200) << QSize(320, 240);
        QTest::newRow("three eighths would do: a half") << QSize(200, 170) << QSize(320, 240);
        QTest::newRow("seven eighths would do: full size") << QSize(500, 400) << QSize(640, 480);
        QTest::newRow("just below full") << QSize(561, 421) << QSize(640, 480);
        QTest::newRow("larger than the picture: never enlarged") << QSize(1000, 1000) << QSize(640, 480);
        QTest::newRow("empty widget") << QSize(0, 0) << QSize(80, 60);
    }
    void decodesAtTheSmallestCoveringScale()
    {
        QFETCH(QSize, cover);
        QFETCH(QSize, decoded);
        QSize fullSize;
        const QImage image = loadJpeg(m_picture, cover, &fullSize);
        QCOMPARE(image.size(), decoded);
        QCOMPARE(fullSize, QSize(640, 480));
        QVERIFY(near(image.pixelColor(image.width() / 4, image.height() / 2), Qt::red));
        QVERIFY(near(image.pixelColor(image.width() * 3 / 4, image.height() / 2), Qt::blue));
    }

    void decodesGrayscaleAndCmykSources_data()
    {
        QTest::addColumn<QStringList>("convertArguments");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<bool>("grayscale");
        QTest::newRow("grayscale") << QStringList{"-size", "64x48", "xc:gray50", "-colorspace", "Gray"}
                                   << QColor(128, 128, 128) << true;
        QTest::newRow("CMYK, Adobe inverted") << QStringList{"-size", "64x48", "xc:red", "-colorspace", "CMYK"}
                                              << QColor(Qt::red) << false;
        QTest::newRow("CMYK green") << QStringList{"-size", "64x48", "xc:#00C000", "-colorspace", "CMYK"}
                                    << QColor(0, 192, 0) << false;
        QTest::newRow("progressive") << QStringList{"-size", "64x48", "xc:#E0A020", "-interlace", "JPEG"}
                                     << QColor(0xE0, 0xA0, 0x20) << false;
        QTest::newRow("RGB from another encoder") << QStringList{"-size", "64x48", "xc:#2050E0"}
                                                  << QColor(0x20, 0x50, 0xE0) << false;
    }
    void decodesGrayscaleAndCmykSources()
    {
        QFETCH(QStringList, convertArguments);
        QFETCH(QColor, colour);
        QFETCH(bool, grayscale);
        const QString file = path(QStringLiteral("%1.jpg").arg(QTest::currentDataTag()));
        convert(convertArguments << file);
        const QImage image = loadJpeg(file);
        QCOMPARE(image.size(), QSize(64, 48));
        QCOMPARE(image.format() == QImage::Format_Grayscale8, grayscale);
        QVERIFY2(near(image.pixelColor(32, 24), colour), qPrintable(image.pixelColor(32, 24).name()));
    }

    void reportsWhyAFileCannotBeShown_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents"); // null: don't create
        QTest::addColumn<QString>("message");     // %s: the path
        const QByteArray jpeg = readAll(m_picture);
        QTest::newRow("missing") << "missing.jpg" << QByteArray() << "Datei %s kann nicht geöffnet werden";
        QTest::newRow("directory") << "folder.jpg" << QByteArray() << "Datei %s kann nicht geöffnet werden";
        QTest::newRow("not a JPEG") << "text.jpg" << QByteArray("level list, not a picture\r\n")
                                    << QStringLiteral("JPEG-Fehlernr. %1").arg(JERR_NO_SOI);
        QTest::newRow("empty") << "empty.jpg" << QByteArray("") << QStringLiteral("JPEG-Fehlernr. %1").arg(JERR_INPUT_EMPTY);
        QTest::newRow("header only") << "header.jpg" << jpeg.left(200)
                                     << QStringLiteral("JPEG-Fehlernr. %1").arg(JWRN_JPEG_EOF);
        QTest::newRow("cut in the image data") << "truncated.jpg" << jpeg.left(jpeg.size() / 2)
                                               << QStringLiteral("JPEG-Fehlernr. %1").arg(JWRN_JPEG_EOF);
        QTest::newRow("claims 60000 x 60000") << "huge.jpg" << withClaimedSize(jpeg, 60000, 60000)
                                              << "Das Bild %s ist zu groß (60000 x 60000 Bildpunkte)";
        QTest::newRow("too wide") << "wide.jpg" << withClaimedSize(jpeg, 16385, 8)
                                  << "Das Bild %s ist zu groß (16385 x 8 Bildpunkte)";
        QTest::newRow("too many pixels") << "square.jpg" << withClaimedSize(jpeg, 9000, 9000)
                                         << "Das Bild %s ist zu groß (9000 x 9000 Bildpunkte)";
    }
    void reportsWhyAFileCannotBeShown()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        const QString file = path(name);
        if (name == QLatin1String("folder.jpg"))
            QVERIFY(QDir(m_dir.path()).mkdir(name));
        else if (!contents.isNull())
            writeAll(file, contents);
        QCOMPARE(loadError(file), formatMessage(message, {file}));
    }

    void largestAllowedPictureStillDecodes()
    {
        const QString file = path(QStringLiteral("wide-ok.jpg"));
        saveJpeg(splitPicture({kMaxJpegSide, 16}), file);
        QCOMPARE(loadJpeg(file, {64, 2}).size(), QSize(kMaxJpegSide / 8, 2));
    }

    void decodingWorkIsBoundedButScreenshotsPass()
    {
        // A 4K screenshot saved progressive by another program.
        const QString screenshot = path(QStringLiteral("4k-progressive.jpg"));
        convert({"-size", "3840x2160", "gradient:#204080-#E0C020", "-interlace", "JPEG", "-quality", "92", screenshot});
        QCOMPARE(loadJpeg(screenshot, QSize(395, 326)).size(), QSize(960, 540));
        QCOMPARE(loadJpeg(screenshot).size(), QSize(3840, 2160));

        // Inside the limits of side, pixels and scans, yet seconds of work.
        const QString heavy = path(QStringLiteral("heavy.jpg"));
        convert({"-size", "3600x3600", "gradient:#204080-#E0C020", "-interlace", "JPEG", heavy});
        const QByteArray tenScans = readAll(heavy);
        QCOMPARE(loadJpeg(heavy, QSize(395, 326)).size(), QSize(450, 450));
        // The same picture at full size costs more than it may.
        QCOMPARE(loadError(heavy), QStringLiteral("JPEG-Fehlernr. %1").arg(JERR_IMAGE_TOO_BIG));
        // Where the faster half scale would cost more than it may, the
        // smallest eighth that covers still decodes.
        const QString nearBudget = path(QStringLiteral("near-budget.jpg"));
        convert({"-size", "3700x3700", "gradient:#204080-#E0C020", "-interlace", "JPEG", nearBudget});
        QCOMPARE(loadJpeg(nearBudget, QSize(1300, 1300)).size(), QSize(1388, 1388));
        writeAll(heavy, withScansRepeated(tenScans, 60));
        QString error;
        try {
            (void)loadJpeg(heavy, QSize(395, 326));
        } catch (const TolvexError& e) {
            error = e.message();
        }
        QCOMPARE(error, QStringLiteral("JPEG-Fehlernr. %1").arg(JERR_IMAGE_TOO_BIG));
    }

    void savingIntoAMissingFolderFails()
    {
        const QString file = path(QStringLiteral("no/such/folder/x.jpg"));
        try {
            saveJpeg(splitPicture({8, 8}), file);
            QFAIL("saved into a missing folder");
        } catch (const TolvexError& e) {
            QCOMPARE(e.message(), formatMessage(QStringLiteral("Datei %s kann nicht erstellt werden"), {file}));
        }
    }

    void stretchedPictureFillsTheBoxAndSharpensWhenItGrows()
    {
        PictureBox box;
        box.setStretch(true);
        box.resize(200, 100);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.load(m_picture);
        QCOMPARE(box.image().size(), QSize(320, 240));
        const QImage shown = box.grab().toImage();
        QVERIFY(near(shown.pixelColor(5, 5), Qt::red));
        QVERIFY(near(shown.pixelColor(95, 95), Qt::red));
        QVERIFY(near(shown.pixelColor(105, 5), Qt::blue));
        QVERIFY(near(shown.pixelColor(195, 95), Qt::blue));

        box.resize(600, 400);
        QCOMPARE(box.image().size(), QSize(640, 480));
        const QImage larger = box.grab().toImage();
        QVERIFY(near(larger.pixelColor(290, 390), Qt::red));
        QVERIFY(near(larger.pixelColor(310, 390), Qt::blue));

        box.resize(100, 50); // shrinking keeps the sharper decode
        QCOMPARE(box.image().size(), QSize(640, 480));
    }

    void naturalSizePictureStartsAtTheTopLeft()
    {
        PictureBox box;
        box.resize(400, 100);
        box.load(m_picture);
        QCOMPARE(box.image().size(), QSize(640, 480));
        const QImage shown = box.grab().toImage();
        QVERIFY(near(shown.pixelColor(310, 50), Qt::red)); // not squeezed: still the left half
        QVERIFY(near(shown.pixelColor(330, 50), Qt::blue));
    }

    void failedLoadKeepsThePreviousPicture()
    {
        PictureBox box;
        box.setStretch(true);
        box.resize(160, 120);
        box.load(m_picture);
        const QImage before = box.image();
        QVERIFY_THROWS_EXCEPTION(TolvexError, box.load(path(QStringLiteral("missing.jpg"))));
        QCOMPARE(box.path(), m_picture);
        QCOMPARE(box.image(), before);
    }

    void clickOnThePictureIsReported()
    {
        PictureBox box;
        box.resize(100, 100);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QSignalSpy clicked(&box, &PictureBox::clicked);
        QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(50, 50));
        QCOMPARE(clicked.count(), 1);
        QTest::mouseClick(&box, Qt::RightButton, {}, QPoint(50, 50));
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(JpegImageTest)
#include "jpegImageTest.moc"
