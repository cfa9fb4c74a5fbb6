#pragma once

#include "gamefolder/EntityText.h"
#include "level/LevelFields.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace tolvex {

// The entities whose presence sets the item flags, in field order from Field::Quad.
inline constexpr std::array<std::string_view, 7> kItemClasses{
    "item_quad",           "item_invulnerability", "weapon_grenadelauncher", "weapon_rocketlauncher",
    "weapon_hyperblaster", "weapon_railgun",       "weapon_bfg",
};
static_assert(Field::Quad + int(kItemClasses.size()) == kFieldCount);

// A catalogue record read from a map: the 13 field texts in field order as
// Windows-1252 bytes, numbers in decimal and flags as "Wahr" / "Falsch", in
// one allocation per record while it waits to be appended.
class MapRecord {
public:
    // Adds the next field's bytes; a record is complete with kFieldCount of them.
    void add(QByteArrayView cp1252);
    [[nodiscard]] int fieldCount() const { return m_count; }
    // The fields added, in order; those not added are empty.
    [[nodiscard]] std::array<QByteArrayView, kFieldCount> fields() const;
    // The same as texts.
    [[nodiscard]] QStringList texts() const;

private:
    QByteArray m_bytes;
    std::array<qsizetype, kFieldCount> m_ends{};
    int m_count = 0;
};

// Whether a map's base name can be a catalogue key: 1 to 15 characters the
// key field can store.
[[nodiscard]] bool keyCanTake(const QString& name);

// A text of a map, UTF-8 when it is valid UTF-8 and Windows-1252 otherwise,
// as map editors write either.
[[nodiscard]] QString decodeMapText(QByteArrayView bytes);

// The level's title from the worldspawn "message": the two characters "\n",
// line breaks and tabs, with the blanks around them, become one blank; trimmed,
// what is no printable Windows-1252 character becomes "?", cut to the field's
// size; the file name when nothing is left.
[[nodiscard]] QString levelTitle(QByteArrayView message, const QString& fileName);

// The 13 texts of a catalogue record in field order, from the map's entities:
// title, "CTF" when a flag or team spawn point is there (else "DM"), 2 players
// at least, as many at most as it has deathmatch spawn points or team spawn
// points (the larger, at least 2), no description, the item flags by presence.
[[nodiscard]] QStringList levelTexts(const QString& fileName, const std::vector<Entity>& entities);

// The same record straight from an entity text as bytes, keeping none of the
// text; nothing when the text cannot be parsed or holds no entity, or when
// the file name is none keyCanTake accepts.
[[nodiscard]] std::optional<MapRecord> mapRecordOfText(const QString& fileName, QByteArrayView text);

} // namespace tolvex
