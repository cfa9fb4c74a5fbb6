#pragma once

#include "install/ArchiveInstall.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tolvex {

// What installing several archives one after the other did.
struct ArchivesInstalled {
    QString folder;                        // the data folder they went into
    std::vector<ArchiveInstalled> installs; // one for each archive that was installed
    QStringList failures;                  // the error of each archive that was not
    QStringList untouched;                 // archives left out: a No to replacing, a cancel, those after it
    [[nodiscard]] int files() const;
};

// Asked before an archive replaces files of other content; false leaves the archive out.
using ReplaceQuestion = std::function<bool(const QString& archive, const QStringList& differing)>;

// Installs the archives into the data folder one after the other, each all
// or nothing. An archive that fails is noted and the next one goes on; a
// cancel leaves the rest out.
[[nodiscard]] ArchivesInstalled installArchives(const QString& folder, const QStringList& archives,
                                                const InstallControl& control, const ReplaceQuestion& replace);

// The differing files for the question: the first few of them, then how many more.
[[nodiscard]] QString listOfFiles(const QStringList& files);

} // namespace tolvex
