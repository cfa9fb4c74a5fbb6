#include "catalogue/LevelRecords.h"

#include <algorithm>
#include <cstdint>
#include <deque>
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

// The records themselves stay where they were stored; the order is a list of
// slot numbers, so an insertion in the middle of a large table moves a few
// bytes per record, not the records.
struct LevelRecords::Slots {
    std::deque<LevelRecord> records;
    std::vector<uint32_t> free;
    std::vector<uint32_t> order;

    [[nodiscard]] QString keyAt(uint32_t slot) const { return keyOf(records[slot]); }
};

LevelRecords::LevelRecords()
    : m(std::make_unique<Slots>())
{
}

LevelRecords::~LevelRecords() = default;

int LevelRecords::size() const
{
    return int(m->order.size());
}

bool LevelRecords::empty() const
{
    return m->order.empty();
}

LevelRecord& LevelRecords::operator[](int index)
{
    return m->records[m->order[size_t(index)]];
}

const LevelRecord& LevelRecords::operator[](int index) const
{
    return m->records[m->order[size_t(index)]];
}

void LevelRecords::insert(int index, LevelRecord record)
{
    uint32_t slot = 0;
    if (m->free.empty()) {
        slot = uint32_t(m->records.size());
        m->records.push_back(std::move(record));
    } else {
        slot = m->free.back();
        m->free.pop_back();
        m->records[slot] = std::move(record);
    }
    m->order.insert(m->order.begin() + index, slot);
}

int LevelRecords::insertByKey(LevelRecord record)
{
    const int pos = lowerBound(keyOf(record));
    insert(pos, std::move(record));
    return pos;
}

void LevelRecords::append(LevelRecord record)
{
    insert(size(), std::move(record));
}

void LevelRecords::erase(int index)
{
    const uint32_t slot = m->order[size_t(index)];
    m->records[slot] = {};
    m->free.push_back(slot);
    m->order.erase(m->order.begin() + index);
}

void LevelRecords::clear()
{
    m->order.clear();
    m->free.clear();
    m->records.clear();
}

void LevelRecords::sortByKey()
{
    const auto less = [this](uint32_t a, uint32_t b) { return compareKeys(m->keyAt(a), m->keyAt(b)) < 0; };
    if (!std::is_sorted(m->order.begin(), m->order.end(), less))
        std::stable_sort(m->order.begin(), m->order.end(), less);
}

int LevelRecords::lowerBound(QStringView key) const
{
    // A list exported in key order and imported into a table of smaller
    // names appends at the end every time: one comparison instead of a search.
    if (m->order.empty() || compareKeys(m->keyAt(m->order.back()), key) < 0)
        return size();
    const auto it = std::lower_bound(m->order.begin(), m->order.end(), key, [this](uint32_t slot, QStringView k) {
        return compareKeys(m->keyAt(slot), k) < 0;
    });
    return int(it - m->order.begin());
}

int LevelRecords::indexOf(QStringView key) const
{
    const int pos = lowerBound(key);
    return pos < size() && compareKeys(keyOf((*this)[pos]), key) == 0 ? pos : -1;
}

} // namespace tolvex
