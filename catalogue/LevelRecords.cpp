#include "catalogue/LevelRecords.h"

#include "catalogue/FoldedKey.h"
#include "catalogue/KeyBlocks.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tolvex {

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
    std::vector<KeyBlock> blocks;
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

    void addBlock(size_t at, KeyBlock block, int start)
    {
        block.refence(0);
        lasts.insert(at, block.keys.back());
        starts.insert(starts.begin() + std::ptrdiff_t(at), start);
        blocks.insert(blocks.begin() + std::ptrdiff_t(at), std::move(block));
    }

    void insertAt(int index, FoldedKey key, std::uint32_t slot)
    {
        if (blocks.empty()) {
            addBlock(0, KeyBlock({key}, {slot}), 0);
            ++count;
            return;
        }
        const Place p = locate(index);
        KeyBlock& block = blocks[p.block];
        // Appends in key order fill each block and then open the next.
        if (p.block + 1 == blocks.size() && p.offset == block.keys.size() && block.keys.size() >= kBlockSize) {
            addBlock(blocks.size(), KeyBlock({key}, {slot}), count++);
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
        KeyBlock& block = blocks[b];
        const auto half = std::ptrdiff_t(block.keys.size() / 2);
        KeyBlock second({block.keys.begin() + half, block.keys.end()}, {block.slots.begin() + half, block.slots.end()});
        block.keys.resize(size_t(half));
        block.slots.resize(size_t(half));
        block.refence(0);
        lasts.set(b, block.keys.back());
        addBlock(b + 1, std::move(second), starts[b] + int(half));
    }

    void eraseAt(int index)
    {
        const Place p = locate(index);
        KeyBlock& block = blocks[p.block];
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
        for (const KeyBlock& block : blocks) {
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
        for (const KeyBlock& block : blocks) {
            for (size_t i = 0; i < block.keys.size(); ++i)
                all.emplace_back(block.keys[i], block.slots[i]);
        }
        std::stable_sort(all.begin(), all.end(), [this](const auto& a, const auto& b) { return less(a, b); });
        blocks.clear();
        starts.clear();
        lasts.clear();
        for (size_t from = 0; from < all.size(); from += kBlockSize) {
            KeyBlock block;
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
    KeyBlock& block = m->blocks[p.block];
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
    for (const KeyBlock& block : m->blocks) {
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
