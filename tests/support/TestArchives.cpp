#include "tests/support/TestArchives.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <archive.h>
#include <archive_entry.h>

#include <stdexcept>
#include <sys/stat.h>

namespace tolvex {

void writeTestArchive(const QString& path, TestFormat format, const std::vector<TestEntry>& entries)
{
    archive* a = archive_write_new();
    switch (format) {
    case TestFormat::Zip:
        archive_write_set_format_zip(a);
        break;
    case TestFormat::SevenZip:
        archive_write_set_format_7zip(a);
        break;
    case TestFormat::Tar:
        archive_write_set_format_pax_restricted(a);
        break;
    }
    if (archive_write_open_filename(a, QFile::encodeName(path).constData()) != ARCHIVE_OK)
        throw std::runtime_error(archive_error_string(a));
    for (const TestEntry& item : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname_utf8(entry, item.name.toUtf8().constData());
        archive_entry_set_perm(entry, 0644);
        switch (item.type) {
        case TestEntry::Type::File:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, item.bytes.size());
            break;
        case TestEntry::Type::Folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            break;
        case TestEntry::Type::Symlink:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, item.bytes.constData());
            break;
        case TestEntry::Type::Hardlink:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_hardlink(entry, item.bytes.constData());
            break;
        }
        archive_write_header(a, entry);
        if (item.type == TestEntry::Type::File)
            archive_write_data(a, item.bytes.constData(), size_t(item.bytes.size()));
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
}

QMap<QString, QByteArray> folderContents(const QString& folder)
{
    QMap<QString, QByteArray> contents;
    const QDir base(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = base.relativeFilePath(path);
        if (it.fileInfo().isDir() && !it.fileInfo().isSymLink()) {
            contents.insert(relative + u'/', {});
        } else {
            QFile file(path);
            contents.insert(relative, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
        }
    }
    return contents;
}

} // namespace tolvex
