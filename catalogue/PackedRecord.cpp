#include "catalogue/PackedRecord.h"

#include "platform/files/Cp1252.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace tolvex {

namespace {

using Kind = StoredField::Kind;

// Three bits of tag per field, 13 fields in the first eight bytes.
constexpr int kTagBits = 3;
constexpr qsizetype kTagBytes = sizeof(std::uint64_t);
// Texts shorter than this carry their length in one byte; the rest in five.
constexpr unsigned kLongText = 0xFF;

bool narrow(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80 && cp1252::byteOf(c) < 0)
            return false;
    }
    return true;
}

QString wideText(QByteArrayView bytes)
{
    QString text(bytes.size() / qsizetype(sizeof(char16_t)), Qt::Uninitialized);
    std::memcpy(text.data(), bytes.data(), std::size_t(bytes.size()));
    return text;
}

// Reads the field at `at` and returns where the next one starts.
const char* readField(const char* at, Kind kind, StoredField& field)
{
    field.kind = kind;
    if (kind == Kind::Number) {
        std::int32_t n = 0;
        std::memcpy(&n, at, sizeof n);
        field.number = n;
        return at + sizeof n;
    }
    if (kind != Kind::Text && kind != Kind::WideText)
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

// A whole number as the text forms read it, when the text is plainly one
// within the field's range: an optional minus and at most five digits.
std::optional<int> plainNumber(QByteArrayView text)
{
    const bool negative = text.startsWith('-');
    const QByteArrayView digits = negative ? text.sliced(1) : text;
    if (digits.isEmpty() || digits.size() > 5)
        return std::nullopt;
    int n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    n = negative ? -n : n;
    if (n < -32768 || n > 32767)
        return std::nullopt;
    return n;
}

// Whether the text is a start of the word in any letter case.
bool startOf(QByteArrayView text, QByteArrayView word)
{
    if (text.size() > word.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c) != (word[i] | 0x20))
            return false;
    }
    return true;
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
        if (narrow(*text)) {
            addTag(Kind::Text);
            addLength(std::size_t(text->size()));
            cp1252::appendEncoded(m_bytes, *text);
        } else {
            addTag(Kind::WideText);
            addLength(std::size_t(text->size()) * sizeof(char16_t));
            m_bytes.append(reinterpret_cast<const char*>(text->utf16()), text->size() * qsizetype(sizeof(char16_t)));
        }
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

void PackedRecord::Writer::addFromText(int pos, QByteArrayView cp1252)
{
    if (pos < 0 || pos >= kFieldCount || cp1252.isEmpty()) {
        add(fieldFromText(pos, QString()));
        return;
    }
    // The common forms are read here from the bytes; every other text takes
    // the text forms' own way, with their messages.
    const FieldDef& def = kLevelFields[size_t(pos)];
    switch (def.kind) {
    case FieldKind::Text: {
        // Only what is kept of the text is checked, as by the text forms.
        const QByteArrayView kept = cp1252.first(std::min(cp1252.size(), qsizetype(def.size)));
        if (!kept.contains('\0') && !kept.contains('\r') && !kept.contains('\n')) {
            addText(kept);
            return;
        }
        break;
    }
    case FieldKind::Memo:
        if (!cp1252.contains('\0')) {
            addText(cp1252);
            return;
        }
        break;
    case FieldKind::SmallInt:
        if (const auto n = plainNumber(cp1252)) {
            add(FieldValue(*n));
            return;
        }
        break;
    case FieldKind::Boolean:
        if (startOf(cp1252, "Falsch") || startOf(cp1252, "Wahr")) {
            add(FieldValue(startOf(cp1252, "Wahr")));
            return;
        }
        break;
    }
    add(fieldFromText(pos, cp1252::decode(cp1252)));
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
    case Kind::WideText:
        return wideText(field.bytes);
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
