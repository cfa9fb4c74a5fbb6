#include "platform/pictures/JpegImage.h"

#include "platform/dialogs/TolvexError.h"
#include "platform/files/SafeFile.h"
#include "platform/files/TextFile.h"
#include "platform/pictures/JpegSource.h"

#include <QFile>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <csetjmp>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>
#include <jerror.h>

namespace tolvex {

namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return.
// We leave it with longjmp back into attempt(); everything between the two
// points is libjpeg's C code or a step without C++ objects, so no destructor
// is ever skipped. The error is turned into an exception only after that.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void onFatal(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    // A file cut short only makes libjpeg warn and invent an end marker; the
    // picture would come out partly grey, so it is refused like damaged data.
    if (cinfo->err->msg_code == JWRN_JPEG_EOF)
        onFatal(cinfo);
    ++cinfo->err->num_warnings;
}

void installErrorManager(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = onFatal;
    err.pub.emit_message = onMessage;
}

// Runs one libjpeg step; false when libjpeg met a fatal error during it.
bool attempt(ErrorManager& err, void (*step)(void*), void* context)
{
    if (setjmp(err.jump) != 0)
        return false;
    step(context);
    return true;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Regular files only: a directory or a device named like a picture is not one.
// O_NONBLOCK keeps a FIFO from blocking the open.
FileHandle openRegularFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty())
        return {};
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {};
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        return {};
    }
    return FileHandle(file);
}

// A picture among the program's Qt resources, as a stream over its bytes,
// which must outlive the stream.
FileHandle openBuiltIn(const QString& path, QByteArray& bytes)
{
    QFile resource(path);
    if (!resource.open(QIODevice::ReadOnly))
        return {};
    bytes = resource.readAll();
    if (bytes.isEmpty())
        return {};
    return FileHandle(::fmemopen(bytes.data(), std::size_t(bytes.size()), "rb"));
}

// A progressive file may repeat scans without end, each a few bytes that make
// the decoder pass over every coefficient again; real encoders write about ten.
constexpr int kMaxScans = 100;

// libjpeg's progress monitor with the scans the budget leaves: should the
// decoder meet more scans than the walk counted, it still stops in time.
struct ScanLimit {
    jpeg_progress_mgr pub;
    int budgetScans = kMaxScans;
};

void onProgress(j_common_ptr cinfo)
{
    const int scan = reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number;
    if (scan > kMaxScans)
        ERREXIT(cinfo, JERR_BAD_PROGRESSION);
    if (scan > reinterpret_cast<const ScanLimit*>(cinfo->progress)->budgetScans)
        ERREXIT(cinfo, JERR_IMAGE_TOO_BIG);
}

struct Decompressor {
    Decompressor() { installErrorManager(err); }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); } // safe on a struct never created
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    ScanLimit progress{};
    JpegFileSource source;
    std::FILE* file = nullptr;

    // Where the scanlines go.
    uchar* bits = nullptr;
    qsizetype bytesPerLine = 0;
    JSAMPLE* cmykRow = nullptr;
};

Decompressor& decompressor(void* context)
{
    return *static_cast<Decompressor*>(context);
}

void createStep(void* c)
{
    auto& d = decompressor(c);
    d.cinfo.err = &d.err.pub;
    jpeg_create_decompress(&d.cinfo);
    // A progressive file keeps all its coefficients while it decodes; beyond
    // what the largest accepted picture needs, libjpeg fails instead of growing.
    d.cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
    d.progress.pub.progress_monitor = onProgress;
    d.cinfo.progress = &d.progress.pub;
    useJpegFileSource(d.cinfo, d.source, d.file);
}

void readHeaderStep(void* c)
{
    jpeg_read_header(&decompressor(c).cinfo, TRUE);
}

void calcDimensionsStep(void* c)
{
    jpeg_calc_output_dimensions(&decompressor(c).cinfo);
}

void startStep(void* c)
{
    jpeg_start_decompress(&decompressor(c).cinfo);
}

// Adobe writes CMYK inverted (0 = full ink) and says so in its marker; other
// writers store plain ink values.
void cmykToRgb(const JSAMPLE* in, uchar* out, JDIMENSION width, bool inverted)
{
    auto* pixel = reinterpret_cast<QRgb*>(out);
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        const int c = inverted ? in[0] : 255 - in[0];
        const int m = inverted ? in[1] : 255 - in[1];
        const int y = inverted ? in[2] : 255 - in[2];
        const int k = inverted ? in[3] : 255 - in[3];
        pixel[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

void readScanlinesStep(void* c)
{
    auto& d = decompressor(c);
    jpeg_decompress_struct& cinfo = d.cinfo;
    while (cinfo.output_scanline < cinfo.output_height) {
        uchar* line = d.bits + qsizetype(cinfo.output_scanline) * d.bytesPerLine;
        JSAMPROW row = d.cmykRow ? d.cmykRow : line;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            ERREXIT(&cinfo, JERR_BAD_STATE); // a stdio source never suspends
        if (d.cmykRow)
            cmykToRgb(d.cmykRow, line, cinfo.output_width, cinfo.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&cinfo);
}

[[noreturn]] void throwDecoderError(const Decompressor& d)
{
    throw TolvexError(jpegErrorMessage(d.err.pub.msg_code));
}

// How many scans the picture may have at the chosen scale; -1 when even
// none would fit.
int scansWithinBudget(const jpeg_decompress_struct& cinfo)
{
    const qint64 pixels = qint64(cinfo.image_width) * cinfo.image_height;
    const qint64 outputPixels = qint64(cinfo.output_width) * cinfo.output_height;
    const qint64 fixed = jpegDecodeWork(pixels, 0, cinfo.progressive_mode != FALSE, outputPixels);
    if (fixed > kJpegDecodeBudget)
        return -1;
    return int(std::min<qint64>(kMaxScans, (kJpegDecodeBudget - fixed) / (pixels * kJpegScanWeight)));
}

// Grey stays grey; colour and CMYK/YCCK come as RGB in the painter's own
// 32-bit layout, which it scales several times faster than packed RGB.
QImage::Format chooseColourSpace(jpeg_decompress_struct& cinfo)
{
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo.out_color_space = JCS_GRAYSCALE;
        return QImage::Format_Grayscale8;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        return QImage::Format_RGB32;
    default:
        // libjpeg-turbo fills the X byte with 0xFF, as RGB32 wants it.
        cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
        return QImage::Format_RGB32;
    }
}

// Sets the scale to num/8; whether the output then covers the size.
bool scaleCovers(Decompressor& d, unsigned int num, QSize cover)
{
    d.cinfo.scale_num = num;
    d.cinfo.scale_denom = 8;
    if (!attempt(d.err, calcDimensionsStep, &d))
        throwDecoderError(d);
    return qint64(d.cinfo.output_width) >= cover.width() && qint64(d.cinfo.output_height) >= cover.height();
}

// Full size without a size to cover. With one, the smallest of 1/8, 1/4, 1/2
// and 8/8 that covers it: libjpeg-turbo has vector code for the transforms at
// those scales only, so 3/8 of a screenshot takes longer than 1/2 and 5/8 ..
// 7/8 longer than full size. Should the larger picture cost more than the
// budget allows, the smallest eighth that covers is used instead. Returns the
// scans the budget leaves at the scale chosen; -1 when even none would fit.
int chooseScale(Decompressor& d, QSize cover, int scans)
{
    if (!cover.isValid()) {
        (void)scaleCovers(d, 8, cover);
        return scansWithinBudget(d.cinfo);
    }
    unsigned int tight = 1;
    while (!scaleCovers(d, tight, cover) && tight < 8)
        ++tight;
    const unsigned int fast = std::bit_ceil(tight);
    if (fast != tight) {
        (void)scaleCovers(d, fast, cover);
        if (const int budgetScans = scansWithinBudget(d.cinfo); scans <= budgetScans)
            return budgetScans;
        (void)scaleCovers(d, tight, cover);
    }
    return scansWithinBudget(d.cinfo);
}

} // namespace

QString jpegErrorMessage(int code)
{
    return formatMessage(QStringLiteral("JPEG-Fehlernr. %d"), {QString::number(code)});
}

QString jpegTooLargeMessage(const QString& path, qint64 width, qint64 height)
{
    return formatMessage(QStringLiteral("Das Bild %s ist zu groß (%d x %d Bildpunkte)"),
                         {path, QString::number(width), QString::number(height)});
}

QImage loadJpeg(const QString& path, QSize cover, QSize* fullSize)
{
    // A picture built into the program is read from memory, through the same decoder.
    QByteArray builtIn;
    const FileHandle file = path.startsWith(u':') ? openBuiltIn(path, builtIn) : openRegularFile(path);
    if (!file)
        throw TolvexError(cannotOpenMessage(path));

    // Counted before libjpeg reads anything: a file of too many scans is
    // refused before any of them is decoded.
    const int scans = countJpegScans(file.get(), kMaxScans);
    if (scans > kMaxScans)
        throw TolvexError(jpegErrorMessage(JERR_BAD_PROGRESSION));

    Decompressor d;
    d.file = file.get();
    if (!attempt(d.err, createStep, &d) || !attempt(d.err, readHeaderStep, &d))
        throwDecoderError(d);

    jpeg_decompress_struct& cinfo = d.cinfo;
    const qint64 width = cinfo.image_width;
    const qint64 height = cinfo.image_height;
    if (width > kMaxJpegSide || height > kMaxJpegSide || width * height > kMaxJpegPixels)
        throw TolvexError(jpegTooLargeMessage(path, width, height));

    const QImage::Format format = chooseColourSpace(cinfo);
    d.progress.budgetScans = chooseScale(d, cover, scans);
    if (scans > d.progress.budgetScans)
        throw TolvexError(jpegErrorMessage(JERR_IMAGE_TOO_BIG));
    if (!attempt(d.err, startStep, &d))
        throwDecoderError(d);

    QImage image(int(cinfo.output_width), int(cinfo.output_height), format);
    if (image.isNull())
        throw TolvexError(jpegTooLargeMessage(path, width, height));
    std::vector<JSAMPLE> cmykRow;
    if (cinfo.out_color_space == JCS_CMYK) {
        cmykRow.resize(std::size_t(cinfo.output_width) * 4);
        d.cmykRow = cmykRow.data();
    }
    d.bits = image.bits();
    d.bytesPerLine = image.bytesPerLine();
    if (!attempt(d.err, readScanlinesStep, &d))
        throwDecoderError(d);
    if (fullSize)
        *fullSize = QSize(int(width), int(height));
    return image;
}

namespace {

// Collects the compressed bytes in memory, so the file can be replaced in one step.
struct ByteDestination {
    jpeg_destination_mgr pub;
    QByteArray* out;
    bool failed;
    JOCTET chunk[16384];
};

ByteDestination& destination(j_compress_ptr cinfo)
{
    return *reinterpret_cast<ByteDestination*>(cinfo->dest);
}

void initDestination(j_compress_ptr cinfo)
{
    ByteDestination& dest = destination(cinfo);
    dest.pub.next_output_byte = dest.chunk;
    dest.pub.free_in_buffer = sizeof dest.chunk;
}

void appendChunk(ByteDestination& dest, std::size_t size)
{
    // No exception may pass through libjpeg's frames.
    try {
        dest.out->append(reinterpret_cast<const char*>(dest.chunk), qsizetype(size));
    } catch (...) {
        dest.failed = true;
    }
}

boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    ByteDestination& dest = destination(cinfo);
    appendChunk(dest, sizeof dest.chunk);
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    ByteDestination& dest = destination(cinfo);
    appendChunk(dest, sizeof dest.chunk - dest.pub.free_in_buffer);
}

// An RGB32 pixel is one 32-bit word: in memory blue, green, red, unused on
// a little-endian machine.
#if defined(JCS_EXTENSIONS) && Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr bool kRgb32Direct = true;
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_BGRX;
#else
constexpr bool kRgb32Direct = false;
constexpr J_COLOR_SPACE kRgb32Space = JCS_RGB;
#endif

struct Compressor {
    Compressor() { installErrorManager(err); }
    ~Compressor() { jpeg_destroy_compress(&cinfo); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    ByteDestination dest{};
    const QImage* image = nullptr;
    int quality = 90;
};

void compressStep(void* context)
{
    auto& c = *static_cast<Compressor*>(context);
    jpeg_compress_struct& cinfo = c.cinfo;
    cinfo.err = &c.err.pub;
    jpeg_create_compress(&cinfo);
    c.dest.pub.init_destination = initDestination;
    c.dest.pub.empty_output_buffer = emptyOutputBuffer;
    c.dest.pub.term_destination = termDestination;
    cinfo.dest = &c.dest.pub;

    const QImage& image = *c.image;
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    if (image.format() == QImage::Format_Grayscale8) {
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
    } else if (image.format() == QImage::Format_RGB32) {
        cinfo.input_components = 4;
        cinfo.in_color_space = kRgb32Space;
    } else {
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, c.quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
}

} // namespace

QByteArray encodeJpeg(const QImage& image, int quality)
{
    // libjpeg-turbo reads RGB32 pixels as they lie, without a converted copy.
    const bool direct = image.format() == QImage::Format_Grayscale8
        || (image.format() == QImage::Format_RGB32 && kRgb32Direct);
    const QImage source = direct ? image : image.convertToFormat(QImage::Format_RGB888);
    if (source.isNull())
        return {};

    QByteArray bytes;
    Compressor c;
    c.image = &source;
    c.quality = qBound(1, quality, 100);
    c.dest.out = &bytes;
    if (!attempt(c.err, compressStep, &c))
        throw TolvexError(jpegErrorMessage(c.err.pub.msg_code));
    if (c.dest.failed)
        return {};
    return bytes;
}

void saveJpeg(const QImage& image, const QString& path, int quality)
{
    const QByteArray bytes = encodeJpeg(image, quality);
    if (bytes.isEmpty())
        throw TolvexError(cannotCreateMessage(path));
    writeText(path, bytes);
}

} // namespace tolvex
