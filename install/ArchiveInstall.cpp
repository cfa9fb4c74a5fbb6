#include "install/ArchiveInstall.h"

#include "gamefolder/MapRecord.h"
#include "install/EntryPath.h"
#include "platform/dialogs/TolvexError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvex {

namespace {

constexpr qint64 kChunk = 256 * 1024;
// libarchive reads the archive in blocks of this size; an entry may unpack
// from a block read before it began, so one block is allowed for its packed bytes.
constexpr qint64 kBlock = 64 * 1024;
constexpr QLatin1StringView kTemporaryPrefix(".tolvex-install-");
// Readmes are small; a text beyond this is no readme, and only so many are kept.
constexpr qint64 kTextBytes = 1 << 20;
constexpr int kTexts = 32;

// Thrown inside an unpack when the user stops it.
struct Cancelled {};

struct ArchiveFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveFree>;

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemError(int error = errno)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void cannotWrite(const QString& path, int error = errno)
{
    throw TolvexError(formatMessage(QStringLiteral("%s kann nicht geschrieben werden: %s"), {path, systemError(error)}));
}

bool lexists(const QString& path)
{
    struct stat st {};
    return ::lstat(encoded(path).constData(), &st) == 0;
}

// Whether the two regular files hold the same bytes.
bool sameBytes(const QString& a, const QString& b)
{
    struct stat sa {};
    struct stat sb {};
    if (::stat(encoded(a).constData(), &sa) != 0 || ::stat(encoded(b).constData(), &sb) != 0
        || !S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode) || sa.st_size != sb.st_size)
        return false;
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    while (!fa.atEnd()) {
        const QByteArray chunkA = fa.read(kChunk);
        if (chunkA != fb.read(kChunk))
            return false;
        if (chunkA.isEmpty())
            return fb.atEnd();
    }
    return fb.atEnd();
}

QString parentOf(const QString& relative)
{
    const qsizetype slash = relative.lastIndexOf(u'/');
    return slash < 0 ? QString() : relative.left(slash);
}

// The journal: which folders the moves make and which files they move, in
// order, written before the first move; its absence means nothing is to undo.
QString journalPath(const QString& temporary)
{
    return temporary + QStringLiteral("/journal");
}

void writeJournal(const QString& temporary, const QStringList& folders, const QStringList& files)
{
    QByteArray text;
    for (const QString& folder : folders)
        text += "d " + folder.toUtf8().toPercentEncoding() + '\n';
    for (const QString& file : files)
        text += "f " + file.toUtf8().toPercentEncoding() + '\n';
    const QString part = temporary + QStringLiteral("/journal.part");
    const FileDescriptor fd(::open(encoded(part).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        cannotWrite(part);
    qsizetype written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd.get(), text.constData() + written, size_t(text.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            cannotWrite(part);
        written += n;
    }
    if (::fsync(fd.get()) != 0 || ::rename(encoded(part).constData(), encoded(journalPath(temporary)).constData()) != 0)
        cannotWrite(part);
    const FileDescriptor dir(::open(encoded(temporary).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

// Puts the data folder back as it was before the journal's moves: each file
// that reached its place goes, what it replaced comes back, the folders the
// moves made go when nothing else is in them. Then the temporary folder goes.
void rollBack(const QString& temporary, const QString& folder)
{
    QFile journal(journalPath(temporary));
    if (journal.open(QIODevice::ReadOnly)) {
        QStringList folders;
        QStringList files;
        for (const QByteArray& line : journal.readAll().split('\n')) {
            const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(2)));
            // Only names the journal's writer made; anything else is not ours to touch.
            if (line.size() < 3 || name.isEmpty() || entryTarget(name).kind == EntryTarget::Kind::Unsafe)
                continue;
            (line.startsWith("d ") ? folders : files).append(name);
        }
        std::reverse(files.begin(), files.end());
        for (const QString& file : files) {
            const QString placed = folder + u'/' + file;
            if (!lexists(temporary + QStringLiteral("/new/") + file))
                ::unlink(encoded(placed).constData());
            const QString kept = temporary + QStringLiteral("/old/") + file;
            if (lexists(kept))
                ::rename(encoded(kept).constData(), encoded(placed).constData());
        }
        std::reverse(folders.begin(), folders.end());
        for (const QString& made : folders)
            ::rmdir(encoded(folder + u'/' + made).constData());
    }
    QDir(temporary).removeRecursively();
}

QString entryName(archive_entry* entry)
{
    if (const char* utf8 = archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    const char* raw = archive_entry_pathname(entry);
    return raw ? decodeMapText(QByteArrayView(raw)) : QString();
}

[[noreturn]] void refuse(const QString& file, const QString& reason)
{
    throw TolvexError(formatMessage(QStringLiteral("%s wird nicht installiert: %s"), {file, reason}));
}

[[noreturn]] void damaged(const QString& file, struct archive* a)
{
    const char* why = archive_error_string(a);
    refuse(file, formatMessage(QStringLiteral("das Archiv kann nicht gelesen werden (%s)"),
                                  {why ? QString::fromLocal8Bit(why) : QStringLiteral("unbekanntes Format")}));
}

bool isText(const QString& name)
{
    return name.size() > 4 && name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive);
}

QString textName(const QString& name)
{
    QString base = name;
    base.replace(u'\\', u'/');
    return base.mid(base.lastIndexOf(u'/') + 1).chopped(4).toLower();
}

} // namespace

ArchiveInstall::ArchiveInstall(QString folder, InstallLimits limits)
    : m_folder(QDir::cleanPath(std::move(folder)))
    , m_limits(limits)
{
    if (!QDir().mkpath(m_folder))
        throw TolvexError(formatMessage(QStringLiteral("Der Ordner %s kann nicht angelegt werden"), {m_folder}));
    clearInstallLeftovers(m_folder);
}

ArchiveInstall::~ArchiveInstall()
{
    if (!m_temporary.isEmpty())
        rollBack(m_temporary, m_folder);
}

void ArchiveInstall::makeTemporaryFolder()
{
    QByteArray pattern = encoded(m_folder + u'/' + kTemporaryPrefix + QStringLiteral("XXXXXX"));
    if (!::mkdtemp(pattern.data()))
        cannotWrite(m_folder);
    m_temporary = QFile::decodeName(pattern);
    m_lock = FileDescriptor(::open(encoded(m_temporary + QStringLiteral("/lock")).constData(),
                                   O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (m_lock.get() < 0 || ::flock(m_lock.get(), LOCK_EX | LOCK_NB) != 0)
        cannotWrite(m_temporary);
}

QString ArchiveInstall::newPath(const QString& relative) const
{
    return m_temporary + QStringLiteral("/new/") + relative;
}

bool ArchiveInstall::unpack(const QString& archive, const InstallControl& control)
{
    m_archive = archive;
    makeTemporaryFolder();
    try {
        const QString suffix = archive.right(4).toLower();
        const QString name = QFileInfo(archive).fileName().toLower();
        if (suffix == u".bsp")
            unpackFile(archive, QStringLiteral("maps/") + name, control);
        else if (suffix == u".pak" || suffix == u".pk3")
            unpackFile(archive, name, control);
        else
            unpackArchive(archive, control);
        placePackages();
        compareWithFolder();
    } catch (const Cancelled&) {
        rollBack(std::exchange(m_temporary, {}), m_folder);
        m_files.clear();
        return false;
    } catch (...) {
        rollBack(std::exchange(m_temporary, {}), m_folder);
        m_files.clear();
        throw;
    }
    return true;
}

void ArchiveInstall::unpackFile(const QString& file, const QString& target, const InstallControl& control)
{
    const FileDescriptor fd(::open(encoded(file).constData(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht geöffnet werden"), {file}));
    if (st.st_size > m_limits.bytes)
        refuse(file, QStringLiteral("die Datei ist größer als 4 GiB"));
    const EntryTarget where = entryTarget(target);
    qint64 done = 0;
    const auto read = [&](char* buffer, qint64 size) {
        const ssize_t n = ::read(fd.get(), buffer, size_t(size));
        if (n < 0)
            throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht gelesen werden: %s"), {file, systemError()}));
        done += n;
        return qint64(n);
    };
    const auto afterChunk = [&] {
        if (control.progress)
            control.progress(done, st.st_size);
        if (control.cancelled && control.cancelled())
            throw Cancelled{};
    };
    if (where.kind == EntryTarget::Kind::Package) {
        const QString unpacked = m_temporary + QStringLiteral("/pkg/0");
        writeEntry(unpacked, read, afterChunk);
        m_packages.push_back({where.path, unpacked});
    } else {
        writeEntry(newPath(where.path), read, afterChunk);
        m_files.append(where.path);
    }
}

void ArchiveInstall::unpackArchive(const QString& path, const InstallControl& control)
{
    const qint64 archiveSize = QFileInfo(path).size();
    const ArchivePtr owner(archive_read_new());
    archive* const a = owner.get();
    archive_read_support_filter_all(a);
    archive_read_support_format_all(a);
    if (archive_read_open_filename(a, encoded(path).constData(), size_t(kBlock)) != ARCHIVE_OK)
        damaged(path, a);

    QSet<QString> written;
    archive_entry* entry = nullptr;
    for (;;) {
        const int status = archive_read_next_header(a, &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN)
            damaged(path, a);
        if (++m_entries > m_limits.entries)
            refuse(path, formatMessage(QStringLiteral("es hat mehr als %d Einträge"), {QString::number(m_limits.entries)}));

        const QString name = entryName(entry);
        const EntryTarget where = entryTarget(name);
        if (where.kind == EntryTarget::Kind::Unsafe)
            refuse(path, formatMessage(QStringLiteral("der Eintrag %s läge außerhalb des Spielordners"), {name}));
        const mode_t type = archive_entry_filetype(entry);
        if (type == AE_IFDIR)
            continue;
        if (type != AE_IFREG || archive_entry_hardlink(entry) || archive_entry_symlink(entry))
            refuse(path, formatMessage(QStringLiteral("der Eintrag %s ist keine gewöhnliche Datei"), {name}));
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > m_limits.bytes - m_bytes)
            refuse(path, formatMessage(QStringLiteral("es entpackt zu mehr als %d MiB"), {QString::number(m_limits.bytes >> 20)}));

        unpackEntry(a, path, name, where, archiveSize, control, written);
    }
}

// One regular entry of an open archive, into the place its name maps to.
void ArchiveInstall::unpackEntry(archive* a, const QString& path, const QString& name, const EntryTarget& where,
                                 qint64 archiveSize, const InstallControl& control, QSet<QString>& written)
{
    // What this entry reads of the archive, to judge how far it unpacks.
    const qint64 start = archive_filter_bytes(a, -1);
    qint64 entryBytes = 0;
    const EntryRead read = [&](char* buffer, qint64 size) {
        const la_ssize_t n = archive_read_data(a, buffer, size_t(size));
        if (n < 0)
            damaged(path, a);
        entryBytes += n;
        return qint64(n);
    };
    const std::function<void()> afterChunk = [&] {
        const qint64 packed = archive_filter_bytes(a, -1) - start;
        if (entryBytes > m_limits.ratioFloor && entryBytes / m_limits.ratio > packed + kBlock)
            refuse(path, formatMessage(QStringLiteral("der Eintrag %s entpackt zu mehr als dem %d-fachen seiner Größe"),
                                       {name, QString::number(m_limits.ratio)}));
        if (control.progress)
            control.progress(archive_filter_bytes(a, -1), archiveSize);
        if (control.cancelled && control.cancelled())
            throw Cancelled{};
    };

    switch (where.kind) {
    case EntryTarget::Kind::File:
        writeEntry(newPath(where.path), read, afterChunk);
        if (!written.contains(where.path)) {
            written.insert(where.path);
            m_files.append(where.path);
        }
        break;
    case EntryTarget::Kind::Package: {
        const QString unpacked = m_temporary + QStringLiteral("/pkg/") + QString::number(m_packages.size());
        writeEntry(unpacked, read, afterChunk);
        m_packages.push_back({where.path, unpacked});
        break;
    }
    case EntryTarget::Kind::Ignored:
        if (isText(name) && int(m_result.texts.size()) < kTexts)
            keepText(name, read, afterChunk);
        break;
    case EntryTarget::Kind::Unsafe:
        break;
    }
}

// The start of a readme, for what it tells of the levels.
void ArchiveInstall::keepText(const QString& name, const EntryRead& read, const std::function<void()>& afterChunk)
{
    QByteArray bytes(kTextBytes, Qt::Uninitialized);
    qint64 size = 0;
    while (size < kTextBytes) {
        const qint64 n = read(bytes.data() + size, kTextBytes - size);
        if (n == 0)
            break;
        size += n;
        m_bytes += n;
        afterChunk();
    }
    bytes.truncate(size);
    m_result.texts.push_back({textName(name), std::move(bytes)});
}

void ArchiveInstall::writeEntry(const QString& path, const EntryRead& read,
                                const std::function<void()>& afterChunk)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        cannotWrite(QFileInfo(path).path());
    FileDescriptor fd(::open(encoded(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        cannotWrite(path);
    const std::unique_ptr<char[]> buffer(new char[kChunk]);
    for (;;) {
        const qint64 n = read(buffer.get(), kChunk);
        if (n == 0)
            break;
        m_bytes += n;
        if (m_bytes > m_limits.bytes)
            refuse(m_archive, formatMessage(QStringLiteral("es entpackt zu mehr als %d MiB"), {QString::number(m_limits.bytes >> 20)}));
        qint64 written = 0;
        while (written < n) {
            const ssize_t w = ::write(fd.get(), buffer.get() + written, size_t(n - written));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                cannotWrite(path);
            written += w;
        }
        afterChunk();
    }
    // A full disk may show only when the last of the data is written out.
    if (::close(fd.release()) != 0)
        cannotWrite(path);
}

void ArchiveInstall::placePackages()
{
    QSet<QString> claimed;
    for (const Package& package : m_packages) {
        const auto present = [&](const QString& name) { return sameBytes(m_folder + u'/' + name, package.unpacked); };
        const auto taken = [&](const QString& name) { return lexists(m_folder + u'/' + name) || claimed.contains(name); };
        QString name = package.wanted;
        // Packages load in name order and the later wins, so one of the same
        // name is not replaced but added under the next free number.
        if (taken(name) && !present(name) && !(claimed.contains(name) && sameBytes(newPath(name), package.unpacked))) {
            const QString suffix = name.right(4);
            for (int n = 0;; ++n) {
                name = QStringLiteral("pak") + QString::number(n) + suffix;
                if (!taken(name) || present(name))
                    break;
            }
        }
        if (!m_result.packages.contains(name))
            m_result.packages.append(name);
        if (claimed.contains(name) || present(name)) {
            ::unlink(encoded(package.unpacked).constData());
            continue;
        }
        claimed.insert(name);
        if (!QDir().mkpath(m_temporary + QStringLiteral("/new"))
            || ::rename(encoded(package.unpacked).constData(), encoded(newPath(name)).constData()) != 0)
            cannotWrite(newPath(name));
        m_files.append(name);
    }
}

void ArchiveInstall::compareWithFolder()
{
    for (const QString& file : std::as_const(m_files)) {
        const QStringList parts = file.split(u'/');
        if (parts.size() == 2 && parts.at(0) == u"maps" && parts.at(1).endsWith(QStringLiteral(".bsp")))
            m_result.maps.append(parts.at(1).chopped(4));
    }
    QStringList kept;
    for (const QString& file : std::as_const(m_files)) {
        const QString placed = m_folder + u'/' + file;
        struct stat st {};
        if (::stat(encoded(placed).constData(), &st) != 0) {
            kept.append(file);
        } else if (!S_ISREG(st.st_mode)) {
            throw TolvexError(formatMessage(QStringLiteral("%s ist keine Datei und kann nicht ersetzt werden"), {placed}));
        } else if (sameBytes(placed, newPath(file))) {
            ::unlink(encoded(newPath(file)).constData());
        } else {
            kept.append(file);
            m_differing.append(file);
        }
    }
    m_files = kept;
}

ArchiveInstalled ArchiveInstall::commit(const InstallControl& control)
{
    if (m_temporary.isEmpty())
        return {};
    try {
        // The folders the moves need and the data folder lacks, shallowest first.
        QStringList folders;
        for (const QString& file : std::as_const(m_files)) {
            QString parent = parentOf(file);
            QStringList chain;
            while (!parent.isEmpty() && !folders.contains(parent) && !lexists(m_folder + u'/' + parent)) {
                chain.prepend(parent);
                parent = parentOf(parent);
            }
            folders += chain;
        }
        writeJournal(m_temporary, folders, m_files);
        for (const QString& made : std::as_const(folders)) {
            if (::mkdir(encoded(m_folder + u'/' + made).constData(), 0777) != 0)
                cannotWrite(m_folder + u'/' + made);
        }
        const qint64 total = m_files.size();
        for (qint64 i = 0; i < total; ++i) {
            const QString& file = m_files.at(i);
            const QByteArray placed = encoded(m_folder + u'/' + file);
            if (m_differing.contains(file)) {
                if (!QDir().mkpath(QFileInfo(m_temporary + QStringLiteral("/old/") + file).path())
                    || ::rename(placed.constData(), encoded(m_temporary + QStringLiteral("/old/") + file).constData()) != 0)
                    cannotWrite(m_folder + u'/' + file);
            }
            if (::rename(encoded(newPath(file)).constData(), placed.constData()) != 0)
                cannotWrite(m_folder + u'/' + file);
            if (control.progress)
                control.progress(i + 1, total);
        }
    } catch (...) {
        rollBack(std::exchange(m_temporary, {}), m_folder);
        throw;
    }
    // Without the journal the moves stand; what is left is only the replaced files.
    ::unlink(encoded(journalPath(m_temporary)).constData());
    QDir(std::exchange(m_temporary, {})).removeRecursively();
    m_lock.reset();
    m_result.files = m_files;
    return std::move(m_result);
}

void clearInstallLeftovers(const QString& folder)
{
    const QFileInfoList leftovers = QDir(folder).entryInfoList({kTemporaryPrefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& leftover : leftovers) {
        const QString temporary = leftover.absoluteFilePath();
        const FileDescriptor lock(::open(encoded(temporary + QStringLiteral("/lock")).constData(), O_RDWR | O_CLOEXEC));
        // The run that holds the lock is alive and its folder is its own.
        if (lock.get() >= 0 && ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        rollBack(temporary, folder);
    }
}

} // namespace tolvex
