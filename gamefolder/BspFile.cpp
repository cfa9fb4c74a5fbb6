#include "gamefolder/BspFile.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvex {

namespace {

QByteArray cutAtNul(QByteArray lump)
{
    const qsizetype end = lump.indexOf('\0');
    if (end >= 0)
        lump.truncate(end);
    return lump;
}

// Up to length bytes from offset; fewer only where the file ends, or
// nothing when it cannot be read.
std::optional<qint64> readAt(int fd, char* into, qint64 length, qint64 offset)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, into + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        done += n;
        // A regular file reads short only at its end; asking again would cost a call per map.
        if (done < length)
            break;
    }
    return done;
}

} // namespace

std::optional<BspFormat> bspFormat(QByteArrayView header)
{
    if (header.size() < kBspHeaderSize || qFromLittleEndian<qint32>(header.data() + 4) != kBspVersion)
        return std::nullopt;
    if (header.startsWith("IBSP"))
        return BspFormat::Ibsp;
    if (header.startsWith("QBSP"))
        return BspFormat::Qbsp;
    return std::nullopt;
}

bool lumpsOverlap(QByteArrayView header)
{
    // The header counts as a lump: no lump's bytes are the directory's.
    std::array<LumpPlace, kBspLumpCount + 1> lumps;
    lumps[0] = {0, kBspHeaderSize};
    int used = 1;
    for (int i = 0; i < kBspLumpCount; ++i) {
        const char* entry = header.data() + 8 + i * 8;
        const LumpPlace lump{qFromLittleEndian<qint32>(entry), qFromLittleEndian<qint32>(entry + 4)};
        // Empty lumps hold no bytes, wherever they point; one of a negative size is refused when read.
        if (lump.length > 0)
            lumps[std::size_t(used++)] = lump;
    }
    std::sort(lumps.begin(), lumps.begin() + used, [](const LumpPlace& a, const LumpPlace& b) { return a.offset < b.offset; });
    for (int i = 1; i < used; ++i) {
        if (lumps[std::size_t(i - 1)].offset + lumps[std::size_t(i - 1)].length > lumps[std::size_t(i)].offset)
            return true;
    }
    return false;
}

std::optional<LumpPlace> entityLumpPlace(QByteArrayView header)
{
    if (!bspFormat(header) || lumpsOverlap(header))
        return std::nullopt;
    const LumpPlace place{qFromLittleEndian<qint32>(header.data() + 8), qFromLittleEndian<qint32>(header.data() + 12)};
    if (place.offset < 0 || place.length < 0 || place.length > kMaxEntityLump)
        return std::nullopt;
    return place;
}

QByteArrayView untilNul(QByteArrayView lump)
{
    const qsizetype end = lump.indexOf('\0');
    return end >= 0 ? lump.first(end) : lump;
}

std::optional<QByteArray> readEntityLump(ByteSource& source)
{
    auto head = source.read(0, std::min(source.size(), kFirstRead));
    // A packed entry may hold fewer bytes than its archive claims; its lump may still lie in them.
    if (!head)
        head = source.read(0, kBspHeaderSize);
    const auto place = head ? entityLumpPlace(*head) : std::nullopt;
    if (!place)
        return std::nullopt;
    if (place->offset <= head->size() && place->length <= head->size() - place->offset)
        return cutAtNul(head->sliced(place->offset, place->length));
    auto lump = source.read(place->offset, place->length);
    if (!lump)
        return std::nullopt;
    return cutAtNul(*std::move(lump));
}

std::optional<QByteArrayView> readEntityLump(int fd, QByteArray& buffer)
{
    buffer.resize(kFirstRead);
    const auto got = readAt(fd, buffer.data(), buffer.size(), 0);
    const auto place = got ? entityLumpPlace(QByteArrayView(buffer.constData(), *got)) : std::nullopt;
    if (!place)
        return std::nullopt;
    if (place->offset <= *got && place->length <= *got - place->offset)
        return untilNul(QByteArrayView(buffer).sliced(place->offset, place->length));
    // A lump beyond the first read: its size is checked against the file's
    // before anything is allocated for it.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || place->offset > st.st_size
        || place->length > st.st_size - place->offset)
        return std::nullopt;
    buffer.resize(place->length);
    const auto read = readAt(fd, buffer.data(), buffer.size(), place->offset);
    if (!read || *read != place->length)
        return std::nullopt;
    return untilNul(buffer);
}

} // namespace tolvex
