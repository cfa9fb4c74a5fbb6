#pragma once

#include <QString>

namespace tolvex {

// Starts the game configured in konfig.ini (read anew at each start) as
// gameCommand and botCommand say: on the level, in the mode of its type, or
// with bots and a bot count. The configured extra parameters go along. A
// start the system refuses throws a TolvexError naming the program and why.
void startGame(const QString& levelFile, const QString& levelType);
void startGameWithBots(const QString& levelFile, qint64 botCount);

} // namespace tolvex
