#include "game/GameInstall.h"

#include "common/toolbox.h"
#include "game/SteamLibraries.h"
#include "gamefolder/ByteSource.h"
#include "launch/LaunchCommand.h"
#include "platform/ProgramStart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sys/stat.h>
#include <unistd.h>

namespace tolvex {

namespace {

bool isExecutableFile(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat st {};
    return ::stat(encoded.constData(), &st) == 0 && S_ISREG(st.st_mode) && ::access(encoded.constData(), X_OK) == 0;
}

bool isFile(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

GameProgram programAt(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString resolved = QFileInfo(absolute).canonicalFilePath();
    return {absolute, resolved.isEmpty() ? absolute : resolved};
}

QString homeFolder()
{
    return qEnvironmentVariable("HOME");
}

QString systemRoot()
{
    return qEnvironmentVariableIsSet(kTestSystemRootVariable) ? qEnvironmentVariable(kTestSystemRootVariable) : QString();
}

// Folders in order, each once by the place its links lead to.
class FolderList {
public:
    void add(const QString& folder)
    {
        if (folder.isEmpty())
            return;
        const QString clean = QDir::cleanPath(folder);
        if (m_asked.contains(clean))
            return;
        m_asked << clean;
        const QFileInfo info(clean);
        if (!info.isDir())
            return;
        const QString real = info.canonicalFilePath();
        if (m_real.contains(real))
            return;
        m_real.insert(real);
        m_existing << clean;
    }

    [[nodiscard]] const QStringList& existing() const { return m_existing; }
    [[nodiscard]] const QStringList& asked() const { return m_asked; }

private:
    QStringList m_asked;
    QStringList m_existing;
    QSet<QString> m_real;
};

// The folder named by the last "-datadir DIR" or "+set basedir DIR", the
// one the engine goes by when several are given.
QString dataDirParameter(const QString& extraParameters)
{
    const QStringList arguments = splitCommandLine(extraParameters);
    QString folder;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == u"-datadir" && i + 1 < arguments.size())
            folder = arguments.at(++i);
        else if (arguments.at(i) == u"+set" && i + 2 < arguments.size() && arguments.at(i + 1) == u"basedir")
            folder = arguments.at(i += 2);
    }
    return folder;
}

QStringList librariesOf(const QString& steamFolder)
{
    const auto file = FileSource::open(steamFolder + QStringLiteral("/steamapps/libraryfolders.vdf"));
    if (!file)
        return {};
    const auto text = file->read(0, std::min(file->size(), qint64(kMaxLibraryFile)));
    return text ? libraryPaths(*text) : QStringList();
}

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

QString GameProgram::folder() const
{
    return DirPart(path);
}

QString GameProgram::resolvedFolder() const
{
    return DirPart(resolved);
}

std::optional<GameProgram> findInPath(const QString& name)
{
    if (name.isEmpty() || name.contains(u'/'))
        return std::nullopt;
    const QString path = qEnvironmentVariable("PATH");
    for (const QString& folder : path.split(u':')) {
        const QString candidate = (folder.isEmpty() ? QDir::currentPath() : folder) + u'/' + name;
        if (isExecutableFile(candidate))
            return programAt(candidate);
    }
    return std::nullopt;
}

std::optional<GameProgram> findGameProgram(const QString& configured)
{
    if (configured.isEmpty())
        return std::nullopt;
    if (!configured.contains(u'/'))
        return findInPath(configured);
    if (!isFile(configured))
        return std::nullopt;
    return programAt(configured);
}

QStringList steamLibraries()
{
    const QString home = homeFolder();
    if (home.isEmpty())
        return {};
    FolderList libraries;
    for (const QString& steam : QStringList{home + QStringLiteral("/.steam/steam"), home + QStringLiteral("/.local/share/Steam")}) {
        libraries.add(steam);
        for (const QString& library : librariesOf(steam))
            libraries.add(library);
    }
    return libraries.existing();
}

DataFolders dataFolders(const QString& configured, const QString& extraParameters)
{
    FolderList folders;
    const auto program = findGameProgram(configured);
    if (program) {
        folders.add(program->folder());
        folders.add(program->resolvedFolder());
    } else if (configured.contains(u'/')) {
        // The program may be missing while its folder holds the data, as it did before there was a program.
        folders.add(QFileInfo(configured).absolutePath());
    }
    if (const QString dataDir = dataDirParameter(extraParameters); !dataDir.isEmpty())
        folders.add(QDir(program ? program->folder() : QDir::currentPath()).absoluteFilePath(dataDir));
    if (const QString home = homeFolder(); !home.isEmpty()) {
        folders.add(home + QStringLiteral("/.yq2"));
        folders.add(home + QStringLiteral("/.q2pro"));
    }
    const QString root = systemRoot();
    folders.add(root + QStringLiteral("/usr/share/games/quake2"));
    folders.add(root + QStringLiteral("/usr/local/share/games/quake2"));
    folders.add(root + QStringLiteral("/usr/share/games/q2pro"));
    for (const QString& library : steamLibraries())
        folders.add(library + QStringLiteral("/steamapps/common/Quake 2/rerelease"));
    return {folders.existing(), folders.asked()};
}

bool isRerelease(const QString& configured)
{
    return NamePart(configured).compare(u"quake2ex_steam.exe", Qt::CaseInsensitive) == 0;
}

bool needsMapListForBots(const QString& configured)
{
    return !isRerelease(configured);
}

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
