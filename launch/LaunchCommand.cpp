#include "launch/LaunchCommand.h"

#include "platform/dialogs/TolvexError.h"
#include "platform/files/IntegerText.h"

#include <QStringList>

#include <algorithm>

namespace tolvex {

namespace {

bool breaksTheCommandLine(QChar c)
{
    return c.isSpace() || c == u'+' || c == u'"' || c == u';' || c.category() == QChar::Other_Control;
}

} // namespace

void requireLevelName(const QString& levelFile)
{
    if (std::any_of(levelFile.cbegin(), levelFile.cend(), breaksTheCommandLine))
        throw TolvexError(formatMessage(QStringLiteral("'%s' ist kein gültiger Level-Name"), {levelFile}));
}

QString gameParameters(const QString& levelFile, const QString& levelType, const QString& extraParameters)
{
    requireLevelName(levelFile);
    const QString mode = levelType == u"DM" ? QStringLiteral(" +set deathmatch 1") : QStringLiteral(" +set game ctf");
    return QStringLiteral(" +map ") + levelFile + mode + u' ' + extraParameters;
}

QString eraserBotParameters(const QString& levelFile, const QString& extraParameters, qint64 botCount)
{
    requireLevelName(levelFile);
    return QStringLiteral("+set game eraser +map ") + levelFile + u' ' + extraParameters
        + QStringLiteral(" +bot_num ") + QString::number(botCount);
}

int playerNumber(const QString& text)
{
    const auto number = parseIntegerText(text);
    if (!number)
        throw TolvexError(formatMessage(QStringLiteral("'%s' ist kein gültiger Integerwert"), {text}));
    return *number;
}

std::optional<qint64> derivedBotCount(const QString& minPlayerText, const QString& maxPlayerText)
{
    const int maxPlayer = playerNumber(maxPlayerText);
    const int minPlayer = playerNumber(minPlayerText);
    if (maxPlayer < minPlayer)
        return std::nullopt;
    // In 64 bits: the texts may hold any 32-bit number, and neither the way
    // nor the result (one below the lowest 32-bit number) may overflow.
    return qint64(minPlayer) + (qint64(maxPlayer) - qint64(minPlayer)) / 2 - 1;
}

QString botMenuCaption(int count)
{
    return count == 1 ? QStringLiteral("1 Bot") : QString::number(count) + QStringLiteral(" Bots");
}

} // namespace tolvex
