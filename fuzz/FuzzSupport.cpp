#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

bool mapLumpsApart(QByteArrayView header)
{
    // The header itself is the first stretch; then the 19 lumps' offset and length.
    std::vector<std::pair<qint64, qint64>> stretches{{0, 8 + 19 * 8}};
    for (int i = 0; i < 19; ++i) {
        const qint64 length = qFromLittleEndian<qint32>(header.data() + 12 + i * 8);
        if (length != 0)
            stretches.emplace_back(qFromLittleEndian<qint32>(header.data() + 8 + i * 8), length);
    }
    for (std::size_t a = 0; a < stretches.size(); ++a) {
        for (std::size_t b = a + 1; b < stretches.size(); ++b) {
            const auto [aAt, aLength] = stretches[a];
            const auto [bAt, bLength] = stretches[b];
            if (aLength > 0 && bLength > 0 && aAt < bAt + bLength && bAt < aAt + aLength)
                return false;
        }
    }
    return true;
}

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
