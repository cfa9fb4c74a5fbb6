#pragma once

#include <QString>

namespace tolvex {

// The command that starts the configured game, from what game/GameInstall
// finds of it and the parameter texts of LaunchCommand. `configured` is the
// text of konfig.ini "Verzeichnisse"/"quake", `extraParameters` that of
// "Other"/"parameter".

// How the game is started: the program, the parameter text handed to it
// and the folder it runs in.
struct GameCommand {
    QString program;
    QString parameters;
    QString directory;
};

// The start on a level in the mode of its type, and the start with bots.
// Every program but the re-release gets the classic parameter texts
// (gameParameters, eraserBotParameters), started from its own folder; a bare
// name runs the program PATH finds. The re-release is started through the
// program "steam" from PATH with "-applaunch 2320" and its own parameters:
// "+set deathmatch 1 +map NAME" or "+set ctf 1 +map NAME", and for bots
// "+set deathmatch 1 +set bot_minClients N +map NAME", N being the bots and
// the player. The extra parameters come last. Throws for a level file name
// the game cannot be started on.
[[nodiscard]] GameCommand gameCommand(const QString& configured, const QString& extraParameters,
                                      const QString& levelFile, const QString& levelType);
[[nodiscard]] GameCommand botCommand(const QString& configured, const QString& extraParameters,
                                     const QString& levelFile, qint64 botCount);

} // namespace tolvex
