#pragma once

#include "platform/dataaware/Dataset.h"

#include <QString>

#include <array>
#include <optional>

namespace tolvex {

inline constexpr int kFieldCount = 13;

// The level record, in its fixed order: export, import, print-out, search and
// the launch address fields by position.
inline constexpr std::array<FieldDef, kFieldCount> kLevelFields{{
    {"Datei", FieldKind::Text, 15, true},
    {"Level", FieldKind::Text, 50, true},
    {"Typ", FieldKind::Text, 3, false},
    {"Min Player", FieldKind::SmallInt, 0, false},
    {"Max Player", FieldKind::SmallInt, 0, false},
    {"Beschreibung", FieldKind::Memo, 50, false},
    {"Quad", FieldKind::Boolean, 0, false},
    {"Invul", FieldKind::Boolean, 0, false},
    {"GL", FieldKind::Boolean, 0, false},
    {"RL", FieldKind::Boolean, 0, false},
    {"HB", FieldKind::Boolean, 0, false},
    {"RG", FieldKind::Boolean, 0, false},
    {"BFG", FieldKind::Boolean, 0, false},
}};

namespace Field {
enum : int { Datei, Level, Typ, MinPlayer, MaxPlayer, Beschreibung, Quad, Invul, GL, RL, HB, RG, BFG };
}

using LevelRecord = std::array<FieldValue, kFieldCount>;

// The text forms: what a field gives and takes as text.
// Reading: text as stored, numbers in decimal, flags "Wahr" / "Falsch", empty text for an empty value.
[[nodiscard]] QString fieldText(int pos, const FieldValue& value);
// Writing: text cut to the field size; numbers and flags converted, or a
// TolvexError with the program's message; an empty text gives an empty value.
[[nodiscard]] FieldValue fieldFromText(int pos, const QString& text);

// A value as the field would store it: texts cut and checked like written
// text, numbers checked against the range; throws like fieldFromText.
[[nodiscard]] FieldValue checkedFieldValue(int pos, const FieldValue& value);

// Why a stored text would not come back the same through the text forms and a
// level list file (empty, longer than the field, a NUL, a line break outside
// the description, a character Windows-1252 lacks), or nothing when it would.
[[nodiscard]] std::optional<QString> textFault(int pos, const QString& text);

// Field position by name, matched without regard to case; -1 when there is none.
[[nodiscard]] int levelFieldIndex(const QString& name);

} // namespace tolvex
