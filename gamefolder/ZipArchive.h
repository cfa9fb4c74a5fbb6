#pragma once

#include "gamefolder/ByteSource.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct zip;

namespace tolvex {

// A zip archive (.pk3) opened for reading through libzip.
class ZipArchive {
public:
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Nothing when the file cannot be opened or is no zip archive.
    // The path is taken as the system's bytes.
    [[nodiscard]] static std::unique_ptr<ZipArchive> open(const QByteArray& path);
    // The archive in these bytes, which must outlive it.
    [[nodiscard]] static std::unique_ptr<ZipArchive> fromBytes(QByteArrayView bytes);

    [[nodiscard]] qint64 count() const;
    // The name of an entry as stored, its bytes unconverted (decodeMapText
    // reads them as every other file name), empty for a bad index.
    [[nodiscard]] QByteArray name(qint64 index) const;
    // An entry's uncompressed bytes by position, or nothing for an entry that
    // cannot be read (a directory, encrypted, an unknown method) or that
    // claims more than maxSize bytes or more than kMaxPackingRatio times its
    // packed size: such an entry is refused before anything of it is
    // unpacked. It reads through the archive, which must outlive it.
    [[nodiscard]] std::unique_ptr<ByteSource> entry(qint64 index, qint64 maxSize);

private:
    explicit ZipArchive(struct zip* archive) : m_archive(archive) {}
    struct zip* m_archive;
};

// Deflate packs real data a few times, runs of one byte up to about a
// thousand times; an entry claiming more is built to inflate a few kilobytes
// into gigabytes.
inline constexpr qint64 kMaxPackingRatio = 1000;

} // namespace tolvex
