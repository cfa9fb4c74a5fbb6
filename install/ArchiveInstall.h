#pragma once

#include "platform/files/FileDescriptor.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

struct archive;

namespace tolvex {

struct EntryTarget;

// What an archive may unpack to before it counts as a bomb and is refused.
struct InstallLimits {
    qint64 entries = 20'000;
    qint64 bytes = qint64(4) << 30;
    // An entry may unpack to at most this many times the archive bytes its
    // unpacking read (and one block of read-ahead); entries below ratioFloor
    // are not judged, since a small plain picture packs far better and cannot
    // fill a disk.
    qint64 ratio = 1'000;
    qint64 ratioFloor = qint64(1) << 20;
};

// How an install reports and is stopped. Both may be left empty.
struct InstallControl {
    // Unpacking: archive bytes read of its size; moving: files moved of all.
    std::function<void(qint64 done, qint64 total)> progress;
    std::function<bool()> cancelled;
};

// A text file of the archive, a readme of its levels perhaps.
struct ArchiveText {
    QString name; // the file's name without folders and ".txt", in lower case
    QByteArray bytes;
};

// What one archive brought, once it is in place.
struct ArchiveInstalled {
    QStringList files;    // the files written into the data folder, relative to it
    QStringList maps;     // the names of its loose maps (maps/NAME.bsp), written or there already
    QStringList packages; // its packages as the data folder names them, written or there already
    std::vector<ArchiveText> texts;
};

// Installs one level archive (zip, 7z, rar, tar and what else libarchive
// reads), or a single .bsp, .pak or .pk3, into a game data folder, all or
// nothing. The files are unpacked into a temporary folder inside the data
// folder; commit() moves them into place, keeping what it replaces until
// every file is in. A journal in the temporary folder lets the next install
// undo the moves of a run that was killed half-way.
class ArchiveInstall {
public:
    // Creates the data folder when missing and undoes what runs that died
    // left behind. Throws TolvexError when the folder cannot be made or written.
    explicit ArchiveInstall(QString folder, InstallLimits limits = {});
    // Removes the temporary folder; a run that was not committed leaves the data folder as it was.
    ~ArchiveInstall();
    ArchiveInstall(const ArchiveInstall&) = delete;
    ArchiveInstall& operator=(const ArchiveInstall&) = delete;

    // Unpacks the archive's game files into the temporary folder, checking
    // every name and size first. Throws TolvexError for a damaged archive, a
    // name that would leave the data folder, a link or other special entry, a
    // bomb, or a file that cannot be written. False when cancelled.
    bool unpack(const QString& archive, const InstallControl& control = {});
    // The unpacked files whose path holds a file with other bytes in the data folder.
    [[nodiscard]] const QStringList& differing() const { return m_differing; }
    // Moves the unpacked files into place, replacing the differing ones.
    // Throws TolvexError after undoing every move when one fails.
    ArchiveInstalled commit(const InstallControl& control = {});

    [[nodiscard]] const QString& folder() const { return m_folder; }

private:
    struct Package {
        QString wanted;    // its name in the archive
        QString unpacked;  // where it lies in the temporary folder
    };

    void makeTemporaryFolder();
    void unpackArchive(const QString& archive, const InstallControl& control);
    void unpackFile(const QString& file, const QString& target, const InstallControl& control);
    // Reads up to the size into the buffer; 0 at the entry's end.
    using EntryRead = std::function<qint64(char*, qint64)>;
    void unpackEntry(archive* a, const QString& path, const QString& name, const EntryTarget& where, qint64 archiveSize,
                     const InstallControl& control, QSet<QString>& written);
    void keepText(const QString& name, const EntryRead& read, const std::function<void()>& afterChunk);
    void writeEntry(const QString& target, const EntryRead& read, const std::function<void()>& afterChunk);
    void placePackages();
    void compareWithFolder();
    [[nodiscard]] QString newPath(const QString& relative) const;

    QString m_folder;
    InstallLimits m_limits;
    QString m_temporary;
    FileDescriptor m_lock; // held while this run lives, so no other run clears its folder
    QString m_archive;
    qint64 m_entries = 0;
    qint64 m_bytes = 0;
    bool m_cancelled = false;
    QStringList m_files; // unpacked, relative to the data folder, in unpacking order
    std::vector<Package> m_packages;
    QStringList m_differing;
    ArchiveInstalled m_result;
};

// Undoes and removes what installs that died left in the data folder; a
// temporary folder whose run is still alive is left alone.
void clearInstallLeftovers(const QString& folder);

} // namespace tolvex
