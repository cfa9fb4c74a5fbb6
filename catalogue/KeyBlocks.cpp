#include "catalogue/KeyBlocks.h"

#include <QtGlobal>

#include <algorithm>
#include <utility>

namespace tolvex {

namespace {

// The eight bytes of a folded key that follow its first `skip` bytes.
std::uint64_t wordAfter(const FoldedKey& key, unsigned skip)
{
    if (skip == 0)
        return key.high;
    if (skip == 8)
        return key.low;
    return (key.high << (8 * skip)) | (key.low >> (64 - 8 * skip));
}

// Among the words from `from` to `end`, in order, how many are less than the
// word. Counted, not searched: the words lie in a few cache lines, and the
// comparisons do not wait for one another.
size_t countBelow(const std::uint64_t* words, size_t n, std::uint64_t word)
{
    size_t below = 0;
    for (size_t i = 0; i < n; ++i)
        below += size_t(words[i] < word);
    return below;
}

// Blocks up to this many per first character are searched by their last keys alone.
constexpr size_t kFewBlocks = 2;

// A first character whose blocks' words are not laid out in rows.
constexpr std::uint32_t kNoRows = ~std::uint32_t(0);

} // namespace

// std::lower_bound without branches on the comparison, fetching both keys
// the next step may read while this one compares: the misses of a search in
// a large table then overlap instead of following one another.
size_t lowerBoundOf(const FoldedKey* keys, size_t n, const FoldedKey& key)
{
    if (n == 0)
        return 0;
    const FoldedKey* base = keys;
    while (n > 1) {
        const size_t half = n / 2;
        __builtin_prefetch(base + half / 2);
        __builtin_prefetch(base + half + half / 2);
        base = base[half] < key ? base + half : base;
        n -= half;
    }
    return size_t(base - keys) + (*base < key ? 1 : 0);
}

KeyBeginning KeyBeginning::of(const FoldedKey& first, const FoldedKey& last)
{
    const std::uint64_t differ = first.high ^ last.high;
    KeyBeginning beginning;
    beginning.shared = differ == 0 ? 8 : unsigned(__builtin_clzll(differ)) / 8;
    beginning.mask = beginning.shared == 0 ? 0 : ~std::uint64_t(0) << (64 - 8 * beginning.shared);
    beginning.bytes = first.high & beginning.mask;
    return beginning;
}

std::uint64_t KeyBeginning::wordOf(const FoldedKey& key) const
{
    return wordAfter(key, shared);
}

void KeyBlock::refence(size_t from)
{
    if (keys.empty()) {
        fenceCount = 0;
        return;
    }
    const KeyBeginning now = KeyBeginning::of(keys.front(), keys.back());
    if (now.shared != beginning.shared)
        from = 0;
    beginning = now;
    const size_t oldCount = std::exchange(fenceCount, (keys.size() + kFenceStep - 1) / kFenceStep);
    Q_ASSERT(fenceCount <= fences.size());
    for (size_t j = from / kFenceStep; j < fenceCount; ++j)
        fences[j] = beginning.wordOf(keys[j * kFenceStep]);
    for (size_t j = fenceCount; j < oldCount; ++j)
        fences[j] = kBeyondFences;
    for (size_t i = from / kFenceStep / kTopStep; i < top.size(); ++i)
        top[i] = fences[i * kTopStep];
}

size_t KeyBlock::lowerBound(const FoldedKey& key) const
{
    // A key that does not begin as every key here sorts before or after them all.
    if (const int order = beginning.compare(key); order != 0)
        return order < 0 ? 0 : keys.size();
    const std::uint64_t word = beginning.wordOf(key);
    const size_t above = countBelow(top.data(), top.size(), word);
    size_t below = 0;
    if (above > 0) {
        below = (above - 1) * kTopStep + 1;
        below += countBelow(fences.data() + below, kTopStep - 1, word);
    }
    // Keys up to the last fence below the word are less than the key; keys
    // from the first fence above it on are greater. Fences tie only for keys
    // alike in eight bytes more than the shared ones.
    size_t upto = below;
    while (upto < fenceCount && fences[upto] == word)
        ++upto;
    const size_t from = below == 0 ? 0 : (below - 1) * kFenceStep + 1;
    const size_t to = std::min(keys.size(), upto * kFenceStep);
    if (to - from == kFenceStep - 1) {
        size_t less = 0;
        for (size_t i = 0; i + 1 < kFenceStep; ++i)
            less += size_t(keys[from + i] < key);
        return from + less;
    }
    return from + lowerBoundOf(keys.data() + from, to - from, key);
}

void BlockLasts::set(size_t block, const FoldedKey& last)
{
    m_keys[block] = last;
    m_stale = true;
}

void BlockLasts::insert(size_t block, const FoldedKey& last)
{
    m_keys.insert(m_keys.begin() + std::ptrdiff_t(block), last);
    m_stale = true;
}

void BlockLasts::erase(size_t block)
{
    m_keys.erase(m_keys.begin() + std::ptrdiff_t(block));
    m_stale = true;
}

void BlockLasts::clear()
{
    m_keys.clear();
    m_stale = true;
}

size_t BlockLasts::blockOf(const FoldedKey& key) const
{
    if (m_stale)
        redirect();
    const auto first = size_t(key.high >> 56);
    const size_t from = m_firstBlock[first];
    // A block whose last key begins with a higher character is not less.
    const size_t end = m_firstBlock[first + 1];
    const size_t last = m_keys.size() - 1;
    if (end - from <= kFewBlocks) {
        const size_t to = std::min(end, last);
        return from + lowerBoundOf(m_keys.data() + from, to - from + 1, key);
    }
    const KeyBeginning& beginning = m_beginnings[first];
    if (const int order = beginning.compare(key); order != 0)
        return std::min(order < 0 ? from : end, last);
    const std::uint64_t word = beginning.wordOf(key);
    size_t at = from;
    if (const std::uint32_t row = m_firstRow[first]; row != kNoRows) {
        // Two counts of one line each, the same work whatever the number of blocks.
        if (const size_t above = countBelow(m_rows[row].data(), kTopStep, word); above > 0)
            at += (above - 1) * kTopStep + countBelow(m_rows[row + above].data(), kTopStep, word);
    } else {
        at += countBelow(m_words.data() + from, end - from, word);
    }
    if (at < end && m_words[at] == word) {
        size_t upto = at;
        while (upto < end && m_words[upto] == word)
            ++upto;
        const size_t to = std::min(upto, last);
        at += lowerBoundOf(m_keys.data() + at, to - at + 1, key);
    }
    return std::min(at, last);
}

void BlockLasts::redirect() const
{
    size_t block = 0;
    for (size_t first = 0; first < 256; ++first) {
        while (block < m_keys.size() && size_t(m_keys[block].high >> 56) < first)
            ++block;
        m_firstBlock[first] = std::uint32_t(block);
    }
    m_firstBlock[256] = std::uint32_t(m_keys.size());
    m_words.resize(m_keys.size());
    m_rows.clear();
    m_firstRow.fill(kNoRows);
    for (size_t first = 0; first < 256; ++first) {
        const size_t from = m_firstBlock[first];
        const size_t end = m_firstBlock[first + 1];
        if (end - from <= kFewBlocks)
            continue;
        m_beginnings[first] = KeyBeginning::of(m_keys[from], m_keys[end - 1]);
        for (size_t i = from; i < end; ++i)
            m_words[i] = m_beginnings[first].wordOf(m_keys[i]);
        if (end - from > kTopStep * kTopStep)
            continue;
        // A top row of every kTopStep-th word, then the rows it points into.
        m_firstRow[first] = std::uint32_t(m_rows.size());
        const size_t rows = (end - from + kTopStep - 1) / kTopStep;
        m_rows.resize(m_rows.size() + 1 + rows, noFences<kTopStep>());
        for (size_t i = from; i < end; ++i) {
            const size_t at = i - from;
            if (at % kTopStep == 0)
                m_rows[m_firstRow[first]][at / kTopStep] = m_words[i];
            m_rows[m_firstRow[first] + 1 + at / kTopStep][at % kTopStep] = m_words[i];
        }
    }
    m_stale = false;
}

} // namespace tolvex
