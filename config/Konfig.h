#pragma once

#include <QLatin1String>
#include <QString>

namespace tolvex {

// konfig.ini beside the program; every access goes through this full path,
// so the current directory plays no part.
[[nodiscard]] QString KonfigPath();

namespace konfig {

inline constexpr QLatin1String kVerzeichnisse("Verzeichnisse");
inline constexpr QLatin1String kQuake("quake");
inline constexpr QLatin1String kEraser("eraser");

inline constexpr QLatin1String kOther("Other");
inline constexpr QLatin1String kParameter("parameter");
inline constexpr QLatin1String kSprache("sprache");
// Compared exactly, case included; any other value means German.
inline constexpr QLatin1String kDeutsch("deutsch");
inline constexpr QLatin1String kEnglish("english");

// Sections of the three windows whose placement is kept.
inline constexpr QLatin1String kHauptfenster("Hauptfenster");
inline constexpr QLatin1String kTabelle("Tabelle");
inline constexpr QLatin1String kMaplist("Maplist");

inline constexpr QLatin1String kVisible("visible");
inline constexpr QLatin1String kWidth("width");
inline constexpr QLatin1String kHeight("height");
inline constexpr QLatin1String kLeft("left");
inline constexpr QLatin1String kTop("top");

} // namespace konfig

} // namespace tolvex
