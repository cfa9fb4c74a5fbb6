#include "platform/ImageScale.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <immintrin.h>
#endif

namespace tolvex {

namespace {

// Rows are summed first, with weights in 16384ths, and each sum rounded to
// 128ths of a level: at most 255 * 128, it fits a signed 16-bit lane. The
// columns of those sums are summed in turn with weights in 16384ths, which
// fits 32 bits. The wide code computes exactly the same integers as the
// plain loops.
constexpr int kRowOne = 16384;
constexpr int kRowShift = 7;
constexpr std::int32_t kRowHalf = 1 << (kRowShift - 1);
constexpr int kColumnOne = 16384;
constexpr int kShift = 21; // log2(kRowOne * kColumnOne) - kRowShift
constexpr std::int32_t kHalf = 1 << (kShift - 1);
// The wide code takes rows in pairs, this many at most; a picture squeezed
// into a strip has its rows summed by the plain loop.
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

// out[i] = the rounded sum of weights[k] * rows[k][i], for the n bytes of a
// row, from i on.
void sumRowsFrom(int i, const uchar* const* rows, const std::int16_t* weights, int count, int n, std::int16_t* out)
{
    for (; i < n; ++i) {
        std::int32_t sum = kRowHalf;
        for (int k = 0; k < count; ++k)
            sum += rows[k][i] * weights[k];
        out[i] = std::int16_t(sum >> kRowShift);
    }
}

#ifdef __SSE2__
bool wideVectors()
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

// Two rows at a time: their bytes interleaved, so that one multiply-add
// weighs both; an odd row is paired with itself at no weight.
struct RowPairs {
    const uchar* first[kMaxWideRows / 2];
    const uchar* second[kMaxWideRows / 2];
    std::int32_t weights[kMaxWideRows / 2];
    int count = 0;
};

RowPairs pairRows(const uchar* const* rows, const std::int16_t* weights, int count)
{
    RowPairs pairs;
    for (int k = 0; k < count; k += 2, ++pairs.count) {
        const bool alone = k + 1 == count;
        pairs.first[pairs.count] = rows[k];
        pairs.second[pairs.count] = rows[alone ? k : k + 1];
        const auto low = std::uint16_t(weights[k]);
        const auto high = std::uint16_t(alone ? 0 : weights[k + 1]);
        pairs.weights[pairs.count] = std::int32_t(std::uint32_t(low) | std::uint32_t(high) << 16);
    }
    return pairs;
}

__attribute__((target("avx2"))) void sumRowsAvx2(const uchar* const* rows, const std::int16_t* weights, int count, int n,
                                                 std::int16_t* out)
{
    const RowPairs pairs = pairRows(rows, weights, count);
    const __m256i half = _mm256_set1_epi32(kRowHalf);
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256i low = half;
        __m256i high = half;
        for (int p = 0; p < pairs.count; ++p) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs.first[p] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs.second[p] + i));
            const __m256i weight = _mm256_set1_epi32(pairs.weights[p]);
            low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_cvtepu8_epi16(_mm_unpacklo_epi8(a, b)), weight));
            high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_cvtepu8_epi16(_mm_unpackhi_epi8(a, b)), weight));
        }
        const __m256i packed = _mm256_packs_epi32(_mm256_srai_epi32(low, kRowShift), _mm256_srai_epi32(high, kRowShift));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permute4x64_epi64(packed, 0xD8));
    }
    sumRowsFrom(i, rows, weights, count, n, out);
}

void sumRowsSse2(const uchar* const* rows, const std::int16_t* weights, int count, int n, std::int16_t* out)
{
    const RowPairs pairs = pairRows(rows, weights, count);
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i half = _mm_set1_epi32(kRowHalf);
        __m128i total[4] = {half, half, half, half};
        for (int p = 0; p < pairs.count; ++p) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs.first[p] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs.second[p] + i));
            const __m128i weight = _mm_set1_epi32(pairs.weights[p]);
            const __m128i low = _mm_unpacklo_epi8(a, b);
            const __m128i high = _mm_unpackhi_epi8(a, b);
            total[0] = _mm_add_epi32(total[0], _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), weight));
            total[1] = _mm_add_epi32(total[1], _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), weight));
            total[2] = _mm_add_epi32(total[2], _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), weight));
            total[3] = _mm_add_epi32(total[3], _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), weight));
        }
        for (__m128i& t : total)
            t = _mm_srai_epi32(t, kRowShift);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(total[0], total[1]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_packs_epi32(total[2], total[3]));
    }
    sumRowsFrom(i, rows, weights, count, n, out);
}
#endif

void sumRows(const uchar* const* rows, const std::int16_t* weights, int count, int n, std::int16_t* out)
{
#ifdef __SSE2__
    if (count <= kMaxWideRows) {
        if (wideVectors())
            sumRowsAvx2(rows, weights, count, n, out);
        else
            sumRowsSse2(rows, weights, count, n, out);
        return;
    }
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

QImage shrinkByArea(const QImage& image, QSize size)
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
    const bool paired = channels == 4 && columns.maxCount == kColumnGroup && wideVectors();
    const std::vector<std::int16_t> lanes = channels == 4 ? weightLanes(columns, paired) : std::vector<std::int16_t>();
#endif
    std::vector<const uchar*> sources(std::size_t(rows.maxCount));
    for (int y = 0; y < size.height(); ++y) {
        const Span& span = rows.spans[std::size_t(y)];
        for (int k = 0; k < span.count; ++k)
            sources[std::size_t(k)] = image.constScanLine(span.first + k);
        sumRows(sources.data(), rows.weights.data() + span.weights, span.count, n, sums.data());
        uchar* out = scaled.scanLine(y);
#ifdef __SSE2__
        if (paired)
            sumColumns4Avx2(sums.data(), columns, lanes.data(), out);
        else if (channels == 4)
            sumColumns4(sums.data(), columns, lanes.data(), out);
        else
#endif
            sumColumns(sums.data(), columns, channels, out);
    }
    return scaled;
}

} // namespace tolvex
