#include "launch/GameCommand.h"

#include "common/toolbox.h"
#include "game/GameInstall.h"
#include "launch/LaunchCommand.h"

namespace tolvex {

namespace {

// The program and its folder as ExecuteFile takes them.
GameCommand commandFor(const QString& path, const QString& parameters)
{
    return {NamePart(path), parameters, DirPart(path)};
}

// Where the start runs: the program PATH finds for a bare name, the path as
// it is otherwise (and for a bare name PATH does not know, which then fails).
QString programToStart(const QString& configured)
{
    if (!configured.contains(u'/')) {
        if (const auto found = findInPath(configured))
            return found->path;
    }
    return configured;
}

QString withExtra(QString parameters, const QString& extraParameters)
{
    if (!extraParameters.isEmpty())
        parameters += u' ' + extraParameters;
    return parameters;
}

GameCommand throughSteam(const QString& gameParameters)
{
    const auto steam = findInPath(QStringLiteral("steam"));
    const QString parameters = QStringLiteral("-applaunch ") + QLatin1String(kRereleaseSteamId) + u' ' + gameParameters;
    return commandFor(steam ? steam->path : QStringLiteral("steam"), parameters);
}

} // namespace

GameCommand gameCommand(const QString& configured, const QString& extraParameters, const QString& levelFile,
                        const QString& levelType)
{
    if (!isRerelease(configured))
        return commandFor(programToStart(configured), gameParameters(levelFile, levelType, extraParameters));
    requireLevelName(levelFile);
    const QString mode = levelType == u"DM" ? QStringLiteral("+set deathmatch 1") : QStringLiteral("+set ctf 1");
    return throughSteam(withExtra(mode + QStringLiteral(" +map ") + levelFile, extraParameters));
}

GameCommand botCommand(const QString& configured, const QString& extraParameters, const QString& levelFile,
                       qint64 botCount)
{
    if (!isRerelease(configured))
        return commandFor(programToStart(configured), eraserBotParameters(levelFile, extraParameters, botCount));
    requireLevelName(levelFile);
    // The re-release fills the game with bots up to this many clients, the player being one.
    const QString clients = QString::number(botCount + 1);
    return throughSteam(withExtra(QStringLiteral("+set deathmatch 1 +set bot_minClients ") + clients
                                      + QStringLiteral(" +map ") + levelFile,
                                  extraParameters));
}

} // namespace tolvex
