#include "tests/robustness/JpegSamples.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace tolvex::test {

namespace {

struct MemoryTarget {
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    ~MemoryTarget() { std::free(bytes); }
};

QByteArray compress(int width, int height, JpegKind kind, bool flat)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    MemoryTarget target;
    jpeg_mem_dest(&cinfo, &target.bytes, &target.size);

    const bool cmyk = kind == JpegKind::Cmyk || kind == JpegKind::AdobeCmyk;
    const bool gray = kind == JpegKind::Grayscale;
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = cmyk ? 4 : gray ? 1 : 3;
    cinfo.in_color_space = cmyk ? JCS_CMYK : gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (cmyk)
        jpeg_set_colorspace(&cinfo, JCS_CMYK);
    cinfo.write_Adobe_marker = kind == JpegKind::AdobeCmyk ? TRUE : FALSE;
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(std::size_t(width) * std::size_t(cinfo.input_components));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < cinfo.input_components; ++c)
                row[std::size_t(x * cinfo.input_components + c)] =
                    flat ? JSAMPLE(128) : JSAMPLE((x * 255 / width + c * 60 + int(cinfo.next_scanline) * 3) & 0xFF);
        }
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return QByteArray(reinterpret_cast<const char*>(target.bytes), qsizetype(target.size));
}

} // namespace

QByteArray jpegSample(int width, int height, JpegKind kind)
{
    return compress(width, height, kind, false);
}

QByteArray withClaimedSize(QByteArray jpeg, int width, int height)
{
    // The frame header: FFC0..FFC2, length, precision, height, width.
    for (qsizetype i = 2; i + 8 < jpeg.size(); ++i) {
        const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && marker >= 0xC0 && marker <= 0xC2) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    return jpeg;
}

QByteArray progressiveBomb(int width, int height, int scans)
{
    // A flat grey picture, whose last scan (a refinement of every
    // coefficient) is repeated: each copy is a few bytes, and a decoder
    // without a limit runs through all coefficients again for each.
    const QByteArray valid = compress(width, height, JpegKind::Progressive, true);
    const qsizetype end = valid.lastIndexOf("\xFF\xD9");
    const qsizetype lastScan = valid.lastIndexOf("\xFF\xDA");
    const QByteArray scan = valid.mid(lastScan, end - lastScan);
    QByteArray bomb = valid.left(end);
    bomb.reserve(end + scan.size() * scans + 2);
    for (int i = 0; i < scans; ++i)
        bomb += scan;
    bomb += "\xFF\xD9";
    return bomb;
}

} // namespace tolvex::test
