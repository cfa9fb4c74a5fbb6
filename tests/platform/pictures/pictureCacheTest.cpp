#include "platform/dialogs/TolvexError.h"
#include "platform/pictures/JpegImage.h"
#include "platform/pictures/PictureCache.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPictures.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace tolvex;

namespace {

void prefetchAndWait(PictureCache& cache, const QStringList& paths, QSize cover = {})
{
    QSignalSpy done(&cache, &PictureCache::prefetchDone);
    cache.prefetch(paths, cover);
    QVERIFY(done.count() > 0 || done.wait(20000));
}

} // namespace

class PictureCacheTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    [[nodiscard]] QString path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void aPictureIsOnlyFoundForTheFileAsItWasDecoded()
    {
        const QString shown = path(QStringLiteral("shown.jpg"));
        const QString other = path(QStringLiteral("other.jpg"));
        savePlain(Qt::red, shown);
        savePlain(Qt::blue, other);
        // Both padded to one length: libjpeg stops at the end marker.
        const QByteArray red = contents(shown) + QByteArray(4096, '\0');
        put(shown, red);
        PictureCache cache(4);
        prefetchAndWait(cache, {shown});
        QCOMPARE(cache.size(), 1);
        const QImage ahead = cache.load(shown, {}).image;
        QVERIFY(nearColour(middle(ahead), Qt::red));
        QCOMPARE(cache.load(shown, {}).image.cacheKey(), ahead.cacheKey());

        // Rewritten in place to the same length and given back its time:
        // only the change time tells.
        struct stat before {};
        QVERIFY(::stat(QFile::encodeName(shown).constData(), &before) == 0);
        QFile out(shown);
        QVERIFY(out.open(QIODevice::ReadWrite));
        QVERIFY(out.write(contents(other).leftJustified(red.size(), '\0')) == red.size());
        out.close();
        const timespec times[2] = {before.st_atim, before.st_mtim};
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(shown).constData(), times, 0) == 0);
        QVERIFY(nearColour(middle(cache.load(shown, {}).image), Qt::blue));

        QVERIFY(QFile::setPermissions(shown, {}));
        if (QFile(shown).open(QIODevice::ReadOnly))
            QSKIP("running with the rights to read any file");
        QVERIFY_THROWS_EXCEPTION(TolvexError, (void)cache.load(shown, {}));
    }

    void aPictureIsKeptPerSizeAndOnlyAHandful()
    {
        QStringList files;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
            files << path(QLatin1String(name));
            savePlain(Qt::green, files.back());
        }
        PictureCache cache(2);
        prefetchAndWait(cache, {files[0]}, QSize(40, 25));
        QCOMPARE(cache.load(files[0], QSize(40, 25)).image.size(), QSize(40, 25));
        // A larger region gets its own decode, not the small one stretched.
        QCOMPARE(cache.load(files[0], QSize(160, 100)).image.size(), QSize(160, 100));
        prefetchAndWait(cache, {files[1]}, QSize(40, 25));
        prefetchAndWait(cache, {files[2]}, QSize(40, 25));
        QCOMPARE(cache.size(), 2);
    }

    void aPictureLooksTheSameDecodedAheadOrOnTheMove()
    {
        const QString file = path(QStringLiteral("scene.jpg"));
        QImage scene(320, 200, QImage::Format_RGB32);
        for (int y = 0; y < scene.height(); ++y) {
            for (int x = 0; x < scene.width(); ++x)
                scene.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, (x ^ y) & 0xFF));
        }
        saveJpeg(scene, file);
        const QSize cover(113, 71);
        PictureCache ahead(4);
        prefetchAndWait(ahead, {file}, cover);
        QCOMPARE(ahead.size(), 1);
        const PictureCache::Picture decodedAhead = ahead.load(file, cover);
        PictureCache onTheMove(4);
        const PictureCache::Picture decodedNow = onTheMove.load(file, cover);
        QCOMPARE(decodedAhead.drawn.size(), cover);
        QCOMPARE(decodedNow.drawn, decodedAhead.drawn);

        // Larger than the picture on one side: the paint stretches the decode itself.
        QVERIFY(onTheMove.load(file, QSize(100, 250)).drawn.isNull());
    }
};

QTEST_GUILESS_MAIN(PictureCacheTest)
#include "pictureCacheTest.moc"
