#include "catalogue/PackedRecord.h"

#include "platform/files/Cp1252.h"

#include <QtGlobal>

#include <cstring>

namespace tolvex {

namespace {

using Kind = StoredField::Kind;

// Three bits of tag per field, 13 fields in the first eight bytes.
constexpr int kTagBits = 3;
constexpr qsizetype kTagBytes = sizeof(std::uint64_t);
// Texts shorter than this carry their length in one byte; the rest in five.
constexpr unsigned kLongText = 0xFF;

// Reads the field at `at` and returns where the next one starts.
const char* readField(const char* at, Kind kind, StoredField& field)
{
    // A field read over an earlier one keeps nothing of it.
    field = StoredField{kind, {}, 0};
    if (kind == Kind::Number) {
        std::int32_t n = 0;
        std::memcpy(&n, at, sizeof n);
        field.number = n;
        return at + sizeof n;
    }
    if (kind != Kind::Text)
        return at;
    std::size_t length = static_cast<unsigned char>(*at++);
    if (length == kLongText) {
        std::uint32_t wide = 0;
        std::memcpy(&wide, at, sizeof wide);
        at += sizeof wide;
        length = wide;
    }
    field.bytes = QByteArrayView(at, qsizetype(length));
    return at + length;
}

} // namespace

void PackedRecord::Writer::addTag(Kind kind)
{
    if (m_pos == 0)
        m_bytes.resize(kTagBytes);
    m_tags |= std::uint64_t(kind) << (m_pos++ * kTagBits);
}

void PackedRecord::Writer::addLength(std::size_t length)
{
    if (length < kLongText) {
        m_bytes.append(char(length));
        return;
    }
    const auto wide = std::uint32_t(length);
    m_bytes.append(char(kLongText));
    m_bytes.append(reinterpret_cast<const char*>(&wide), sizeof wide);
}

void PackedRecord::Writer::addText(QByteArrayView cp1252)
{
    addTag(Kind::Text);
    addLength(std::size_t(cp1252.size()));
    m_bytes.append(cp1252);
}

void PackedRecord::Writer::add(const FieldValue& value)
{
    if (const auto* text = std::get_if<QString>(&value)) {
        Q_ASSERT(cp1252::representable(*text));
        addTag(Kind::Text);
        addLength(std::size_t(text->size()));
        cp1252::appendEncoded(m_bytes, *text);
    } else if (const auto* n = std::get_if<int>(&value)) {
        addTag(Kind::Number);
        const auto stored = std::int32_t(*n);
        m_bytes.append(reinterpret_cast<const char*>(&stored), sizeof stored);
    } else if (const auto* flag = std::get_if<bool>(&value)) {
        addTag(*flag ? Kind::True : Kind::False);
    } else {
        addTag(Kind::Empty);
    }
}

PackedRecord PackedRecord::Writer::finish()
{
    while (m_pos < kFieldCount)
        addTag(Kind::Empty);
    std::memcpy(m_bytes.data(), &m_tags, kTagBytes);
    PackedRecord record;
    record.m_bytes = std::make_unique_for_overwrite<char[]>(std::size_t(m_bytes.size()));
    std::memcpy(record.m_bytes.get(), m_bytes.constData(), std::size_t(m_bytes.size()));
    m_bytes.resize(0);
    m_tags = 0;
    m_pos = 0;
    return record;
}

PackedRecord::PackedRecord(const LevelRecord& record)
{
    Writer writer;
    for (const FieldValue& value : record)
        writer.add(value);
    *this = writer.finish();
}

StoredField PackedRecord::field(int pos) const
{
    std::uint64_t tags = 0;
    std::memcpy(&tags, m_bytes.get(), kTagBytes);
    const char* at = m_bytes.get() + kTagBytes;
    StoredField f;
    for (int i = 0; i <= pos; ++i)
        at = readField(at, Kind((tags >> (i * kTagBits)) & 7), f);
    return f;
}

std::array<StoredField, kFieldCount> PackedRecord::fields() const
{
    std::uint64_t tags = 0;
    std::memcpy(&tags, m_bytes.get(), kTagBytes);
    const char* at = m_bytes.get() + kTagBytes;
    std::array<StoredField, kFieldCount> all;
    for (int pos = 0; pos < kFieldCount; ++pos)
        at = readField(at, Kind((tags >> (pos * kTagBits)) & 7), all[size_t(pos)]);
    return all;
}

FieldValue valueOf(const StoredField& field)
{
    switch (field.kind) {
    case Kind::Text:
        return cp1252::decode(field.bytes);
    case Kind::Number:
        return field.number;
    case Kind::False:
        return false;
    case Kind::True:
        return true;
    case Kind::Empty:
        break;
    }
    return std::monostate{};
}

FieldValue PackedRecord::value(int pos) const
{
    return valueOf(field(pos));
}

LevelRecord PackedRecord::unpack() const
{
    std::uint64_t tags = 0;
    std::memcpy(&tags, m_bytes.get(), kTagBytes);
    const char* at = m_bytes.get() + kTagBytes;
    LevelRecord record;
    for (int pos = 0; pos < kFieldCount; ++pos) {
        StoredField f;
        at = readField(at, Kind((tags >> (pos * kTagBits)) & 7), f);
        record[size_t(pos)] = valueOf(f);
    }
    return record;
}

} // namespace tolvex
