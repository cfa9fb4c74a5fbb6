#include "FuzzSupport.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace tolvex::fuzz {

namespace {

QByteArray& scratchName()
{
    static QByteArray name;
    return name;
}

void removeScratch()
{
    QDir(QFile::decodeName(scratchName())).removeRecursively();
}

} // namespace

const QString& scratchDir()
{
    static const QString dir = [] {
        const char* base = QDir(QStringLiteral("/dev/shm")).exists() ? "/dev/shm" : "/tmp";
        scratchName() = QByteArray(base) + "/tolvex-fuzz-XXXXXX";
        if (!::mkdtemp(scratchName().data()))
            failure("mkdtemp", QString::fromLocal8Bit(scratchName()));
        std::atexit(removeScratch);
        return QFile::decodeName(scratchName());
    }();
    return dir;
}

void putFile(const QString& path, const std::uint8_t* data, std::size_t size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        failure("putFile", path);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        failure("fileBytes", path);
    return file.readAll();
}

void failure(const char* what, const QString& detail)
{
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, detail.left(2000).toLocal8Bit().constData());
    std::abort();
}

} // namespace tolvex::fuzz
