#pragma once

#include <QString>

namespace tolvex {

// Starts the game configured in konfig.ini (read anew at each start) in its
// own folder: on the level, in the mode of its type, or with EraserBot and
// a bot count. The configured extra parameters go along; the shell's result
// is what ExecuteFile reports.
void startGame(const QString& levelFile, const QString& levelType);
void startGameWithBots(const QString& levelFile, qint64 botCount);

} // namespace tolvex
