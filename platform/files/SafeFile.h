#pragma once

#include "platform/files/FileDescriptor.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <QStringList>

#include <optional>
#include <vector>

namespace tolvex {

enum class SaveFailure {
    CannotCreate, // no rights, a write-protected target, a missing folder, an empty path
    WriteFailed,  // the data did not reach the disk (full disk, file size limit)
};

// Replaces the file's contents as one step: the data goes to a file without
// a name in the target's folder, reaches the disk, and only then gets a short
// temporary name that is renamed over the target; where the file system has
// no unnamed files, a short-named one is written instead. So a failure leaves
// the old file whole, a crash leaves no litter, and a target name as long as
// the file system allows can be written. Temporary files that an earlier,
// unfinished save of the same target left behind are removed.
// A symbolic link is followed and the file it names is replaced, keeping its
// owner, group and mode. A file whose folder may not be written (or whose
// owner a new file could not take over) is overwritten in place once the data
// is complete, as an ordinary write would.
// The rename is never a way around protection: a target that may not be
// written, or a new file in a folder that may not be written, counts as one
// that cannot be created.
[[nodiscard]] std::optional<SaveFailure> saveAtomically(const QString& path, QByteArrayView data);

// New files in one folder, made together, so that their data reaches the
// disk with one wait instead of one for every file. Each file's data goes
// to a file without a name (a short-named temporary where the file system
// has none); place() makes all of them last, only then gives each its name,
// never over a file that is there by then, and makes the names last with
// one sync of the folder. A crash leaves under each name either nothing or
// the whole file; the temporaries it may leave are removed by the next batch
// in the folder or the next save of that name. What is not placed when the
// batch ends is dropped.
class NewFileBatch {
public:
    explicit NewFileBatch(const QString& folder);
    ~NewFileBatch();
    NewFileBatch(const NewFileBatch&) = delete;
    NewFileBatch& operator=(const NewFileBatch&) = delete;

    // Writes the data of the file that is to get the name. A folder that
    // cannot be written, or a name with a slash, counts as CannotCreate.
    // Each file holds a descriptor until it is placed: place every few dozen.
    [[nodiscard]] std::optional<SaveFailure> add(const QString& name, QByteArrayView data);
    [[nodiscard]] int pending() const { return int(m_pending.size()); }

    struct Placed {
        QStringList made;   // the names given
        QStringList failed; // data that did not reach the disk, or a name that could not be given
    };
    // Names what was added since the last call; a name taken meanwhile keeps
    // what is there and is in neither list.
    [[nodiscard]] Placed place();

private:
    struct Pending {
        QByteArray name;
        FileDescriptor file;
        QByteArray temporary; // the short name where there are no files without one
    };
    [[nodiscard]] std::vector<bool> syncAll() const;
    [[nodiscard]] static int linkInto(const Pending& file, int dir);

    QByteArray m_folder;
    FileDescriptor m_dir;
    std::vector<Pending> m_pending;
};

// Whether saveAtomically may write the file, by the same rules, without
// writing anything.
[[nodiscard]] bool maySave(const QString& path);

// True for an existing file or folder the user may not write. Root passes
// every permission test, so one without any write bit counts as protected
// for everyone.
[[nodiscard]] bool isWriteProtected(const QString& path);

// True when a regular file exists at the path; directories and empty paths don't count.
[[nodiscard]] bool fileExists(const QString& path);

// The whole file, or nothing when it can't be opened and read as a regular file.
[[nodiscard]] std::optional<QByteArray> readWholeFile(const QString& path);

} // namespace tolvex
