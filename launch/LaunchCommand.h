#pragma once

#include <QString>

#include <array>
#include <optional>

namespace tolvex {

// The parameter texts handed to the game. The console commands mean
// something to the game and to EraserBot only; here they are text.

// Throws "'%s' ist kein gültiger Level-Name" for a level file name the game
// cannot be started on (isStartableLevelName); every parameter text below
// checks its level file this way before anything is started.
void requireLevelName(const QString& levelFile);

// " +map " + file + mode + " " + extra; the mode is deathmatch for exactly
// "DM" and capture-the-flag for every other type.
[[nodiscard]] QString gameParameters(const QString& levelFile, const QString& levelType, const QString& extraParameters);

// "+set game eraser +map " + file + " " + extra + " +bot_num " + count.
[[nodiscard]] QString eraserBotParameters(const QString& levelFile, const QString& extraParameters, qint64 botCount);

// A player number as shown in its edit field; throws
// "'%s' ist kein gültiger Integerwert" for anything but integer text.
[[nodiscard]] int playerNumber(const QString& text);

// The bot count worked out from the player numbers:
// Min + (Max - Min) div 2 - 1, without bounds. Max Player is converted
// first, so its text is named when both are bad. Nothing when Max Player is
// less than Min Player; the window then shows kIllogicalPlayersMessage.
// 64 bits wide: two of the lowest 32-bit numbers give one below it.
[[nodiscard]] std::optional<qint64> derivedBotCount(const QString& minPlayerText, const QString& maxPlayerText);

inline constexpr auto kIllogicalPlayersMessage = "Die Spielerangaben sind unlogisch!";
inline constexpr auto kIllogicalPlayersCaption = "Fehler";

// The fixed counts of the EraserBot button's menu. The count belongs to the
// item, not to its caption.
struct BotMenuItem {
    const char* name;    // the item's designer name
    const char* submenu; // the designer name of the submenu holding it
    int count;
};

inline constexpr std::array<BotMenuItem, 22> kBotMenuItems = {{
    {"N11", "wenig1", 1},
    {"N21", "wenig1", 2},
    {"N31", "wenig1", 3},
    {"N41", "wenig1", 4},
    {"N51", "wenig1", 5},
    {"N61", "wenig1", 6},
    {"N71", "mittel1", 7},
    {"N81", "mittel1", 8},
    {"N91", "mittel1", 9},
    {"N101", "mittel1", 10},
    {"N111", "mittel1", 11},
    {"N121", "mittel1", 12},
    {"N131", "mittel1", 13},
    {"N141", "mittel1", 14},
    {"N151", "viel1", 15},
    {"N301", "viel1", 30},
    {"N351", "viel1", 35},
    {"N401", "viel1", 40},
    {"N451", "viel1", 45},
    {"N501", "viel1", 50},
    {"N551", "viel1", 55},
    {"N601", "viel1", 60},
}};

// "1 Bot", "2 Bots", ...: the same in both interface languages.
[[nodiscard]] QString botMenuCaption(int count);

} // namespace tolvex
