#include "paradox/ParadoxConversion.h"

#include "catalogue/LevelSchema.h"
#include "catalogue/LevelTable.h"
#include "level/LevelFields.h"
#include "paradox/ParadoxTable.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/FileDescriptor.h"
#include "platform/files/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvex {

namespace {

const QString kKeepFolder = QStringLiteral("paradox");

[[noreturn]] void cannotCreate(const QString& path)
{
    throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht erstellt werden"), {path}));
}

void syncPath(const QString& path, int flags)
{
    const FileDescriptor fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | flags));
    // Some file systems cannot sync a folder; they order their entries themselves.
    if (fd.get() < 0 || (::fsync(fd.get()) != 0 && errno != EINVAL))
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht auf die Platte geschrieben werden"), {path}));
}

void syncFolder(const QString& path)
{
    syncPath(path, O_DIRECTORY);
}

// The files of the table: its data, memo, index, validity and view files.
QStringList paradoxFiles(const QFileInfo& table)
{
    static const QRegularExpression kinds(QStringLiteral("^(DB|MB|PX|VAL|TV|FAM|[XY][0-9A-F]{2}|[XY]G[0-9A-F])$"),
                                          QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    const QStringList entries = table.dir().entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : entries) {
        const QFileInfo entry(name);
        if (entry.completeBaseName().compare(table.completeBaseName(), Qt::CaseInsensitive) == 0
            && kinds.match(entry.suffix()).hasMatch())
            names.push_back(name);
    }
    return names;
}

void removeTemporary(const QString& temp)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(temp + QLatin1String(suffix));
}

void createSchema(const QString& path)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close_v2);
    if (rc != SQLITE_OK || sqlite3_exec(db.get(), LevelSchema::createStatement(), nullptr, nullptr, nullptr) != SQLITE_OK)
        cannotCreate(path);
}

void buildTable(const QString& temp, const std::vector<QStringList>& records, const QString& tableName)
{
    removeTemporary(temp);
    try {
        createSchema(temp);
        LevelTable table;
        table.setFileName(temp);
        table.open();
        appendParadoxRecords(table, records, tableName);
        table.close();
    } catch (...) {
        removeTemporary(temp);
        throw;
    }
    syncPath(temp, 0);
}

bool sameContents(const QString& a, const QString& b)
{
    const std::optional<QByteArray> left = readWholeFile(a);
    return left && left == readWholeFile(b);
}

// A file of the same name kept from another table would be lost; one left by
// an interrupted conversion of this same table is already what it would be.
void checkKeepFolder(const QDir& folder, const QStringList& names)
{
    const QString keep = folder.filePath(kKeepFolder);
    const QFileInfo keepInfo(keep);
    if (keepInfo.exists() && !keepInfo.isDir())
        cannotCreate(keep);
    for (const QString& name : names) {
        const QString kept = keep + u'/' + name;
        if (QFileInfo::exists(kept) && !sameContents(folder.filePath(name), kept))
            throw TolvexError(formatMessage(QStringLiteral("Datei %s ist schon vorhanden und wird nicht überschrieben"), {kept}));
    }
}

void copyFile(const QString& from, const QString& to)
{
    const std::optional<QByteArray> bytes = readWholeFile(from);
    const QString part = to + QStringLiteral(".tmp");
    QFile out(part);
    if (!bytes || !out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(*bytes) != bytes->size() || !out.flush()
        || ::fsync(out.handle()) != 0)
        cannotCreate(to);
    out.close();
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(to).constData()) != 0)
        cannotCreate(to);
}

// Links (or, where the file system has no links, copies) every file into the
// keep folder, so that the old catalogue is whole there before anything goes.
void keepOldFiles(const QDir& folder, const QStringList& names)
{
    const QString keep = folder.filePath(kKeepFolder);
    if (!QFileInfo(keep).isDir()) {
        if (::mkdir(QFile::encodeName(keep).constData(), 0777) != 0)
            cannotCreate(keep);
        syncFolder(folder.path());
    }
    for (const QString& name : names) {
        const QString from = folder.filePath(name);
        const QString to = keep + u'/' + name;
        if (QFileInfo::exists(to))
            continue;
        if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
            copyFile(from, to);
    }
    syncFolder(keep);
}

} // namespace

void appendParadoxRecords(LevelTable& table, const std::vector<QStringList>& records, const QString& tableName)
{
    table.beginBulk();
    try {
        for (size_t i = 0; i < records.size(); ++i) {
            const QStringList& texts = records[i];
            const QString which = texts.value(0).isEmpty() ? QString::number(i + 1) : texts.value(0);
            for (int pos = 0; pos < kFieldCount; ++pos) {
                if (texts.value(pos).isEmpty())
                    continue;
                if (const std::optional<QString> fault = textFault(pos, texts.value(pos)))
                    throw TolvexError(formatMessage(QStringLiteral("Tabelle %s: Datensatz '%s': Feld '%s' %s"),
                                                    {tableName, which, QLatin1String(kLevelFields[size_t(pos)].name), *fault}));
            }
            try {
                table.appendRecord(texts);
            } catch (const TolvexError& e) {
                throw TolvexError(formatMessage(QStringLiteral("Tabelle %s: Datensatz '%s': %s"), {tableName, which, e.message()}));
            }
        }
    } catch (...) {
        // The refused record's error is the one to show, not a failed end after it.
        try {
            table.endBulk();
        } catch (...) {
        }
        throw;
    }
    table.endBulk();
}

void convertParadoxCatalogue(const QString& path)
{
    const std::vector<QStringList> records = readParadoxFile(path);
    const QFileInfo info(path);
    const QDir folder = info.absoluteDir();
    const QStringList oldFiles = paradoxFiles(info);
    checkKeepFolder(folder, oldFiles);

    const QString temp = info.absoluteFilePath() + QStringLiteral(".neu");
    buildTable(temp, records, path);
    keepOldFiles(folder, oldFiles);
    // The one step from the old catalogue to the new one.
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
        removeTemporary(temp);
        cannotCreate(path);
    }
    syncFolder(folder.path());
    for (const QString& name : oldFiles) {
        if (name != info.fileName())
            QFile::remove(folder.filePath(name));
    }
    syncFolder(folder.path());
}

} // namespace tolvex
