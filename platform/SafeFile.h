#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

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
