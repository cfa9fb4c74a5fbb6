#include "gamefolder/GameFolder.h"

#include "gamefolder/ByteSource.h"
#include "gamefolder/ZipArchive.h"

namespace tolvex {

struct MapFiles::Open {
    QString package;
    std::unique_ptr<FileSource> pak;
    std::unique_ptr<ZipArchive> pk3;
};

MapFiles::MapFiles() : m(std::make_unique<Open>()) {}

MapFiles::~MapFiles() = default;

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
