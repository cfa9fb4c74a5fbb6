#include "platform/SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
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
bool writeProtected(const QByteArray& path)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return false;
    return ::access(path.constData(), W_OK) != 0 || (st.st_mode & 0222) == 0;
}

class FdCloser {
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser() { if (m_fd >= 0) ::close(m_fd); }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;
    [[nodiscard]] int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
private:
    int m_fd;
};

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

} // namespace

std::optional<SaveFailure> saveAtomically(const QString& path, QByteArrayView data)
{
    ignoreFileSizeSignal();
    if (path.isEmpty())
        return SaveFailure::CannotCreate;

    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());

    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return SaveFailure::CannotCreate;
    if ((exists && writeProtected(target)) || writeProtected(folder))
        return SaveFailure::CannotCreate;

    QByteArray temp = target + ".tmp-XXXXXX";
    FdCloser fd(::mkstemp(temp.data()));
    if (fd.get() < 0)
        return SaveFailure::CannotCreate;
    const auto fail = [&](SaveFailure why) {
        ::unlink(temp.constData());
        return why;
    };

    // New files get what the user's umask allows, as an ordinary create would.
    mode_t mode = 0;
    if (exists) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd.get(), mode) != 0)
        return fail(SaveFailure::CannotCreate);
    if (exists && ::geteuid() == 0)
        (void)::fchown(fd.get(), old.st_uid, old.st_gid);

    if (!writeAll(fd.get(), data) || ::fsync(fd.get()) != 0)
        return fail(SaveFailure::WriteFailed);
    if (::close(fd.release()) != 0)
        return fail(SaveFailure::WriteFailed);
    if (::rename(temp.constData(), target.constData()) != 0)
        return fail(SaveFailure::CannotCreate);

    // The rename itself must survive a power loss too.
    FdCloser dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        (void)::fsync(dir.get());
    return std::nullopt;
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

} // namespace tolvex
