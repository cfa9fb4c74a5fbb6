#include "launch/GameStart.h"

#include "config/Konfig.h"
#include "launch/ExecUnit.h"
#include "launch/GameCommand.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/ProfileFile.h"
#include "platform/processes/ProgramStart.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace tolvex {

namespace {

QString reasonFor(int result)
{
    using namespace shellresult;
    switch (result) {
    case kFileNotFound:
        return QStringLiteral("Das Programm wurde nicht gefunden.");
    case kPathNotFound:
        return QStringLiteral("Der Ordner des Programms wurde nicht gefunden.");
    case kAccessDenied:
        return QStringLiteral("Das Programm darf nicht ausgeführt werden.");
    case kOutOfMemory:
        return QStringLiteral("Der Speicher reicht nicht aus.");
    case kBadFormat:
        return QStringLiteral("Die Datei ist kein ausführbares Programm.");
    case kNoAssociation:
        return QStringLiteral("Kein Programm ist zum Öffnen der Datei eingerichtet.");
    default:
        return QStringLiteral("Das System hat nicht genug Ressourcen.");
    }
}

// konfig.ini is read once per start, for the game and its extra parameters
// alike. A start the system refuses is reported, naming the program.
template <typename MakeCommand>
void startConfiguredGame(MakeCommand makeCommand)
{
    const ProfileFile ini(KonfigPath());
    const GameCommand command = makeCommand(konfig::read(ini, konfig::kGame), konfig::read(ini, konfig::kParameters));
    const QString program = command.directory + command.program;
    // The shell would hand a file that is no program to the desktop's opener;
    // a game that cannot run is said so instead.
    const QByteArray encoded = QFile::encodeName(program);
    struct stat st {};
    const bool refused = ::stat(encoded.constData(), &st) == 0 && S_ISREG(st.st_mode) && ::access(encoded.constData(), X_OK) != 0;
    const int result = refused ? shellresult::kAccessDenied : ExecuteFile(command.program, command.parameters, command.directory);
    if (result <= 32)
        throw TolvexError(formatMessage(QStringLiteral("%s kann nicht gestartet werden: %s"), {program, reasonFor(result)}));
}

} // namespace

void startGame(const QString& levelFile, const QString& levelType)
{
    startConfiguredGame([&](const QString& game, const QString& extra) {
        return gameCommand(game, extra, levelFile, levelType);
    });
}

void startGameWithBots(const QString& levelFile, qint64 botCount)
{
    startConfiguredGame([&](const QString& game, const QString& extra) {
        return botCommand(game, extra, levelFile, botCount);
    });
}

} // namespace tolvex
