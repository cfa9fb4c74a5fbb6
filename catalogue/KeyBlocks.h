#pragma once

#include "catalogue/FoldedKey.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace tolvex {

// The search structures behind the key order of LevelRecords: the folded
// keys in blocks, each with fences, and the last key of every block with a
// directory by first character. A search reads the directory, then a few
// cache lines of one block: it hardly grows with the table.

// The first of n folded keys in order that is not less than the key.
[[nodiscard]] size_t lowerBoundOf(const FoldedKey* keys, size_t n, const FoldedKey& key);

// A block holds this many positions at most; an insertion moves the keys of
// one block, not of the whole table, so lists out of key order import fast.
inline constexpr size_t kBlockSize = 512;

// The leading bytes, at most eight, that every key of a run in order shares.
// Names of one family (tourney_, q2dm) share many, so their keys are told
// apart by the eight bytes after them.
struct KeyBeginning {
    unsigned shared = 0;
    std::uint64_t mask = 0;
    std::uint64_t bytes = 0;

    // Of the keys from first to last.
    [[nodiscard]] static KeyBeginning of(const FoldedKey& first, const FoldedKey& last);
    // Negative, zero or positive as the key begins before, with or after these bytes.
    [[nodiscard]] int compare(const FoldedKey& key) const
    {
        const std::uint64_t begins = key.high & mask;
        return begins == bytes ? 0 : (begins < bytes ? -1 : 1);
    }
    // The eight bytes of the key that follow the shared ones.
    [[nodiscard]] std::uint64_t wordOf(const FoldedKey& key) const;
};

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

// Every this many keys of a block, one gives a fence word: the keys between
// two fences are one cache line, the last thing a search reads.
inline constexpr size_t kFenceStep = 64 / sizeof(FoldedKey);
// Every this many fences, one is copied to the block's top row, so that a
// search reads the top row and then a single line of fences.
inline constexpr size_t kTopStep = 64 / sizeof(std::uint64_t);
// Above every fence in use, so that a count of the fences below a word needs no bound.
inline constexpr std::uint64_t kBeyondFences = ~std::uint64_t(0);

template <size_t N>
constexpr std::array<std::uint64_t, N> noFences()
{
    std::array<std::uint64_t, N> words{};
    words.fill(kBeyondFences);
    return words;
}

// Up to kBlockSize folded keys in order, with the slots of their records.
struct KeyBlock {
    using Keys = std::vector<FoldedKey, LineAllocator<FoldedKey>>;

    KeyBlock() = default;
    KeyBlock(Keys firstKeys, std::vector<std::uint32_t> firstSlots)
        : keys(std::move(firstKeys))
        , slots(std::move(firstSlots))
    {
    }

    // What a search reads first lies in the block's first three cache lines.
    Keys keys;
    KeyBeginning beginning;
    size_t fenceCount = 0;
    // Room for one key more than kBlockSize, which a block holds for a
    // moment before it is split.
    static constexpr size_t kFenceRoom = (kBlockSize / kFenceStep + kTopStep) / kTopStep * kTopStep;
    std::array<std::uint64_t, kFenceRoom / kTopStep> top = noFences<kFenceRoom / kTopStep>();
    alignas(64) std::array<std::uint64_t, kFenceRoom> fences = noFences<kFenceRoom>();
    std::vector<std::uint32_t> slots;

    // After a change of the keys at the offset.
    void refence(size_t from);
    // The first offset whose key is not less than the given one.
    [[nodiscard]] size_t lowerBound(const FoldedKey& key) const;
};

// The last key of every block, in order, and a directory by their first
// character: the search for a key's block counts only among the blocks
// whose last keys begin as it does. The directory is remade on the first
// search after a last key changed; the table is only ever used from one thread.
class BlockLasts {
public:
    [[nodiscard]] size_t size() const { return m_keys.size(); }
    [[nodiscard]] const FoldedKey& back() const { return m_keys.back(); }

    void set(size_t block, const FoldedKey& last);
    void insert(size_t block, const FoldedKey& last);
    void erase(size_t block);
    void clear();

    // The first block whose last key is not less than the key; the caller
    // makes sure that the last block's is not.
    [[nodiscard]] size_t blockOf(const FoldedKey& key) const;

private:
    void redirect() const;

    std::vector<FoldedKey> m_keys;
    // For each first character, the first block whose last key begins with it or a higher one.
    mutable std::array<std::uint32_t, 257> m_firstBlock{};
    // For each first character, what the last keys beginning with it share,
    // and for each block its last key's word after that.
    mutable std::array<KeyBeginning, 256> m_beginnings{};
    mutable std::vector<std::uint64_t> m_words;
    // For each first character of up to kTopStep² blocks, where its words
    // also lie in rows of one cache line each; what the rows leave is kBeyondFences.
    mutable std::array<std::uint32_t, 256> m_firstRow{};
    mutable std::vector<std::array<std::uint64_t, kTopStep>> m_rows;
    mutable bool m_stale = true;
};

} // namespace tolvex
