#include "install/LevelArchives.h"

#include "platform/dialogs/TolvexError.h"

namespace tolvex {

namespace {
// More would not fit a message box on the screen.
constexpr qsizetype kListed = 8;
} // namespace

int ArchivesInstalled::files() const
{
    int count = 0;
    for (const ArchiveInstalled& install : installs)
        count += int(install.files.size());
    return count;
}

ArchivesInstalled installArchives(const QString& folder, const QStringList& archives, const InstallControl& control,
                                  const ReplaceQuestion& replace)
{
    ArchivesInstalled result;
    result.folder = folder;
    for (qsizetype i = 0; i < archives.size(); ++i) {
        const QString& archive = archives.at(i);
        try {
            ArchiveInstall install(folder);
            if (!install.unpack(archive, control)) {
                result.untouched += archives.mid(i);
                break;
            }
            // Without anyone to ask, nothing of the user's is replaced.
            if (!install.differing().isEmpty() && (!replace || !replace(archive, install.differing()))) {
                result.untouched.append(archive);
                continue;
            }
            result.installs.push_back(install.commit());
        } catch (const TolvexError& error) {
            result.failures.append(error.message());
        }
    }
    return result;
}

QString listOfFiles(const QStringList& files)
{
    QString list = files.mid(0, kListed).join(QStringLiteral(", "));
    if (files.size() > kListed)
        list += QStringLiteral(", … (+") + QString::number(files.size() - kListed) + u')';
    return list;
}

} // namespace tolvex
