#pragma once

#include <QLatin1String>
#include <QString>

namespace tolvex {

class ProfileFile;

// konfig.ini beside the program; every access goes through this full path,
// so the current directory plays no part.
[[nodiscard]] QString KonfigPath();

namespace konfig {

// Sections of the three windows whose placement is kept, and their keys.
inline constexpr QLatin1String kHauptfenster("Hauptfenster");
inline constexpr QLatin1String kTabelle("Tabelle");
inline constexpr QLatin1String kMaplist("Maplist");

inline constexpr QLatin1String kVisible("visible");
inline constexpr QLatin1String kWidth("width");
inline constexpr QLatin1String kHeight("height");
inline constexpr QLatin1String kLeft("left");
inline constexpr QLatin1String kTop("top");

// A text setting: where it lives and what it reads as when it is missing.
struct Setting {
    QLatin1String section;
    QLatin1String key;
    QLatin1String fallback;
};

inline constexpr Setting kGame{QLatin1String("Verzeichnisse"), QLatin1String("quake"), QLatin1String("")};
inline constexpr Setting kMapList{QLatin1String("Verzeichnisse"), QLatin1String("eraser"), QLatin1String("")};
inline constexpr Setting kParameters{QLatin1String("Other"), QLatin1String("parameter"), QLatin1String("")};
inline constexpr Setting kLanguage{QLatin1String("Other"), QLatin1String("sprache"), QLatin1String("deutsch")};

[[nodiscard]] QString read(const ProfileFile& ini, const Setting& setting);
void write(ProfileFile& ini, const Setting& setting, const QString& value);

// The language is English for exactly "english", case included; German otherwise.
[[nodiscard]] bool readEnglish(const ProfileFile& ini);
void writeEnglish(ProfileFile& ini, bool english);

// Which launch buttons the configured files allow: the game (its program
// found, see findGameProgram), the map list editor, and the game with bots
// (the game and EraserBot's map list, or the re-release with bots of its own).
struct LaunchButtons {
    bool game = false;
    bool mapList = false;
    bool bots = false;
    bool operator==(const LaunchButtons&) const = default;
};
[[nodiscard]] LaunchButtons launchButtons(const ProfileFile& ini);

} // namespace konfig

} // namespace tolvex
