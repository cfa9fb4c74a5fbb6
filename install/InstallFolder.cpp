#include "install/InstallFolder.h"

#include "common/toolbox.h"
#include "config/Konfig.h"
#include "game/GameInstall.h"
#include "platform/files/ProfileFile.h"

#include <QDir>
#include <QFileInfo>

#include <array>

namespace tolvex {

namespace {

QString baseq2Beside(const QString& programFolder)
{
    const QString folder = QDir(programFolder).filePath(QStringLiteral("baseq2"));
    return QFileInfo(folder).isDir() && !isSystemFolder(folder) ? QDir::cleanPath(folder) : QString();
}

} // namespace

bool isSystemFolder(const QString& folder)
{
    static constexpr std::array<QStringView, 16> kSystem{u"/usr", u"/opt", u"/etc", u"/bin", u"/sbin", u"/lib",
                                                         u"/lib32", u"/lib64", u"/libx32", u"/var", u"/snap",
                                                         u"/boot", u"/srv", u"/run", u"/proc", u"/sys"};
    // Judged by where the folder really is, so a link in the home to /usr counts as /usr.
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    for (const QString& path : {QDir::cleanPath(QFileInfo(folder).absoluteFilePath()), canonical}) {
        if (path.isEmpty())
            continue;
        if (path == u"/")
            return true;
        for (const QStringView root : kSystem) {
            if (path == root || (path.startsWith(root) && path.at(root.size()) == u'/'))
                return true;
        }
    }
    return false;
}

QString installFolder(const QString& program, const QString& home)
{
    if (!program.isEmpty()) {
        const QFileInfo given(program);
        if (const QString beside = baseq2Beside(given.absolutePath()); !beside.isEmpty())
            return beside;
        const QString resolved = given.canonicalFilePath();
        if (!resolved.isEmpty()) {
            if (const QString beside = baseq2Beside(QFileInfo(resolved).absolutePath()); !beside.isEmpty())
                return beside;
        }
        if (given.fileName().contains(QStringLiteral("q2pro"), Qt::CaseInsensitive)
            || QFileInfo(resolved).fileName().contains(QStringLiteral("q2pro"), Qt::CaseInsensitive))
            return QDir(home).filePath(QStringLiteral(".q2pro/baseq2"));
    }
    return QDir(home).filePath(QStringLiteral(".yq2/baseq2"));
}

QString levelInstallFolder()
{
    const auto program = findGameProgram(konfig::read(ProfileFile(KonfigPath()), konfig::kGame));
    return installFolder(program ? program->path : QString(), QDir::homePath());
}

} // namespace tolvex
