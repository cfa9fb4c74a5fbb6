#pragma once

#include <QFile>
#include <QString>

#include <optional>
#include <sys/stat.h>

namespace tolvex {

// What makes a file the same file whatever its name: its device and inode.
// A file renamed over another's name, or unlinked while open, is told apart
// by it from the one that is there now.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file at the path; nothing when there is none.
[[nodiscard]] inline std::optional<FileIdentity> fileIdentity(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

// The identity of an open file.
[[nodiscard]] inline std::optional<FileIdentity> fileIdentity(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

} // namespace tolvex
