// The launch's parameter texts and their splitting into arguments. Any text
// splits without fault; arguments quoted by the usual rules split back into
// themselves; a level's file name and the mode stay the arguments they are,
// and a name that would not is refused by both parameter texts.

#include "FuzzSupport.h"

#include "launch/LaunchCommand.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"
#include "platform/processes/ProgramStart.h"

#include <algorithm>

using namespace tolvex;

namespace {

// The usual quoting: plain when nothing needs it, otherwise in double
// quotes, with the backslashes before a quote or the closing quote doubled.
QString quoted(const QString& argument)
{
    if (!argument.isEmpty() && !argument.contains(u' ') && !argument.contains(u'\t') && !argument.contains(u'"'))
        return argument;
    QString out(1, u'"');
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"')
            out += QString(backslashes * 2 + 1, u'\\') + u'"';
        else
            out += QString(backslashes, u'\\') + c;
        backslashes = 0;
    }
    out += QString(backslashes * 2, u'\\') + u'"';
    return out;
}

QString joined(const QStringList& arguments)
{
    QStringList parts;
    for (const QString& argument : arguments)
        parts << quoted(argument);
    return parts.join(u' ');
}

bool plainWord(const QString& text)
{
    return !text.isEmpty() && !text.contains(u' ') && !text.contains(u'\t') && !text.contains(u'"') && !text.contains(u'\\');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = cp1252::decode(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));

    const QStringList arguments = splitCommandLine(text);
    for (const QString& argument : arguments)
        FUZZ_CHECK(argument.size() <= text.size(), text);
    FUZZ_CHECK(splitCommandLine(joined(arguments)) == arguments, text);

    // The text split in three: a level file, its type, the extra parameters.
    const QStringList parts = text.split(u'\x01');
    const QString level = parts.value(0);
    const QString type = parts.value(1);
    const QString extra = parts.value(2);
    // A name the game would split into commands starts nothing: both texts refuse it alike.
    const auto refused = [](const auto& make) {
        try {
            (void)make();
            return false;
        } catch (const TolvexError&) {
            return true;
        }
    };
    const bool refusedName = refused([&] { requireLevelName(level); });
    FUZZ_CHECK(refused([&] { return gameParameters(level, type, extra); }) == refusedName, text);
    FUZZ_CHECK(refused([&] { return eraserBotParameters(level, extra, 1); }) == refusedName, text);
    FUZZ_CHECK(!refusedName || level.contains(u'+') || level.contains(u';') || level.contains(u'"')
                   || std::any_of(level.cbegin(), level.cend(), [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; }),
               text);
    if (refusedName)
        return 0;
    const QStringList game = splitCommandLine(gameParameters(level, type, extra));
    if (plainWord(level)) {
        FUZZ_CHECK(game.size() >= 4, text);
        FUZZ_CHECK(game.at(0) == QStringLiteral("+map") && game.at(1) == level, text);
        const QStringList mode = type == QStringLiteral("DM") ? QStringList{QStringLiteral("+set"), QStringLiteral("deathmatch"), QStringLiteral("1")}
                                                              : QStringList{QStringLiteral("+set"), QStringLiteral("game"), QStringLiteral("ctf")};
        FUZZ_CHECK(game.mid(2, 3) == mode, text);
        FUZZ_CHECK(game.mid(5) == splitCommandLine(extra), text);
    }
    const QStringList bots = splitCommandLine(eraserBotParameters(level, extra, int(size) - 100));
    if (plainWord(level))
        FUZZ_CHECK(bots.mid(0, 5) == (QStringList{QStringLiteral("+set"), QStringLiteral("game"), QStringLiteral("eraser"), QStringLiteral("+map"), level}), text);
    // An unclosed quote in the extra parameters takes the bot count into it, as it would on Windows.
    if (!level.contains(u'"') && !extra.contains(u'"'))
        FUZZ_CHECK(bots.size() >= 2 && bots.at(bots.size() - 2) == QStringLiteral("+bot_num") && bots.last() == QString::number(int(size) - 100), text);
    return 0;
}
