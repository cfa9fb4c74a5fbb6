#include "catalogue/LevelRecords.h"

#include "level/KeyOrder.h"

#include "platform/files/Cp1252.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace tolvex {

namespace {

// A record with a copy of its key beside it, so that a search reads no record.
struct Entry {
    explicit Entry(PackedRecord packed)
        : record(std::move(packed))
    {
        const QByteArrayView stored = record.key().bytes;
        Q_ASSERT(stored.size() <= qsizetype(key.size()));
        size = std::uint8_t(std::min(stored.size(), qsizetype(key.size())));
        std::copy_n(stored.data(), size, key.data());
    }

    [[nodiscard]] QByteArrayView keyBytes() const { return {key.data(), qsizetype(size)}; }

    std::array<char, 15> key{};
    std::uint8_t size = 0;
    PackedRecord record;
};

bool less(const Entry& a, const Entry& b)
{
    return compareKeys(a.keyBytes(), b.keyBytes()) < 0;
}

// Records coming in key order fill a run to this size before the next one
// opens; a run of twice this many is split.
constexpr size_t kRunSize = 512;

} // namespace

QString keyOf(const LevelRecord& record)
{
    const auto* key = std::get_if<QString>(&record[Field::Datei]);
    return key ? *key : QString();
}

QString keyOf(const PackedRecord& record)
{
    return cp1252::decode(record.key().bytes);
}

struct LevelRecords::Runs {
    std::vector<std::vector<Entry>> runs;
    // The position of each run's first record.
    std::vector<int> starts;
    int count = 0;
    std::uint64_t generation = 0;

    struct Place {
        size_t run;
        size_t offset;
    };

    // The end of the table lies at the end of the last run.
    [[nodiscard]] Place locate(int index) const
    {
        const auto it = std::upper_bound(starts.begin(), starts.end(), index);
        const auto run = size_t(it - starts.begin()) - 1;
        return {run, size_t(index - starts[run])};
    }

    [[nodiscard]] const Entry& at(int index) const
    {
        const Place p = locate(index);
        return runs[p.run][p.offset];
    }

    void shiftStarts(size_t fromRun, int by)
    {
        for (size_t r = fromRun; r < starts.size(); ++r)
            starts[r] += by;
    }

    void split(size_t r)
    {
        std::vector<Entry>& run = runs[r];
        const auto half = run.begin() + std::ptrdiff_t(run.size() / 2);
        std::vector<Entry> second(std::make_move_iterator(half), std::make_move_iterator(run.end()));
        run.erase(half, run.end());
        starts.insert(starts.begin() + std::ptrdiff_t(r + 1), starts[r] + int(run.size()));
        runs.insert(runs.begin() + std::ptrdiff_t(r + 1), std::move(second));
    }
};

LevelRecords::LevelRecords()
    : m(std::make_unique<Runs>())
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
    return m->at(index).record.unpack();
}

FieldValue LevelRecords::value(int index, int pos) const
{
    return m->at(index).record.value(pos);
}

StoredField LevelRecords::field(int index, int pos) const
{
    return m->at(index).record.field(pos);
}

std::array<StoredField, kFieldCount> LevelRecords::fields(int index) const
{
    return m->at(index).record.fields();
}

QString LevelRecords::key(int index) const
{
    return cp1252::decode(m->at(index).keyBytes());
}

std::uint64_t LevelRecords::generation() const
{
    return m->generation;
}

void LevelRecords::insert(int index, PackedRecord record)
{
    Entry entry(std::move(record));
    if (m->runs.empty() || (index == m->count && m->runs.back().size() >= kRunSize)) {
        m->starts.push_back(m->count);
        m->runs.emplace_back().push_back(std::move(entry));
    } else {
        const Runs::Place p = m->locate(index);
        std::vector<Entry>& run = m->runs[p.run];
        run.insert(run.begin() + std::ptrdiff_t(p.offset), std::move(entry));
        m->shiftStarts(p.run + 1, 1);
        if (run.size() >= 2 * kRunSize)
            m->split(p.run);
    }
    ++m->count;
    ++m->generation;
}

void LevelRecords::replace(int index, PackedRecord record)
{
    const Runs::Place p = m->locate(index);
    m->runs[p.run][p.offset] = Entry(std::move(record));
    ++m->generation;
}

void LevelRecords::erase(int index)
{
    const Runs::Place p = m->locate(index);
    std::vector<Entry>& run = m->runs[p.run];
    run.erase(run.begin() + std::ptrdiff_t(p.offset));
    if (run.empty()) {
        m->runs.erase(m->runs.begin() + std::ptrdiff_t(p.run));
        m->starts.erase(m->starts.begin() + std::ptrdiff_t(p.run));
        m->shiftStarts(p.run, -1);
    } else {
        m->shiftStarts(p.run + 1, -1);
    }
    --m->count;
    ++m->generation;
}

void LevelRecords::clear()
{
    const std::uint64_t generation = m->generation;
    m = std::make_unique<Runs>();
    m->generation = generation + 1;
}

void LevelRecords::assign(std::vector<PackedRecord> records)
{
    std::vector<Entry> all;
    all.reserve(records.size());
    for (PackedRecord& record : records)
        all.emplace_back(std::move(record));
    records = std::vector<PackedRecord>();
    if (!std::is_sorted(all.begin(), all.end(), less))
        std::stable_sort(all.begin(), all.end(), less);
    clear();
    for (size_t from = 0; from < all.size(); from += kRunSize) {
        const auto begin = all.begin() + std::ptrdiff_t(from);
        const auto end = all.begin() + std::ptrdiff_t(std::min(all.size(), from + kRunSize));
        m->starts.push_back(int(from));
        m->runs.emplace_back(std::make_move_iterator(begin), std::make_move_iterator(end));
    }
    m->count = int(all.size());
}

int LevelRecords::lowerBound(QStringView key, bool* equal) const
{
    const auto below = [key](const Entry& entry) { return compareKeys(entry.keyBytes(), key) < 0; };
    // The first run whose last key is not less than the key holds the bound.
    const auto& runs = m->runs;
    const auto run = std::partition_point(runs.begin(), runs.end(), [&](const std::vector<Entry>& r) { return below(r.back()); });
    if (run == runs.end()) {
        if (equal)
            *equal = false;
        return m->count;
    }
    const auto at = std::partition_point(run->begin(), run->end(), below);
    if (equal)
        *equal = compareKeys(at->keyBytes(), key) == 0;
    return m->starts[size_t(run - runs.begin())] + int(at - run->begin());
}

int LevelRecords::indexOf(QStringView key) const
{
    bool equal = false;
    const int pos = lowerBound(key, &equal);
    return equal ? pos : -1;
}

int LevelRecords::firstRepeatedKey() const
{
    int pos = 0;
    const Entry* previous = nullptr;
    for (const std::vector<Entry>& run : m->runs) {
        for (const Entry& entry : run) {
            if (previous && !less(*previous, entry))
                return pos;
            previous = &entry;
            ++pos;
        }
    }
    return -1;
}

} // namespace tolvex
