#include "paradox/ParadoxConversion.h"

#include "catalogue/LevelStore.h"
#include "catalogue/NewLevelFile.h"
#include "level/LevelFields.h"
#include "paradox/ParadoxTable.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
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

void appendParadoxRecord(NewLevelFile& file, const QStringList& texts, int number, const QString& tableName)
{
    const QString which = texts.value(0).isEmpty() ? QString::number(number) : texts.value(0);
    for (int pos = 0; pos < kFieldCount; ++pos) {
        if (texts.value(pos).isEmpty())
            continue;
        if (const std::optional<QString> fault = textFault(pos, texts.value(pos)))
            throw TolvexError(formatMessage(QStringLiteral("Tabelle %s: Datensatz '%s': Feld '%s' %s"),
                                            {tableName, which, QLatin1String(kLevelFields[size_t(pos)].name), *fault}));
    }
    try {
        file.append(texts);
    } catch (const TolvexError& e) {
        throw TolvexError(formatMessage(QStringLiteral("Tabelle %s: Datensatz '%s': %s"), {tableName, which, e.message()}));
    }
}

// Reads the table and writes the new file one record at a time. Nothing but
// this copy, which holds the conversion lock, writes or removes the file.
void buildTable(const QString& temp, const QString& tableName)
{
    removeTemporary(temp);
    try {
        (void)copyParadoxRecords(tableName, temp);
    } catch (...) {
        removeTemporary(temp);
        throw;
    }
    syncPath(temp, 0);
}

[[noreturn]] void replaced(const QString& path)
{
    throw TolvexError(catalogueReplacedMessage(path));
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

ConversionLock::ConversionLock(const QString& path)
    : m_path(path)
    , m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC))
{
    if (m_fd.get() < 0)
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht geöffnet werden"), {path}));
    if (::flock(m_fd.get(), LOCK_EX | LOCK_NB) != 0)
        throw TolvexError(formatMessage(QStringLiteral("Tabelle %s wird gerade von einem anderen Programm übernommen"), {path}));
    m_identity = fileIdentity(m_fd.get());
}

bool ConversionLock::holdsParadoxTable() const
{
    if (!m_identity || fileIdentity(m_path) != m_identity)
        return false;
    char head[0x78];
    const ssize_t got = ::pread(m_fd.get(), head, sizeof head, 0);
    return got > 0 && looksLikeParadoxTable(QByteArrayView(head, got));
}

int copyParadoxRecords(const QString& paradoxPath, const QString& newFile)
{
    NewLevelFile file(newFile);
    int number = 0;
    readParadoxFile(paradoxPath, [&](const QStringList& texts) { appendParadoxRecord(file, texts, ++number, paradoxPath); });
    return file.finish();
}

void convertParadoxCatalogue(const ConversionLock& lock)
{
    const QString& path = lock.path();
    const QFileInfo info(path);
    const QDir folder = info.absoluteDir();
    const QStringList oldFiles = paradoxFiles(info);
    checkKeepFolder(folder, oldFiles);

    const QString temp = info.absoluteFilePath() + QStringLiteral(".neu");
    buildTable(temp, path);
    const std::optional<FileIdentity> built = fileIdentity(temp);
    try {
        // The table read must still be the one at the name, or the rename
        // would put the new table over a catalogue nobody converted.
        if (fileIdentity(path) != lock.identity())
            replaced(path);
        keepOldFiles(folder, oldFiles);
    } catch (...) {
        removeTemporary(temp);
        throw;
    }
    // The one step from the old catalogue to the new one.
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
        removeTemporary(temp);
        cannotCreate(path);
    }
    syncFolder(folder.path());
    // The old files are whole in the keep folder; they leave only from
    // beside the table this copy built.
    if (!built || fileIdentity(path) != built)
        replaced(path);
    for (const QString& name : oldFiles) {
        if (name != info.fileName())
            QFile::remove(folder.filePath(name));
    }
    syncFolder(folder.path());
}

void convertParadoxCatalogue(const QString& path)
{
    const ConversionLock lock(path);
    convertParadoxCatalogue(lock);
}

} // namespace tolvex
