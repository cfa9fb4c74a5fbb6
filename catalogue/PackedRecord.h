#pragma once

#include "level/LevelFields.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

namespace tolvex {

// One stored value as it lies in a packed record, for writers that want its
// bytes without making a FieldValue of it.
struct StoredField {
    enum class Kind { Empty, Text, Number, False, True };
    Kind kind = Kind::Empty;
    // Text: its Windows-1252 bytes.
    QByteArrayView bytes;
    int number = 0;
};

// A level record in one allocation: a tag per field, then the fields in
// order, each text as a length and its bytes, each number in four bytes;
// flags and empty values live in the tags alone. Texts are kept in
// Windows-1252, which is all the level fields may hold. Comes back exactly as
// it went in, the empty text apart from the empty value.
class PackedRecord {
public:
    // Packs a record given field by field in field order, in a buffer that
    // is kept from record to record.
    class Writer {
    public:
        void addText(QByteArrayView cp1252);
        void add(const FieldValue& value);
        // The record of the fields added since the last one.
        [[nodiscard]] PackedRecord finish();

    private:
        void addTag(StoredField::Kind kind);
        void addLength(std::size_t length);

        QByteArray m_bytes;
        std::uint64_t m_tags = 0;
        int m_pos = 0;
    };

    PackedRecord() = default;
    explicit PackedRecord(const LevelRecord& record);

    [[nodiscard]] LevelRecord unpack() const;
    [[nodiscard]] StoredField field(int pos) const;
    [[nodiscard]] std::array<StoredField, kFieldCount> fields() const;
    [[nodiscard]] FieldValue value(int pos) const;
    // The stored "Datei".
    [[nodiscard]] StoredField key() const { return field(0); }

private:
    std::unique_ptr<char[]> m_bytes;
};

// The value of a stored field.
[[nodiscard]] FieldValue valueOf(const StoredField& field);

} // namespace tolvex
