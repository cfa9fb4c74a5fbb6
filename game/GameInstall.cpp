#include "game/GameInstall.h"

#include "common/toolbox.h"
#include "game/SteamLibraries.h"
#include "platform/processes/ProgramStart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <fcntl.h>
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
    // Non-blocking and only a regular file: a pipe of that name cannot hold the start.
    const QString path = steamFolder + QStringLiteral("/steamapps/libraryfolders.vdf");
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    QByteArray text;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        text.resize(kMaxLibraryFile);
        const ssize_t n = ::read(fd, text.data(), size_t(text.size()));
        text.resize(n > 0 ? n : 0);
    }
    ::close(fd);
    return libraryPaths(text);
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

} // namespace tolvex
