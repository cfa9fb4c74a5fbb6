#include "platform/pictures/ImageScale.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <immintrin.h>
#endif

namespace tolvex {

namespace {

// Rows are summed first, with weights in 16384ths, into sums in 64ths of a
// level: at most 255 * 64, they fit signed 16-bit lanes. Each product is
// rounded as the processor's rounding multiply does it, so that the wide code
// gives exactly the integers of the plain loop. The columns of those sums are
// summed in turn with weights in 16384ths, which fits 32 bits.
constexpr int kRowOne = 16384;
constexpr int kColumnOne = 16384;
constexpr int kShift = 20; // log2(64 * kColumnOne)
constexpr std::int32_t kHalf = 1 << (kShift - 1);
// Rounding each product adds up over many rows: where more rows than this
// make one new row (a picture squeezed into a strip), they are summed exactly
// and rounded once.
constexpr int kMaxWideRows = 8;
constexpr int kColumnGroup = 4;

// The source pixels one new pixel covers along an axis, and where their
// weights begin.
struct Span {
    int first = 0;
    int count = 0;
    int weights = 0;
};

struct Axis {
    std::vector<Span> spans;
    std::vector<std::int16_t> weights;
    int maxCount = 0;
};

// New pixel j covers [j * from, (j + 1) * from) in units in which source pixel
// i covers [i * to, (i + 1) * to). Each weight is rounded from the running
// total, so the weights of a pixel add up to exactly `one` and a plain area
// stays exactly its colour. Counts are padded with zero weights to a multiple
// of `multiple`, which may take one pixel past the end.
Axis areaAxis(int from, int to, int one, int multiple)
{
    Axis axis;
    axis.spans.reserve(std::size_t(to));
    for (int j = 0; j < to; ++j) {
        const qint64 start = qint64(j) * from;
        const qint64 end = start + from;
        const int first = int(start / to);
        const int last = int((end - 1) / to);
        Span span{first, 0, int(axis.weights.size())};
        qint64 covered = 0;
        int given = 0;
        for (int i = first; i <= last; ++i, ++span.count) {
            covered += std::min(end, qint64(i + 1) * to) - std::max(start, qint64(i) * to);
            const int upTo = int((covered * one + from / 2) / from);
            axis.weights.push_back(std::int16_t(upTo - given));
            given = upTo;
        }
        for (; span.count % multiple != 0; ++span.count)
            axis.weights.push_back(0);
        axis.maxCount = std::max(axis.maxCount, span.count);
        axis.spans.push_back(span);
    }
    return axis;
}

// out[i] = the sum of weights[k] * rows[k][i] in 64ths, each product
// rounded, for the n bytes of a row, from i on.
void sumRowsFrom(int i, const uchar* const* rows, const std::int16_t* weights, int count, int n, std::int16_t* out)
{
    for (; i < n; ++i) {
        int sum = 0;
        for (int k = 0; k < count; ++k)
            sum += (rows[k][i] * 128 * weights[k] + 16384) >> 15;
        out[i] = std::int16_t(sum);
    }
}

// The same, rounded once.
void sumManyRows(const uchar* const* rows, const std::int16_t* weights, int count, int n, std::int16_t* out)
{
    for (int i = 0; i < n; ++i) {
        std::int32_t sum = 128;
        for (int k = 0; k < count; ++k)
            sum += rows[k][i] * weights[k];
        out[i] = std::int16_t(sum >> 8);
    }
}

#ifdef __SSE2__
// Sixteen bytes at a time, the weights spread over lanes once per row.
__attribute__((target("avx2"))) void sumRowsAvx2(const uchar* const* rows, const std::int16_t* weights, int count, int n,
                                                 std::int16_t* out)
{
    __m256i spread[kMaxWideRows];
    for (int k = 0; k < count; ++k)
        spread[k] = _mm256_set1_epi16(weights[k]);
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256i total = _mm256_setzero_si256();
        for (int k = 0; k < count; ++k) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            const __m256i levels = _mm256_slli_epi16(_mm256_cvtepu8_epi16(bytes), 7);
            total = _mm256_add_epi16(total, _mm256_mulhrs_epi16(levels, spread[k]));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), total);
    }
    sumRowsFrom(i, rows, weights, count, n, out);
}
#endif

void sumRows(const uchar* const* rows, const std::int16_t* weights, int count, int n, std::int16_t* out,
             [[maybe_unused]] ScalePath path)
{
    if (count > kMaxWideRows)
        return sumManyRows(rows, weights, count, n, out);
#ifdef __SSE2__
    if (path == ScalePath::Vector256)
        return sumRowsAvx2(rows, weights, count, n, out);
#endif
    sumRowsFrom(0, rows, weights, count, n, out);
}

// One output row from a row of sums, any number of channels.
void sumColumns(const std::int16_t* sums, const Axis& axis, int channels, uchar* out)
{
    for (const Span& span : axis.spans) {
        const std::int16_t* weights = axis.weights.data() + span.weights;
        for (int c = 0; c < channels; ++c) {
            const std::int16_t* sum = sums + std::ptrdiff_t(span.first) * channels + c;
            std::int32_t total = kHalf;
            for (int k = 0; k < span.count; ++k)
                total += std::int32_t(sum[k * channels]) * weights[k];
            *out++ = uchar(total >> kShift);
        }
    }
}

#ifdef __SSE2__
// The same for four channels, four source pixels at a time: pixels 0 and 2,
// and 1 and 3, are interleaved channel by channel, so that a multiply-add
// weighs two of them in every channel at once. Each group of four weights
// becomes two vectors of lanes, `gap` apart; when paired, those of two
// neighbouring new pixels lie side by side, as the 256-bit code reads them.
std::vector<std::int16_t> weightLanes(const Axis& axis, bool paired)
{
    const std::size_t groups = axis.weights.size() / kColumnGroup;
    std::vector<std::int16_t> lanes(16 * (groups + 1));
    const std::size_t gap = paired ? 16 : 8;
    for (std::size_t group = 0; group < groups; ++group) {
        const std::int16_t* w = axis.weights.data() + group * kColumnGroup;
        const std::size_t at = paired ? 32 * (group / 2) + 8 * (group % 2) : 16 * group;
        for (std::size_t lane = 0; lane < 8; lane += 2) {
            lanes[at + lane] = w[0];
            lanes[at + lane + 1] = w[2];
            lanes[at + gap + lane] = w[1];
            lanes[at + gap + lane + 1] = w[3];
        }
    }
    return lanes;
}

void storePixel(__m128i total, uchar* out)
{
    total = _mm_srai_epi32(total, kShift);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(total, total), total);
    const std::int32_t packed = _mm_cvtsi128_si32(bytes);
    std::memcpy(out, &packed, sizeof packed);
}

__m128i sumGroup(const std::int16_t* pixels, const std::int16_t* lanes, std::size_t gap)
{
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 8));
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes + gap));
    return _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(first, second), low),
                         _mm_madd_epi16(_mm_unpackhi_epi16(first, second), high));
}

void sumColumns4(const std::int16_t* sums, const Axis& axis, const std::int16_t* lanes, uchar* out)
{
    for (const Span& span : axis.spans) {
        const std::int16_t* pixels = sums + std::ptrdiff_t(span.first) * 4;
        const std::int16_t* weights = lanes + std::ptrdiff_t(span.weights) * 4;
        __m128i total = _mm_set1_epi32(kHalf);
        for (int k = 0; k < span.count; k += kColumnGroup, pixels += 16, weights += 16)
            total = _mm_add_epi32(total, sumGroup(pixels, weights, 8));
        storePixel(total, out);
        out += 4;
    }
}

// Two new pixels at a time, when each covers one group (paired lanes).
__attribute__((target("avx2"))) void sumColumns4Avx2(const std::int16_t* sums, const Axis& axis, const std::int16_t* lanes,
                                                     uchar* out)
{
    const __m256i half = _mm256_set1_epi32(kHalf);
    const std::size_t count = axis.spans.size();
    std::size_t j = 0;
    for (; j + 1 < count; j += 2) {
        const auto* left = reinterpret_cast<const __m256i*>(sums + std::ptrdiff_t(axis.spans[j].first) * 4);
        const auto* right = reinterpret_cast<const __m256i*>(sums + std::ptrdiff_t(axis.spans[j + 1].first) * 4);
        const __m256i a = _mm256_loadu_si256(left);
        const __m256i b = _mm256_loadu_si256(right);
        const __m256i first = _mm256_permute2x128_si256(a, b, 0x20);
        const __m256i second = _mm256_permute2x128_si256(a, b, 0x31);
        const auto* weights = reinterpret_cast<const __m256i*>(lanes + 16 * j);
        const __m256i low = _mm256_madd_epi16(_mm256_unpacklo_epi16(first, second), _mm256_loadu_si256(weights));
        const __m256i high = _mm256_madd_epi16(_mm256_unpackhi_epi16(first, second), _mm256_loadu_si256(weights + 1));
        __m256i total = _mm256_add_epi32(half, _mm256_add_epi32(low, high));
        total = _mm256_srai_epi32(total, kShift);
        const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(total), _mm256_extracti128_si256(total, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * j), _mm_packus_epi16(words, words));
    }
    if (j < count) {
        const __m128i total = sumGroup(sums + std::ptrdiff_t(axis.spans[j].first) * 4, lanes + 16 * j, 16);
        storePixel(_mm_add_epi32(_mm_set1_epi32(kHalf), total), out + 4 * j);
    }
}
#endif

} // namespace

std::vector<ScalePath> scalePaths()
{
    std::vector<ScalePath> paths{ScalePath::Plain};
#ifdef __SSE2__
    paths.push_back(ScalePath::Vector128);
    if (__builtin_cpu_supports("avx2"))
        paths.push_back(ScalePath::Vector256);
#endif
    return paths;
}

QImage shrinkByArea(const QImage& image, QSize size)
{
    static const ScalePath fastest = scalePaths().back();
    return shrinkByArea(image, size, fastest);
}

QImage shrinkByArea(const QImage& image, QSize size, ScalePath path)
{
    const QImage::Format format = image.format();
    const int channels = format == QImage::Format_RGB32 ? 4 : format == QImage::Format_Grayscale8 ? 1 : 0;
    if (channels == 0 || size.isEmpty() || size.width() > image.width() || size.height() > image.height())
        return {};
    QImage scaled(size, format);
    if (scaled.isNull())
        return {};

    const Axis rows = areaAxis(image.height(), size.height(), kRowOne, 1);
    // Columns go four at a time; the pixels past the end a group may reach have no weight.
    const Axis columns = areaAxis(image.width(), size.width(), kColumnOne, kColumnGroup);
    const int n = image.width() * channels;
    std::vector<std::int16_t> sums(std::size_t(n + (kColumnGroup - 1) * channels), 0);
#ifdef __SSE2__
    const bool fourWide = channels == 4 && path != ScalePath::Plain;
    const bool paired = fourWide && columns.maxCount == kColumnGroup && path == ScalePath::Vector256;
    const std::vector<std::int16_t> lanes = fourWide ? weightLanes(columns, paired) : std::vector<std::int16_t>();
#endif
    std::vector<const uchar*> sources(std::size_t(rows.maxCount));
    for (int y = 0; y < size.height(); ++y) {
        const Span& span = rows.spans[std::size_t(y)];
        for (int k = 0; k < span.count; ++k)
            sources[std::size_t(k)] = image.constScanLine(span.first + k);
        sumRows(sources.data(), rows.weights.data() + span.weights, span.count, n, sums.data(), path);
        uchar* out = scaled.scanLine(y);
#ifdef __SSE2__
        if (paired)
            sumColumns4Avx2(sums.data(), columns, lanes.data(), out);
        else if (fourWide)
            sumColumns4(sums.data(), columns, lanes.data(), out);
        else
#endif
            sumColumns(sums.data(), columns, channels, out);
    }
    return scaled;
}

} // namespace tolvex
