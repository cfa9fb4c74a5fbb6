// The input as a package (.pak) and as a zip archive (.pk3). Every entry kept
// from a package directory lies inside the input, with a name of at most 56
// bytes; no more entries than the directory's real bytes hold. The map
// entries of either kind are read as maps, which must stay inside them. Read
// from the package as a file, with neighbouring maps read together, each
// entry's lump is the one read from its own bytes alone.

#include "FuzzSupport.h"

#include "gamefolder/BspFile.h"
#include "gamefolder/GameFolder.h"
#include "gamefolder/MapGeometry.h"
#include "gamefolder/MapRecord.h"
#include "gamefolder/PackFile.h"
#include "gamefolder/ZipArchive.h"
#include "platform/files/FileDescriptor.h"

#include <sys/mman.h>
#include <unistd.h>

using namespace tolvex;

namespace {

// Enough to reach every kind of entry without one input reading thousands.
constexpr qint64 kEntriesRead = 64;

// The package's maps read the way a scan reads them, from a file.
void readPackageFile(QByteArrayView input, const PackDirectory& directory)
{
    const FileDescriptor fd(::memfd_create("package", MFD_CLOEXEC));
    if (fd.get() < 0 || ::write(fd.get(), input.data(), size_t(input.size())) != input.size())
        return;
    MemorySource source(input);
    std::vector<GameMap> maps;
    for (const PackEntry& entry : directory.entries) {
        if (qint64(maps.size()) == kEntriesRead)
            break;
        maps.push_back(GameMap{.name = {}, .where = {}, .kind = GameMap::Kind::Pak,
                               .file = "/proc/self/fd/" + QByteArray::number(fd.get()), .entry = entry.name,
                               .offset = entry.offset, .size = entry.size});
    }
    std::vector<const GameMap*> order;
    for (const GameMap& map : maps)
        order.push_back(&map);
    MapFiles files(order);
    for (const GameMap& map : maps) {
        SliceSource alone(source, map.offset, map.size);
        const auto expected = readEntityLump(alone);
        const auto lump = files.entityLump(map);
        FUZZ_CHECK(lump.has_value() == expected.has_value(), QString::number(map.offset));
        FUZZ_CHECK(!lump || *lump == *expected, QString::number(map.offset));
    }
}

void readPackage(QByteArrayView input)
{
    MemorySource source(input);
    const auto directory = readPackDirectory(source, [](const QByteArray&) { return true; });
    if (!directory)
        return;
    FUZZ_CHECK(qint64(directory->entries.size()) + directory->outside <= input.size() / kPackEntrySize, QString());
    qint64 read = 0;
    for (const PackEntry& entry : directory->entries) {
        FUZZ_CHECK(entry.name.size() <= kPackNameSize && !entry.name.contains('\0'), QString::fromLatin1(entry.name.toHex()));
        FUZZ_CHECK(entry.offset >= 0 && entry.size >= 0 && entry.offset + entry.size <= input.size(),
                   QString::number(entry.offset));
        if (read++ < kEntriesRead) {
            SliceSource map(source, entry.offset, entry.size);
            if (const auto lump = readEntityLump(map))
                FUZZ_CHECK(lump->size() <= entry.size, QString());
        }
    }
    readPackageFile(input, *directory);
}

void readZip(QByteArrayView input)
{
    const auto archive = ZipArchive::fromBytes(input);
    if (!archive)
        return;
    for (qint64 i = 0; i < std::min(archive->count(), kEntriesRead); ++i) {
        // Names are the stored bytes; every one reads as some text.
        const QByteArray name = archive->name(i);
        FUZZ_CHECK(name.isEmpty() || !decodeMapText(name).isEmpty(), QString::fromLatin1(name.toHex()));
        if (const auto entry = archive->entry(i, kMaxMapSize)) {
            FUZZ_CHECK(entry->size() <= kMaxMapSize, QString::number(entry->size()));
            if (const auto lump = readEntityLump(*entry))
                FUZZ_CHECK(lump->size() <= kMaxEntityLump, QString());
            // The geometry is read front to back, each lump once.
            if (const auto geometry = readMapGeometry(*entry))
                FUZZ_CHECK(qsizetype(geometry->points.size()) <= entry->size() / 4, QString());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    readPackage(input);
    readZip(input);
    return 0;
}
