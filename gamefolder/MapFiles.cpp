#include "gamefolder/GameFolder.h"

#include "gamefolder/BspFile.h"
#include "gamefolder/ByteSource.h"
#include "gamefolder/ZipArchive.h"

#include <QFile>

#include <algorithm>
#include <fcntl.h>
#include <optional>

namespace tolvex {

namespace {

// The heads of neighbouring maps of a package are read together up to this
// much, so that a package of small maps costs a few large reads rather than
// one per map, and the bytes read are still warm in the cache when parsed.
constexpr qint64 kMaxJointRead = 256 * 1024;
// Neighbours further apart than this are read each on its own: the bytes
// between them would cost more to read than a call.
constexpr qint64 kMaxJointGap = 16 * 1024;

qint64 headLength(const GameMap& map)
{
    return std::min(map.size, kFirstRead);
}

} // namespace

struct MapFiles::Open {
    // The folder of the last loose map, held open: the maps of a folder are
    // opened by name within it, so the path is not walked again for each.
    QByteArray folder;
    std::optional<FileDescriptor> folderFd;

    QByteArray package;
    std::unique_ptr<FileSource> pak;
    std::unique_ptr<ZipArchive> pk3;

    // The maps in the order the caller will ask for them, the next one, and
    // the place of the one being read when it came in that order.
    std::vector<const GameMap*> order;
    std::size_t next = 0;
    std::optional<std::size_t> current;

    // The bytes of the open package read last, from windowAt on.
    qint64 windowAt = 0;
    QByteArray window;
    // A lump read on its own; kept, like the window, so that its room is reused.
    QByteArray lump;

    [[nodiscard]] std::optional<QByteArrayView> inWindow(qint64 offset, qint64 length) const
    {
        if (offset < windowAt || offset - windowAt > window.size() || length > window.size() - (offset - windowAt))
            return std::nullopt;
        return QByteArrayView(window).sliced(offset - windowAt, length);
    }
};

MapFiles::MapFiles(std::vector<const GameMap*> order) : m(std::make_unique<Open>())
{
    m->order = std::move(order);
}

MapFiles::~MapFiles() = default;

int MapFiles::openLoose(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArrayView folder = slash < 0 ? QByteArrayView(".") : QByteArrayView(path).first(std::max<qsizetype>(slash, 1));
    if (!m->folderFd || m->folder != folder) {
        m->folder = folder.toByteArray();
        m->folderFd.emplace(::open(m->folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    if (m->folderFd->get() < 0)
        return -1;
    // Non-blocking, so that a pipe given a map's name cannot hold the scan.
    return ::openat(m->folderFd->get(), path.sliced(slash + 1).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

bool MapFiles::openPackage(const GameMap& map)
{
    if (map.file != m->package) {
        m->package = map.file;
        m->pak.reset();
        m->pk3.reset();
        m->window.resize(0);
        if (map.kind == GameMap::Kind::Pak)
            m->pak = FileSource::open(map.file);
        else
            m->pk3 = ZipArchive::open(map.file);
    }
    return map.kind == GameMap::Kind::Pak ? bool(m->pak) : bool(m->pk3);
}

std::optional<QByteArrayView> MapFiles::entityLump(const GameMap& map)
{
    m->current.reset();
    if (m->next < m->order.size() && m->order[m->next] == &map)
        m->current = m->next++;
    if (map.kind == GameMap::Kind::Loose) {
        const FileDescriptor fd(openLoose(map.file));
        return fd.get() < 0 ? std::nullopt : readEntityLump(fd.get(), m->lump);
    }
    if (map.kind == GameMap::Kind::Pak)
        return pakLump(map);
    std::optional<QByteArray> lump;
    read(map, [&lump](ByteSource& bytes) { lump = readEntityLump(bytes); });
    if (!lump)
        return std::nullopt;
    m->lump = *std::move(lump);
    return QByteArrayView(m->lump);
}

// Where the read of the map's head ends: with the heads of the maps asked for
// next where they follow it in the same package with little between them.
qint64 MapFiles::neighboursEnd(const GameMap& map)
{
    qint64 end = map.offset + headLength(map);
    if (!m->current)
        return end;
    const std::vector<const GameMap*>& order = m->order;
    for (std::size_t i = *m->current + 1; i < order.size(); ++i) {
        const GameMap& neighbour = *order[i];
        if (neighbour.kind != GameMap::Kind::Pak || neighbour.file != map.file || neighbour.offset < end
            || neighbour.offset - end > kMaxJointGap || neighbour.offset + headLength(neighbour) - map.offset > kMaxJointRead)
            break;
        end = neighbour.offset + headLength(neighbour);
    }
    return end;
}

std::optional<QByteArrayView> MapFiles::pakLump(const GameMap& map)
{
    const bool open = openPackage(map);
    std::optional<QByteArrayView> head = open ? m->inWindow(map.offset, headLength(map)) : std::nullopt;
    // The reads are checked against the package's real size, whatever its directory claims.
    if (open && !head && m->pak->read(map.offset, neighboursEnd(map) - map.offset, m->window)) {
        m->windowAt = map.offset;
        head = m->inWindow(map.offset, headLength(map));
    }
    const auto place = head ? entityLumpPlace(*head) : std::nullopt;
    if (!place || place->offset > map.size || place->length > map.size - place->offset)
        return std::nullopt;
    const qint64 at = map.offset + place->offset;
    if (const auto lump = m->inWindow(at, place->length))
        return untilNul(*lump);
    if (!m->pak->read(at, place->length, m->lump))
        return std::nullopt;
    return untilNul(m->lump);
}

bool MapFiles::read(const GameMap& map, const std::function<void(ByteSource&)>& use)
{
    if (map.kind == GameMap::Kind::Loose) {
        const auto file = FileSource::open(map.file);
        if (file)
            use(*file);
        return bool(file);
    }
    if (!openPackage(map))
        return false;
    if (map.kind == GameMap::Kind::Pak) {
        SliceSource inPackage(*m->pak, map.offset, map.size);
        use(inPackage);
        return true;
    }
    if (m->pk3->name(map.index) != map.entry)
        return false;
    const auto entry = m->pk3->entry(map.index, kMaxMapSize);
    if (entry)
        use(*entry);
    return bool(entry);
}

} // namespace tolvex
