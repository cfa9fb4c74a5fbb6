#include "platform/files/SafeFile.h"

#include "platform/files/FileDescriptor.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tolvex {

namespace {

// A file size limit must show up as a failed write, not end the program.
void ignoreFileSizeSignal()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

// Root passes every access() test, so a file or folder without any write
// bit counts as protected for everyone.
bool writeProtectedFile(const QByteArray& path)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return false;
    return ::access(path.constData(), W_OK) != 0 || (st.st_mode & 0222) == 0;
}

bool writeAll(int fd, QByteArrayView data)
{
    const char* p = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// The file an absolute path names, symbolic links followed, also to a file
// that does not exist yet; empty when the links go round in circles.
QByteArray resolveLinks(QByteArray path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        QByteArray link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.constData(), link.data(), size_t(link.size()));
        if (n <= 0 || n >= link.size())
            return {};
        link.truncate(n);
        path = link.startsWith('/') ? link : QByteArray(folderOf(path) + '/' + link);
    }
    return {};
}

// Where a save of one file keeps its temporary name: short, so that a target
// name of any length allowed still leaves room, and tied to the target by a
// hash, so that a later save finds what a crashed one left behind.
QByteArray temporaryPrefix(const QByteArray& name)
{
    quint32 hash = 2166136261u; // FNV-1a: stable across runs and builds
    for (const char c : name)
        hash = (hash ^ quint8(c)) * 16777619u;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", hash);
    return QByteArray(".tolvex-") + hex + '-';
}

constexpr qsizetype kRandomPart = 6; // the XXXXXX of mkstemp

bool isOurTemporary(const QByteArray& entry, const QByteArray& prefix, const QByteArray& name)
{
    if (entry.size() == prefix.size() + kRandomPart && entry.startsWith(prefix))
        return true;
    // Saves before the short names put the temporary file beside the target under its own name.
    const QByteArray older = name + ".tmp-";
    return entry.size() == older.size() + kRandomPart && entry.startsWith(older);
}

// A temporary file is locked for as long as its save runs; what nobody holds
// was left by a save that never finished.
template <typename IsStale>
void removeStaleTemporaries(const QByteArray& folder, IsStale isStale)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isStale(QByteArrayView(entry->d_name)))
            continue;
        FileDescriptor fd(::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (fd.get() >= 0 && ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
            (void)::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

void removeStaleTemporaries(const QByteArray& folder, const QByteArray& name)
{
    const QByteArray prefix = temporaryPrefix(name);
    removeStaleTemporaries(folder, [&](QByteArrayView entry) { return isOurTemporary(entry.toByteArray(), prefix, name); });
}

// Every short-named temporary of ours in the folder, whatever file it was for:
// a batch of many names walks the folder once instead of once a name.
bool isAnyShortTemporary(QByteArrayView entry)
{
    const QByteArrayView prefix = ".tolvex-";
    constexpr qsizetype hashSize = 8;
    if (entry.size() != prefix.size() + hashSize + 1 + kRandomPart || !entry.startsWith(prefix)
        || entry[prefix.size() + hashSize] != '-')
        return false;
    const QByteArrayView hash = entry.sliced(prefix.size(), hashSize);
    return std::all_of(hash.begin(), hash.end(), [](char c) { return std::isxdigit(quint8(c)) && !std::isupper(quint8(c)); });
}

// What a save needs to know about its target.
struct Target {
    QByteArray path;   // symbolic links resolved
    QByteArray folder;
    QByteArray name;
    bool exists = false;
    struct stat old {};
};

// The new file gets the old one's owner, group and mode; false when it
// cannot carry them (the owner of someone else's file can't be given away).
bool takeOver(int fd, const Target& target)
{
    if (!target.exists) {
        // What the user's umask allows, as an ordinary create would.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return ::fchmod(fd, 0666 & ~mask) == 0;
    }
    struct stat now {};
    if (::fstat(fd, &now) != 0)
        return false;
    if ((now.st_uid != target.old.st_uid || now.st_gid != target.old.st_gid)
        && ::fchown(fd, target.old.st_uid, target.old.st_gid) != 0)
        return false;
    // After the chown, which clears the set-id bits.
    return ::fchmod(fd, target.old.st_mode & 07777) == 0;
}

// The old way, for a file whose folder may not be written: the new content
// goes over the old one, which no longer stays whole when the write fails.
std::optional<SaveFailure> overwriteInPlace(const Target& target, QByteArrayView data)
{
    FileDescriptor fd(::open(target.path.constData(), O_WRONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return SaveFailure::CannotCreate;
    if (!writeAll(fd.get(), data) || ::ftruncate(fd.get(), off_t(data.size())) != 0 || ::fsync(fd.get()) != 0)
        return SaveFailure::WriteFailed;
    if (::close(fd.release()) != 0)
        return SaveFailure::WriteFailed;
    return std::nullopt;
}

enum class Outcome { Saved, CannotCreate, WriteFailed, NotPossible };

std::optional<SaveFailure> failureOf(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Saved:
        return std::nullopt;
    case Outcome::WriteFailed:
        return SaveFailure::WriteFailed;
    default:
        return SaveFailure::CannotCreate;
    }
}

// Fills an open temporary file; NotPossible when it can't carry the old
// file's owner.
Outcome fill(int fd, const Target& target, QByteArrayView data)
{
    if (!takeOver(fd, target))
        return Outcome::NotPossible;
    if (!writeAll(fd, data) || ::fsync(fd) != 0)
        return Outcome::WriteFailed;
    return Outcome::Saved;
}

// Moves a complete temporary file over the target and makes the rename last.
Outcome renameIntoPlace(const QByteArray& temp, const Target& target)
{
    if (::rename(temp.constData(), target.path.constData()) != 0) {
        ::unlink(temp.constData());
        return Outcome::CannotCreate;
    }
    FileDescriptor dir(::open(target.folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        (void)::fsync(dir.get());
    return Outcome::Saved;
}

// Through a file without a name, which a crash takes with it: it gets a
// name only once complete, and that name is at once renamed over the target
// (linkat can't replace an existing name). NotPossible where the file system
// has no such files.
Outcome saveThroughUnnamedFile(const Target& target, QByteArrayView data)
{
    FileDescriptor fd(::open(target.folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        return errno == EACCES || errno == EPERM ? Outcome::CannotCreate : Outcome::NotPossible;
    (void)::flock(fd.get(), LOCK_EX);
    if (const Outcome filled = fill(fd.get(), target, data); filled != Outcome::Saved)
        return filled;

    const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(fd.get());
    const QByteArray prefix = target.folder + '/' + temporaryPrefix(target.name);
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 16; ++attempt) {
        QByteArray temp = prefix;
        for (qsizetype i = 0; i < kRandomPart; ++i)
            temp += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        if (::linkat(AT_FDCWD, procPath.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) == 0)
            return renameIntoPlace(temp, target);
        if (errno != EEXIST)
            break;
    }
    return Outcome::NotPossible; // no /proc to link from: the named way still works
}

Outcome saveThroughNamedFile(const Target& target, QByteArrayView data)
{
    QByteArray temp = target.folder + '/' + temporaryPrefix(target.name) + "XXXXXX";
    FileDescriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return Outcome::CannotCreate;
    (void)::flock(fd.get(), LOCK_EX);
    if (const Outcome filled = fill(fd.get(), target, data); filled != Outcome::Saved) {
        ::unlink(temp.constData());
        return filled;
    }
    // Renamed while still locked, so that no other save takes it for litter.
    return renameIntoPlace(temp, target);
}

std::optional<Target> targetOf(const QString& path)
{
    Target target;
    target.path = resolveLinks(QFile::encodeName(QFileInfo(path).absoluteFilePath()));
    if (target.path.isEmpty())
        return std::nullopt;
    target.folder = folderOf(target.path);
    target.name = target.path.mid(target.path.lastIndexOf('/') + 1);
    target.exists = ::stat(target.path.constData(), &target.old) == 0;
    if (target.exists && !S_ISREG(target.old.st_mode))
        return std::nullopt;
    return target;
}

} // namespace

std::optional<SaveFailure> saveAtomically(const QString& path, QByteArrayView data)
{
    ignoreFileSizeSignal();
    if (path.isEmpty())
        return SaveFailure::CannotCreate;
    if (!maySave(path))
        return SaveFailure::CannotCreate;
    const auto target = targetOf(path);
    if (!target)
        return SaveFailure::CannotCreate;
    if (writeProtectedFile(target->folder)) {
        if (!target->exists)
            return SaveFailure::CannotCreate;
        return overwriteInPlace(*target, data);
    }

    removeStaleTemporaries(target->folder, target->name);
    Outcome outcome = saveThroughUnnamedFile(*target, data);
    if (outcome == Outcome::NotPossible)
        outcome = saveThroughNamedFile(*target, data);
    // Someone else's file, whose owner a new file can't take over, keeps its inode.
    if (outcome == Outcome::NotPossible)
        return overwriteInPlace(*target, data);
    return failureOf(outcome);
}

NewFileBatch::NewFileBatch(const QString& folder)
    : m_folder(QFile::encodeName(QFileInfo(folder).absoluteFilePath()))
    , m_dir(::open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    ignoreFileSizeSignal();
    removeStaleTemporaries(m_folder, isAnyShortTemporary);
}

NewFileBatch::~NewFileBatch()
{
    for (const Pending& file : m_pending) {
        if (!file.temporary.isEmpty())
            ::unlink(file.temporary.constData());
    }
}

std::optional<SaveFailure> NewFileBatch::add(const QString& name, QByteArrayView data)
{
    const QByteArray encoded = QFile::encodeName(name);
    if (m_dir.get() < 0 || encoded.isEmpty() || encoded.contains('/') || encoded == "." || encoded == ".."
        || writeProtectedFile(m_folder))
        return SaveFailure::CannotCreate;
    // An unnamed file can only be named through /proc.
    static const bool canNameUnnamed = ::access("/proc/self/fd", X_OK) == 0;
    Pending file{encoded, FileDescriptor(), {}};
    if (canNameUnnamed)
        file.file = FileDescriptor(::openat(m_dir.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (file.file.get() < 0) {
        if (canNameUnnamed && (errno == EACCES || errno == EPERM))
            return SaveFailure::CannotCreate;
        file.temporary = m_folder + '/' + temporaryPrefix(encoded) + "XXXXXX";
        file.file = FileDescriptor(::mkostemp(file.temporary.data(), O_CLOEXEC));
        if (file.file.get() < 0)
            return SaveFailure::CannotCreate;
    }
    // Held until placed, so that no other save takes a named temporary for litter.
    (void)::flock(file.file.get(), LOCK_EX);
    const Outcome written = !takeOver(file.file.get(), Target{}) ? Outcome::CannotCreate
        : writeAll(file.file.get(), data)                       ? Outcome::Saved
                                                                : Outcome::WriteFailed;
    if (written != Outcome::Saved) {
        if (!file.temporary.isEmpty())
            ::unlink(file.temporary.constData());
        return failureOf(written);
    }
    m_pending.push_back(std::move(file));
    return std::nullopt;
}

// The data of every file on the disk, each file's success on its own.
std::vector<bool> NewFileBatch::syncAll() const
{
    // With the write-back of all of them started first, the first fsync's
    // journal commit carries them all and the later ones find little to wait for.
    for (const Pending& file : m_pending)
        (void)::sync_file_range(file.file.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    std::vector<bool> synced;
    synced.reserve(m_pending.size());
    for (const Pending& file : m_pending)
        synced.push_back(::fsync(file.file.get()) == 0);
    return synced;
}

// Gives a complete file its name; linkat never replaces, so a name taken
// meanwhile keeps its file (EEXIST).
int NewFileBatch::linkInto(const Pending& file, int dir)
{
    if (!file.temporary.isEmpty())
        return ::linkat(AT_FDCWD, file.temporary.constData(), dir, file.name.constData(), 0);
    const QByteArray unnamed = "/proc/self/fd/" + QByteArray::number(file.file.get());
    return ::linkat(AT_FDCWD, unnamed.constData(), dir, file.name.constData(), AT_SYMLINK_FOLLOW);
}

NewFileBatch::Placed NewFileBatch::place()
{
    Placed placed;
    const std::vector<bool> synced = syncAll();
    for (std::size_t i = 0; i < m_pending.size(); ++i) {
        const Pending& file = m_pending[i];
        const QString name = QFile::decodeName(file.name);
        if (!synced[i])
            placed.failed << name;
        else if (linkInto(file, m_dir.get()) == 0)
            placed.made << name;
        else if (errno != EEXIST)
            placed.failed << name;
        if (!file.temporary.isEmpty())
            ::unlink(file.temporary.constData());
    }
    m_pending.clear();
    if (!placed.made.isEmpty())
        (void)::fsync(m_dir.get());
    return placed;
}

bool maySave(const QString& path)
{
    if (path.isEmpty())
        return false;
    const auto target = targetOf(path);
    if (!target)
        return false;
    if (target->exists)
        return !writeProtectedFile(target->path);
    struct stat folder {};
    return ::stat(target->folder.constData(), &folder) == 0 && S_ISDIR(folder.st_mode) && !writeProtectedFile(target->folder);
}

bool fileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<QByteArray> readWholeFile(const QString& path)
{
    if (!fileExists(path))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool isWriteProtected(const QString& path)
{
    return writeProtectedFile(QFile::encodeName(path));
}

} // namespace tolvex
