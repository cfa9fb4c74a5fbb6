// A screenshot file as the main window loads it: decoded to cover the
// picture box, or at full size, and shrunk to the box. Damage and forged
// sizes end in the loader's messages; a picture that loads keeps within the
// size guard.

#include "FuzzSupport.h"

#include "platform/dialogs/TolvexError.h"
#include "platform/pictures/ImageScale.h"
#include "platform/pictures/JpegImage.h"

using namespace tolvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const QString path = fuzz::scratchDir() + QStringLiteral("/level.jpg");
    // The first byte picks the size to cover; most runs scale down, as the
    // picture box does, which keeps forged large pictures quick to decode.
    const int choice = data[0];
    const QSize cover = choice < 16 ? QSize() : QSize(1 + choice % 64, 1 + choice / 4);
    fuzz::putFile(path, data + 1, size - 1);

    QSize fullSize;
    try {
        const QImage image = loadJpeg(path, cover, &fullSize);
        FUZZ_CHECK(!image.isNull(), QString());
        FUZZ_CHECK(fullSize.width() <= kMaxJpegSide && fullSize.height() <= kMaxJpegSide, QString());
        FUZZ_CHECK(qint64(fullSize.width()) * fullSize.height() <= kMaxJpegPixels, QString());
        FUZZ_CHECK(image.width() <= fullSize.width() && image.height() <= fullSize.height(), QString());
        if (cover.isValid()) {
            const bool covers = image.width() >= cover.width() && image.height() >= cover.height();
            FUZZ_CHECK(covers || image.size() == fullSize, QString());
            if (covers) {
                const QImage shrunk = shrinkByArea(image, cover);
                FUZZ_CHECK(shrunk.size() == cover && shrunk.format() == image.format(), QString());
            }
        } else {
            FUZZ_CHECK(image.size() == fullSize, QString());
        }
        FUZZ_CHECK(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_Grayscale8, QString());
    } catch (const TolvexError& e) {
        FUZZ_CHECK(*e.what() != '\0', QString());
    }
    return 0;
}
