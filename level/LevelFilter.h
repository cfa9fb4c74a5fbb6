#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace tolvex {

// What the user narrows the catalogue to. The default value lets every
// record through, which is the table as it was before filters existed.
struct LevelFilter {
    enum class Type { All, DM, CTF };

    // Found anywhere in the file name, title or description.
    QString text;
    Type type = Type::All;
    // A level fits when Min <= players <= Max; an empty bound is open.
    std::optional<int> players;
    // Bit i stands for the item field Quad + i; a level needs every one set.
    std::uint8_t items = 0;
    bool installedOnly = false;
    bool neverPlayed = false;

    [[nodiscard]] bool isSet() const { return *this != LevelFilter{}; }
    bool operator==(const LevelFilter&) const = default;
};

inline constexpr int kFilterItemCount = 7;
// The longest text the filter takes, and the player numbers it takes.
inline constexpr int kFilterTextLength = 50;
inline constexpr int kMinFilterPlayers = 0;
inline constexpr int kMaxFilterPlayers = 32767;

} // namespace tolvex
