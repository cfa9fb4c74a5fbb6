#include "launch/GameStart.h"

#include "common/toolbox.h"
#include "config/Konfig.h"
#include "launch/ExecUnit.h"
#include "launch/LaunchCommand.h"
#include "platform/files/ProfileFile.h"

namespace tolvex {

namespace {

// konfig.ini is read once per start, for the game and its extra parameters alike.
template <typename MakeParameters>
void startConfiguredGame(MakeParameters makeParameters)
{
    const ProfileFile ini(KonfigPath());
    const QString game = konfig::read(ini, konfig::kGame);
    ExecuteFile(NamePart(game), makeParameters(konfig::read(ini, konfig::kParameters)), DirPart(game));
}

} // namespace

void startGame(const QString& levelFile, const QString& levelType)
{
    startConfiguredGame([&](const QString& extra) { return gameParameters(levelFile, levelType, extra); });
}

void startGameWithBots(const QString& levelFile, qint64 botCount)
{
    startConfiguredGame([&](const QString& extra) { return eraserBotParameters(levelFile, extra, botCount); });
}

} // namespace tolvex
