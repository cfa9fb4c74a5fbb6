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

// Replaces the file's contents as one step: the data goes to a temporary file
// beside the target, reaches the disk, and is renamed over the target, so a
// failure leaves the old file whole. The target keeps its permissions.
// The rename is never a way around protection: a target or folder that may
// not be written counts as one that cannot be created.
[[nodiscard]] std::optional<SaveFailure> saveAtomically(const QString& path, QByteArrayView data);

// True when a regular file exists at the path; directories and empty paths don't count.
[[nodiscard]] bool fileExists(const QString& path);

// The whole file, or nothing when it can't be opened and read as a regular file.
[[nodiscard]] std::optional<QByteArray> readWholeFile(const QString& path);

} // namespace tolvex
