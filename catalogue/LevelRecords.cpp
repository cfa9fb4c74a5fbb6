#include "catalogue/LevelRecords.h"

#include "platform/Cp1252.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <compare>
#include <optional>
#include <utility>
#include <vector>

namespace tolvex {

namespace {

// UTF-16 units are shifted so that surrogates sort above the rest of the BMP,
// which gives code point order.
char32_t keyWeight(char16_t u)
{
    if (u >= u'A' && u <= u'Z')
        return u + (u'a' - u'A');
    if (u >= 0xE000)
        return u - 0x800;
    if (u >= 0xD800)
        return u + 0x2000;
    return u;
}

// A key folded for comparison in two words: for each of its first 15
// characters one byte, its rank among the folded Windows-1252 characters,
// and 0 after its end. Every stored key fits that, as "Datei" holds 15
// characters of Windows-1252. A character Windows-1252 lacks gets the rank
// of the next smaller one and the bytes after it 0xFF, as does the last
// byte of a longer key: such keys compare only roughly and, alone among
// keys, are told apart by their text.
struct FoldedKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    auto operator<=>(const FoldedKey&) const = default;
    [[nodiscard]] bool exact() const { return (low & 0xFF) == 0; }
};

constexpr qsizetype kFoldedChars = 15;
constexpr unsigned char kRough = 0xFF;

class KeyRanks {
public:
    KeyRanks()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        for (const QChar c : cp1252::decode(all))
            m_weights.push_back(keyWeight(c.unicode()));
        std::sort(m_weights.begin(), m_weights.end());
        m_weights.erase(std::unique(m_weights.begin(), m_weights.end()), m_weights.end());
        for (char16_t u = 0; u < 0x80; ++u)
            m_ascii[u] = slowRank(u).first;
        const QString chars = cp1252::decode(all);
        for (int b = 0; b < 256; ++b)
            m_bytes[size_t(b)] = slowRank(chars[b].unicode()).first;
    }

    // The rank of a Windows-1252 byte.
    [[nodiscard]] unsigned char ofByte(char b) const { return m_bytes[static_cast<unsigned char>(b)]; }

    // The rank, and whether the character is one of Windows-1252.
    [[nodiscard]] std::pair<unsigned char, bool> of(char16_t u) const
    {
        return u < 0x80 ? std::pair<unsigned char, bool>{m_ascii[u], true} : slowRank(u);
    }

private:
    [[nodiscard]] std::pair<unsigned char, bool> slowRank(char16_t u) const
    {
        const char32_t weight = keyWeight(u);
        const auto it = std::lower_bound(m_weights.begin(), m_weights.end(), weight);
        const auto below = static_cast<unsigned char>(it - m_weights.begin());
        if (it != m_weights.end() && *it == weight)
            return {static_cast<unsigned char>(below + 1), true};
        return {below, false};
    }

    std::vector<char32_t> m_weights; // 230 after folding, so every rank stays below kRough
    std::array<unsigned char, 0x80> m_ascii{};
    std::array<unsigned char, 256> m_bytes{};
};

const KeyRanks& keyRanks()
{
    static const KeyRanks ranks;
    return ranks;
}

FoldedKey folded(const std::array<unsigned char, 16>& bytes)
{
    FoldedKey key;
    for (size_t b = 0; b < 8; ++b) {
        key.high = (key.high << 8) | bytes[b];
        key.low = (key.low << 8) | bytes[b + 8];
    }
    return key;
}

FoldedKey fold(QStringView key)
{
    const KeyRanks& ranks = keyRanks();
    std::array<unsigned char, 16> bytes{};
    const qsizetype n = std::min(key.size(), kFoldedChars);
    qsizetype i = 0;
    for (; i < n; ++i) {
        const auto [rank, exact] = ranks.of(key[i].unicode());
        bytes[size_t(i)] = rank;
        if (!exact)
            break;
    }
    if (i < n || key.size() > kFoldedChars)
        std::fill(bytes.begin() + (i < n ? i + 1 : kFoldedChars), bytes.end(), kRough);
    return folded(bytes);
}

QString keyText(const StoredField& key)
{
    const FieldValue value = valueOf(key);
    const auto* text = std::get_if<QString>(&value);
    return text ? *text : QString();
}

// The stored key, folded straight from its Windows-1252 bytes.
FoldedKey fold(const StoredField& key)
{
    if (key.kind != StoredField::Kind::Text)
        return fold(keyText(key));
    const KeyRanks& ranks = keyRanks();
    std::array<unsigned char, 16> bytes{};
    const qsizetype n = std::min(key.bytes.size(), kFoldedChars);
    for (qsizetype i = 0; i < n; ++i)
        bytes[size_t(i)] = ranks.ofByte(key.bytes[i]);
    if (key.bytes.size() > kFoldedChars)
        bytes[size_t(kFoldedChars)] = kRough;
    return folded(bytes);
}

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

// Every this many keys of a block, the first word of one is kept aside.
constexpr size_t kFenceStep = 16;

struct Block {
    std::vector<FoldedKey> keys;
    std::vector<std::uint32_t> slots;
    // The first words of every kFenceStep-th key: a search reads these few
    // cache lines and then one stretch of keys instead of probing the block.
    std::vector<std::uint64_t> fences;

    // After a change at the offset.
    void refence(size_t from)
    {
        fences.resize((keys.size() + kFenceStep - 1) / kFenceStep);
        for (size_t j = from / kFenceStep; j < fences.size(); ++j)
            fences[j] = keys[j * kFenceStep].high;
    }

    [[nodiscard]] size_t lowerBound(const FoldedKey& key) const
    {
        // Keys before the last fence below the key's first word are less
        // than it; keys from the first fence above it on are greater.
        const auto below = size_t(std::lower_bound(fences.begin(), fences.end(), key.high) - fences.begin());
        const auto upto = size_t(std::upper_bound(fences.begin() + std::ptrdiff_t(below), fences.end(), key.high) - fences.begin());
        const size_t from = below == 0 ? 0 : (below - 1) * kFenceStep;
        const size_t to = std::min(keys.size(), upto * kFenceStep);
        return from + lowerBoundOf(keys.data() + from, to - from, key);
    }
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
    std::vector<FoldedKey> lasts;
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
        lasts.insert(lasts.begin() + std::ptrdiff_t(at), block.keys.back());
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
            lasts[p.block] = key;
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
        lasts[b] = block.keys.back();
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
            lasts.erase(lasts.begin() + std::ptrdiff_t(p.block));
            shiftStarts(p.block, -1);
            return;
        }
        lasts[p.block] = block.keys.back();
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
        m->lasts[p.block] = block.keys.back();
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
    const size_t block = lowerBoundOf(m->lasts.data(), m->lasts.size(), folded);
    const std::vector<FoldedKey>& keys = m->blocks[block].keys;
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
