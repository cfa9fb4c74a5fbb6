#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <vector>

namespace tolvex {

// One entry of an archive made for a test.
struct TestEntry {
    enum class Type { File, Folder, Symlink, Hardlink };
    QString name;
    QByteArray bytes;  // a file's data, or a link's target
    Type type = Type::File;
};

enum class TestFormat { Zip, SevenZip, Tar };

// Writes the entries as an archive of the format through libarchive.
void writeTestArchive(const QString& path, TestFormat format, const std::vector<TestEntry>& entries);

// Every file below the folder, with its bytes, by its path relative to it;
// folders show as "path/" with no bytes.
[[nodiscard]] QMap<QString, QByteArray> folderContents(const QString& folder);

} // namespace tolvex
