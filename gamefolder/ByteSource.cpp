#include "gamefolder/ByteSource.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvex {

std::optional<QByteArray> MemorySource::read(qint64 offset, qint64 length)
{
    if (!inside(offset, length))
        return std::nullopt;
    return m_bytes.sliced(offset, length).toByteArray();
}

std::unique_ptr<FileSource> FileSource::open(const QString& path)
{
    return open(QFile::encodeName(path));
}

std::unique_ptr<FileSource> FileSource::open(const QByteArray& path)
{
    // Non-blocking, so that a pipe given a map's name cannot hold the scan.
    FileDescriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    return std::unique_ptr<FileSource>(new FileSource(fd.release(), qint64(st.st_size)));
}

std::optional<QByteArray> FileSource::read(qint64 offset, qint64 length)
{
    QByteArray bytes;
    if (!read(offset, length, bytes))
        return std::nullopt;
    return bytes;
}

bool FileSource::read(qint64 offset, qint64 length, QByteArray& bytes)
{
    bytes.resize(0);
    if (!inside(offset, length))
        return false;
    bytes.resize(length);
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_fd.get(), bytes.data() + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        // A file that shrank since it was opened reads as damaged.
        if (n <= 0) {
            bytes.resize(0);
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace tolvex
