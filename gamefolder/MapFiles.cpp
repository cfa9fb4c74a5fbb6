#include "gamefolder/GameFolder.h"

#include "gamefolder/BspFile.h"
#include "gamefolder/ByteSource.h"
#include "gamefolder/ZipArchive.h"

#include <QFile>

#include <algorithm>
#include <fcntl.h>
#include <optional>

namespace tolvex {

struct MapFiles::Open {
    // The folder of the last loose map, held open: the maps of a folder are
    // opened by name within it, so the path is not walked again for each.
    QString folder;
    std::optional<FileDescriptor> folderFd;

    QString package;
    std::unique_ptr<FileSource> pak;
    std::unique_ptr<ZipArchive> pk3;
};

MapFiles::MapFiles() : m(std::make_unique<Open>()) {}

MapFiles::~MapFiles() = default;

int MapFiles::openLoose(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QStringView folder = slash < 0 ? QStringView(u".") : QStringView(path).first(std::max<qsizetype>(slash, 1));
    if (!m->folderFd || m->folder != folder) {
        m->folder = folder.toString();
        m->folderFd.emplace(::open(QFile::encodeName(m->folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    if (m->folderFd->get() < 0)
        return -1;
    // Non-blocking, so that a pipe given a map's name cannot hold the scan.
    return ::openat(m->folderFd->get(), QFile::encodeName(path.sliced(slash + 1)).constData(),
                    O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

std::optional<QByteArray> MapFiles::entityLump(const GameMap& map)
{
    if (map.kind == GameMap::Kind::Loose) {
        const FileDescriptor fd(openLoose(map.file));
        return fd.get() < 0 ? std::nullopt : readEntityLump(fd.get());
    }
    std::optional<QByteArray> lump;
    read(map, [&lump](ByteSource& bytes) { lump = readEntityLump(bytes); });
    return lump;
}

bool MapFiles::read(const GameMap& map, const std::function<void(ByteSource&)>& use)
{
    if (map.kind == GameMap::Kind::Loose) {
        const auto file = FileSource::open(map.file);
        if (file)
            use(*file);
        return bool(file);
    }
    if (map.file != m->package) {
        m->package = map.file;
        m->pak.reset();
        m->pk3.reset();
        if (map.kind == GameMap::Kind::Pak)
            m->pak = FileSource::open(map.file);
        else
            m->pk3 = ZipArchive::open(map.file);
    }
    if (map.kind == GameMap::Kind::Pak) {
        if (!m->pak)
            return false;
        SliceSource inPackage(*m->pak, map.offset, map.size);
        use(inPackage);
        return true;
    }
    if (!m->pk3 || m->pk3->name(map.index) != map.entry)
        return false;
    const auto entry = m->pk3->entry(map.index);
    if (entry)
        use(*entry);
    return bool(entry);
}

} // namespace tolvex
