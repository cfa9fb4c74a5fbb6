#include "launch/GameStart.h"

#include "common/toolbox.h"
#include "config/Konfig.h"
#include "launch/ExecUnit.h"
#include "launch/LaunchCommand.h"
#include "platform/ProfileFile.h"

namespace tolvex {

namespace {

void startConfiguredGame(const QString& parameters)
{
    const QString game = konfig::read(ProfileFile(KonfigPath()), konfig::kGame);
    ExecuteFile(NamePart(game), parameters, DirPart(game));
}

QString extraParameters()
{
    return konfig::read(ProfileFile(KonfigPath()), konfig::kParameters);
}

} // namespace

void startGame(const QString& levelFile, const QString& levelType)
{
    startConfiguredGame(gameParameters(levelFile, levelType, extraParameters()));
}

void startGameWithBots(const QString& levelFile, qint64 botCount)
{
    startConfiguredGame(eraserBotParameters(levelFile, extraParameters(), botCount));
}

} // namespace tolvex
