#include "catalogue/LevelRecords.h"

#include "catalogue/FoldedKey.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace tolvex {

namespace {

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

// A block holds this many positions at most; an insertion moves the keys of
// one block, not of the whole table, so lists out of key order import fast.
constexpr size_t kBlockSize = 512;

// Every this many keys of a block, one gives a fence word: the keys between
// two fences are one cache line, the last thing a search reads.
constexpr size_t kFenceStep = 64 / sizeof(FoldedKey);

// Every this many fences, one is copied to the block's top row, so that
// a search reads the top row and then a single line of fences.
constexpr size_t kTopStep = 64 / sizeof(std::uint64_t);

// Above every fence in use, so that a count of the fences below a word
// needs no bound.
constexpr std::uint64_t kBeyondFences = ~std::uint64_t(0);

template <size_t N>
constexpr std::array<std::uint64_t, N> noFences()
{
    std::array<std::uint64_t, N> words{};
    words.fill(kBeyondFences);
    return words;
}

// Hands out memory aligned to cache lines.
template <typename T>
struct LineAllocator {
    using value_type = T;
    LineAllocator() = default;
    template <typename U>
    explicit LineAllocator(const LineAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t(64))); }
    void deallocate(T* p, size_t) { ::operator delete(p, std::align_val_t(64)); }
    friend bool operator==(const LineAllocator&, const LineAllocator&) = default;
};

// The eight bytes of a folded key that follow its first `skip` bytes.
std::uint64_t wordAfter(const FoldedKey& key, unsigned skip)
{
    if (skip == 0)
        return key.high;
    if (skip == 8)
        return key.low;
    return (key.high << (8 * skip)) | (key.low >> (64 - 8 * skip));
}

// The leading bytes, up to 8, that every key from a to b begins with.
unsigned sharedBytes(const FoldedKey& a, const FoldedKey& b)
{
    const std::uint64_t differ = a.high ^ b.high;
    return differ == 0 ? 8 : unsigned(__builtin_clzll(differ)) / 8;
}

struct Block {
    std::vector<FoldedKey, LineAllocator<FoldedKey>> keys;
    std::vector<std::uint32_t> slots;
    // The leading bytes every key here shares, and those bytes. The fences
    // are the eight bytes after them: names that begin alike, as a family
    // of maps does, still get fences that tell them apart.
    unsigned shared = 0;
    std::uint64_t begins = 0;
    size_t fenceCount = 0;
    // Room for one key more than kBlockSize, which a block holds for a
    // moment before it is split.
    static constexpr size_t kFenceRoom = (kBlockSize / kFenceStep + kTopStep) / kTopStep * kTopStep;
    alignas(64) std::array<std::uint64_t, kFenceRoom / kTopStep> top = noFences<kFenceRoom / kTopStep>();
    alignas(64) std::array<std::uint64_t, kFenceRoom> fences = noFences<kFenceRoom>();

    [[nodiscard]] std::uint64_t sharedMask() const { return shared == 0 ? 0 : ~std::uint64_t(0) << (64 - 8 * shared); }

    // After a change at the offset.
    void refence(size_t from)
    {
        if (keys.empty()) {
            fenceCount = 0;
            return;
        }
        if (const unsigned now = sharedBytes(keys.front(), keys.back()); now != shared) {
            shared = now;
            from = 0;
        }
        begins = keys.front().high & sharedMask();
        const size_t oldCount = std::exchange(fenceCount, (keys.size() + kFenceStep - 1) / kFenceStep);
        Q_ASSERT(fenceCount <= fences.size());
        for (size_t j = from / kFenceStep; j < fenceCount; ++j)
            fences[j] = wordAfter(keys[j * kFenceStep], shared);
        for (size_t j = fenceCount; j < oldCount; ++j)
            fences[j] = kBeyondFences;
        for (size_t i = from / kFenceStep / kTopStep; i < top.size(); ++i)
            top[i] = fences[i * kTopStep];
    }

    [[nodiscard]] size_t lowerBound(const FoldedKey& key) const
    {
        // A key that does not begin as every key here sorts before or after them all.
        if (const std::uint64_t keyBegins = key.high & sharedMask(); keyBegins != begins)
            return keyBegins < begins ? 0 : keys.size();
        // Counted, not searched: the words lie in two or three lines, and
        // the comparisons do not wait for one another.
        const std::uint64_t word = wordAfter(key, shared);
        size_t above = 0;
        for (const std::uint64_t fence : top)
            above += size_t(fence < word);
        size_t below = 0;
        if (above > 0) {
            below = (above - 1) * kTopStep + 1;
            size_t more = 0;
            for (size_t j = 0; j + 1 < kTopStep; ++j)
                more += size_t(fences[below + j] < word);
            below += more;
        }
        // Keys up to the last fence below the word are less than the key;
        // keys from the first fence above it on are greater.
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
};

// The last key of every block, in order, and a directory by their first
// character: the search for a key's block looks only among the blocks whose
// last keys begin as it does, so that its steps hardly grow with the table.
// The directory is remade on the first search after a last key changed; the
// table is only ever used from one thread.
class BlockLasts {
public:
    [[nodiscard]] size_t size() const { return m_keys.size(); }
    [[nodiscard]] const FoldedKey& back() const { return m_keys.back(); }

    void set(size_t block, const FoldedKey& last)
    {
        m_keys[block] = last;
        m_stale = true;
    }
    void insert(size_t block, const FoldedKey& last)
    {
        m_keys.insert(m_keys.begin() + std::ptrdiff_t(block), last);
        m_stale = true;
    }
    void erase(size_t block)
    {
        m_keys.erase(m_keys.begin() + std::ptrdiff_t(block));
        m_stale = true;
    }
    void clear()
    {
        m_keys.clear();
        m_stale = true;
    }

    // The first block whose last key is not less than the key; the caller
    // makes sure that the last block's is not.
    [[nodiscard]] size_t blockOf(const FoldedKey& key) const
    {
        if (m_stale)
            redirect();
        const auto first = size_t(key.high >> 56);
        const size_t from = m_firstBlock[first];
        // A block whose last key begins with a higher character is not less.
        const size_t to = std::min<size_t>(m_firstBlock[first + 1], m_keys.size() - 1);
        return from + lowerBoundOf(m_keys.data() + from, to - from + 1, key);
    }

private:
    void redirect() const
    {
        size_t block = 0;
        for (size_t first = 0; first < 256; ++first) {
            while (block < m_keys.size() && size_t(m_keys[block].high >> 56) < first)
                ++block;
            m_firstBlock[first] = std::uint32_t(block);
        }
        m_firstBlock[256] = std::uint32_t(m_keys.size());
        m_stale = false;
    }

    std::vector<FoldedKey> m_keys;
    // For each first character, the first block whose last key begins with it or a higher one.
    mutable std::array<std::uint32_t, 257> m_firstBlock{};
    mutable bool m_stale = true;
};

} // namespace

int compareKeys(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t x = keyWeight(a[i].unicode());
        const char32_t y = keyWeight(b[i].unicode());
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

QString keyOf(const LevelRecord& record)
{
    const auto* key = std::get_if<QString>(&record[Field::Datei]);
    return key ? *key : QString();
}

QString keyOf(const PackedRecord& record)
{
    return keyText(record.key());
}

// The records stay in the slot they were stored in; the key order is a row
// of blocks of (folded key, slot), with each block's first position and last
// key kept side by side for the search.
struct LevelRecords::Slots {
    std::vector<PackedRecord> records;
    std::vector<std::uint32_t> free;
    std::vector<Block> blocks;
    std::vector<int> starts;
    BlockLasts lasts;
    int count = 0;
    std::uint64_t generation = 0;

    struct Place {
        size_t block;
        size_t offset;
    };

    [[nodiscard]] Place locate(int index) const
    {
        const auto it = std::upper_bound(starts.begin(), starts.end(), index);
        const auto block = size_t(it - starts.begin()) - 1;
        return {block, size_t(index - starts[block])};
    }

    [[nodiscard]] std::uint32_t slotAt(int index) const
    {
        const Place p = locate(index);
        return blocks[p.block].slots[p.offset];
    }

    [[nodiscard]] FoldedKey keyAt(int index) const
    {
        const Place p = locate(index);
        return blocks[p.block].keys[p.offset];
    }

    [[nodiscard]] const PackedRecord& at(int index) const { return records[slotAt(index)]; }

    std::uint32_t store(PackedRecord record)
    {
        if (free.empty()) {
            records.push_back(std::move(record));
            return std::uint32_t(records.size() - 1);
        }
        const std::uint32_t slot = free.back();
        free.pop_back();
        records[slot] = std::move(record);
        return slot;
    }

    void shiftStarts(size_t fromBlock, int by)
    {
        for (size_t b = fromBlock; b < starts.size(); ++b)
            starts[b] += by;
    }

    void addBlock(size_t at, Block block, int start)
    {
        block.refence(0);
        lasts.insert(at, block.keys.back());
        starts.insert(starts.begin() + std::ptrdiff_t(at), start);
        blocks.insert(blocks.begin() + std::ptrdiff_t(at), std::move(block));
    }

    void insertAt(int index, FoldedKey key, std::uint32_t slot)
    {
        if (blocks.empty()) {
            addBlock(0, Block{{key}, {slot}, {}}, 0);
            ++count;
            return;
        }
        const Place p = locate(index);
        Block& block = blocks[p.block];
        // Appends in key order fill each block and then open the next.
        if (p.block + 1 == blocks.size() && p.offset == block.keys.size() && block.keys.size() >= kBlockSize) {
            addBlock(blocks.size(), Block{{key}, {slot}, {}}, count++);
            return;
        }
        block.keys.insert(block.keys.begin() + std::ptrdiff_t(p.offset), key);
        block.slots.insert(block.slots.begin() + std::ptrdiff_t(p.offset), slot);
        block.refence(p.offset);
        if (p.offset + 1 == block.keys.size())
            lasts.set(p.block, key);
        shiftStarts(p.block + 1, 1);
        ++count;
        if (block.keys.size() > kBlockSize)
            split(p.block);
    }

    void split(size_t b)
    {
        Block& block = blocks[b];
        const auto half = std::ptrdiff_t(block.keys.size() / 2);
        Block second{{block.keys.begin() + half, block.keys.end()}, {block.slots.begin() + half, block.slots.end()}, {}};
        block.keys.resize(size_t(half));
        block.slots.resize(size_t(half));
        block.refence(0);
        lasts.set(b, block.keys.back());
        addBlock(b + 1, std::move(second), starts[b] + int(half));
    }

    void eraseAt(int index)
    {
        const Place p = locate(index);
        Block& block = blocks[p.block];
        block.keys.erase(block.keys.begin() + std::ptrdiff_t(p.offset));
        block.slots.erase(block.slots.begin() + std::ptrdiff_t(p.offset));
        block.refence(p.offset);
        --count;
        if (block.keys.empty()) {
            blocks.erase(blocks.begin() + std::ptrdiff_t(p.block));
            starts.erase(starts.begin() + std::ptrdiff_t(p.block));
            lasts.erase(p.block);
            shiftStarts(p.block, -1);
            return;
        }
        lasts.set(p.block, block.keys.back());
        shiftStarts(p.block + 1, -1);
    }

    // Rough keys that fold alike are put in order by their texts.
    [[nodiscard]] bool less(const std::pair<FoldedKey, std::uint32_t>& a, const std::pair<FoldedKey, std::uint32_t>& b) const
    {
        if (a.first != b.first)
            return a.first < b.first;
        return !a.first.exact() && compareKeys(keyText(records[a.second].key()), keyText(records[b.second].key())) < 0;
    }

    [[nodiscard]] bool sorted() const
    {
        std::pair<FoldedKey, std::uint32_t> previous;
        bool first = true;
        for (const Block& block : blocks) {
            for (size_t i = 0; i < block.keys.size(); ++i) {
                const std::pair<FoldedKey, std::uint32_t> current{block.keys[i], block.slots[i]};
                if (!first && less(current, previous))
                    return false;
                previous = current;
                first = false;
            }
        }
        return true;
    }

    void sort()
    {
        std::vector<std::pair<FoldedKey, std::uint32_t>> all;
        all.reserve(size_t(count));
        for (const Block& block : blocks) {
            for (size_t i = 0; i < block.keys.size(); ++i)
                all.emplace_back(block.keys[i], block.slots[i]);
        }
        std::stable_sort(all.begin(), all.end(), [this](const auto& a, const auto& b) { return less(a, b); });
        blocks.clear();
        starts.clear();
        lasts.clear();
        for (size_t from = 0; from < all.size(); from += kBlockSize) {
            Block block;
            for (size_t i = from; i < std::min(all.size(), from + kBlockSize); ++i) {
                block.keys.push_back(all[i].first);
                block.slots.push_back(all[i].second);
            }
            addBlock(blocks.size(), std::move(block), int(from));
        }
    }
};

LevelRecords::LevelRecords()
    : m(std::make_unique<Slots>())
{
}

LevelRecords::~LevelRecords() = default;

int LevelRecords::size() const
{
    return m->count;
}

bool LevelRecords::empty() const
{
    return m->count == 0;
}

LevelRecord LevelRecords::record(int index) const
{
    return m->at(index).unpack();
}

FieldValue LevelRecords::value(int index, int pos) const
{
    return m->at(index).value(pos);
}

StoredField LevelRecords::field(int index, int pos) const
{
    return m->at(index).field(pos);
}

QString LevelRecords::key(int index) const
{
    return keyText(m->at(index).key());
}

std::uint64_t LevelRecords::generation() const
{
    return m->generation;
}

void LevelRecords::insert(int index, const LevelRecord& record)
{
    insert(index, PackedRecord(record));
}

void LevelRecords::insert(int index, PackedRecord record)
{
    const FoldedKey key = fold(record.key());
    m->insertAt(index, key, m->store(std::move(record)));
    ++m->generation;
}

int LevelRecords::insertByKey(const LevelRecord& record)
{
    const int pos = lowerBound(keyOf(record));
    insert(pos, record);
    return pos;
}

void LevelRecords::append(const LevelRecord& record)
{
    insert(size(), record);
}

void LevelRecords::append(PackedRecord record)
{
    insert(size(), std::move(record));
}

void LevelRecords::replace(int index, const LevelRecord& record)
{
    const Slots::Place p = m->locate(index);
    Block& block = m->blocks[p.block];
    PackedRecord& stored = m->records[block.slots[p.offset]];
    stored = PackedRecord(record);
    block.keys[p.offset] = fold(stored.key());
    block.refence(p.offset);
    if (p.offset + 1 == block.keys.size())
        m->lasts.set(p.block, block.keys.back());
    ++m->generation;
}

void LevelRecords::erase(int index)
{
    const std::uint32_t slot = m->slotAt(index);
    m->records[slot] = PackedRecord();
    m->free.push_back(slot);
    m->eraseAt(index);
    ++m->generation;
}

void LevelRecords::clear()
{
    const std::uint64_t generation = m->generation;
    m = std::make_unique<Slots>();
    m->generation = generation + 1;
}

void LevelRecords::sortByKey()
{
    if (!m->sorted())
        m->sort();
    ++m->generation;
}

int LevelRecords::lowerBound(QStringView key) const
{
    bool equal = false;
    return lowerBound(key, equal);
}

int LevelRecords::lowerBound(QStringView key, bool& equal) const
{
    const FoldedKey folded = fold(key);
    equal = false;
    // A list exported in key order and imported into a table of smaller
    // names appends at the end every time: one comparison instead of a search.
    if (m->count == 0 || m->lasts.back() < folded)
        return m->count;
    const size_t block = m->lasts.blockOf(folded);
    const auto& keys = m->blocks[block].keys;
    const size_t offset = m->blocks[block].lowerBound(folded);
    int pos = m->starts[block] + int(offset);
    if (folded.exact()) {
        equal = keys[offset] == folded;
        return pos;
    }
    while (pos < m->count && m->keyAt(pos) == folded) {
        const int order = compareKeys(this->key(pos), key);
        if (order >= 0) {
            equal = order == 0;
            break;
        }
        ++pos;
    }
    return pos;
}

int LevelRecords::indexOf(QStringView key) const
{
    bool equal = false;
    const int pos = lowerBound(key, equal);
    return equal ? pos : -1;
}

int LevelRecords::firstRepeatedKey() const
{
    int pos = 0;
    std::optional<FoldedKey> previous;
    for (const Block& block : m->blocks) {
        for (const FoldedKey& key : block.keys) {
            if (previous && key == *previous && (key.exact() || compareKeys(this->key(pos - 1), this->key(pos)) == 0))
                return pos;
            previous = key;
            ++pos;
        }
    }
    return -1;
}

} // namespace tolvex
