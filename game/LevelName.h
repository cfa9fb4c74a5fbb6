#pragma once

#include <QStringView>

namespace tolvex {

// Whether the game can be started on a level of this file name. The game
// joins its arguments and splits them again at blanks and "+", reads ";" and
// double quotes as console syntax, and some engines expand "$" as a
// variable: a name holding any of them or a control character would reach it
// as other commands. The game start refuses such a name, and the add from
// the game folder skips it, by this one rule.
[[nodiscard]] bool isStartableLevelName(QStringView levelFile);

} // namespace tolvex
