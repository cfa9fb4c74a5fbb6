#include "gamefolder/BspFile.h"
#include "gamefolder/GameFolder.h"
#include "gamefolder/MapGeometry.h"
#include "gamefolder/ZipArchive.h"
#include "tools/MapWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

using namespace tolvex;

namespace {

constexpr qint64 kGiB = qint64(1) << 30;
// Nearly a gigabyte, a whole number of elements of every geometry lump.
constexpr qint64 kClaimed = qint64(2280) * 470000;

// The lumps a plan reads: planes, vertices, texture infos, faces, edges, surface edges.
constexpr int kGeometryLumps[] = {1, 2, 5, 6, 11, 12};

void setLump(QByteArray& header, int lump, qint64 offset, qint64 length)
{
    qToLittleEndian<qint32>(qint32(offset), header.data() + 8 + lump * 8);
    qToLittleEndian<qint32>(qint32(length), header.data() + 12 + lump * 8);
}

// A sparse file of the size that starts with the bytes: a few KiB on the disk.
void putSparse(const QString& path, const QByteArray& start, qint64 size)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(start), start.size());
    QVERIFY(file.resize(size));
}

// The kilobytes of address space this process holds now.
long addressSpaceKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:"))
            return line.mid(7).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Runs the check in a child whose address space may grow by the headroom
// only; true when it ran to its end and the check held. A reader that
// allocates by what a file claims dies there instead of taking the machine.
bool holdsWithin(qint64 headroom, const std::function<bool()>& check)
{
    const long used = addressSpaceKb();
    if (used < 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        const rlim_t limit = rlim_t(used) * 1024 + rlim_t(headroom);
        const struct rlimit rl{limit, limit};
        ::setrlimit(RLIMIT_AS, &rl);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

GameMap looseMap(const QString& path)
{
    GameMap map;
    map.name = QFileInfo(path).completeBaseName();
    map.file = QFile::encodeName(path);
    return map;
}

} // namespace

class HostileMapsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    // Six lumps naming one stretch of a sparse gigabyte would each be read
    // whole; lumps that overlap mark a damaged map, refused for its plan and
    // its record before anything is read. A map bigger than any real one is
    // refused for its plan however its lumps lie.
    void overlappingOrHugeMapsAreRefusedWithinAnAddressSpaceLimit()
    {
        const QByteArray text = "{ \"classname\" \"worldspawn\" \"message\" \"Big\" }";
        QByteArray overlapping = mapwriter::bspFile(text);
        for (const int lump : kGeometryLumps)
            setLump(overlapping, lump, kBspHeaderSize + 1024, kClaimed);
        const QString overlapped = m_dir.filePath(QStringLiteral("overlap.bsp"));
        putSparse(overlapped, overlapping, kGiB);

        QByteArray oneHugeLump = mapwriter::bspFile(text);
        setLump(oneHugeLump, 6, kBspHeaderSize + 1024, kClaimed);
        const QString huge = m_dir.filePath(QStringLiteral("huge.bsp"));
        putSparse(huge, oneHugeLump, kGiB);

        QVERIFY(lumpsOverlap(overlapping));
        QVERIFY(!lumpsOverlap(oneHugeLump));
        QVERIFY(!lumpsOverlap(mapwriter::mapFile(QStringLiteral("box 0 0 0 64 64 64"))));
        QVERIFY(holdsWithin(256 << 20, [&] {
            GeometryReader reader;
            return !reader.geometryOf(looseMap(overlapped)) && !mapRecordOf(looseMap(overlapped))
                && !reader.geometryOf(looseMap(huge)) && mapRecordOf(looseMap(huge));
        }));
        // The limit is what stops a reader that does allocate by the claim.
        QVERIFY(!holdsWithin(256 << 20, [] { return QByteArray(kGiB, '\0').size() == kGiB; }));

        // The header is no lump's either.
        QByteArray intoHeader = mapwriter::bspFile(text);
        setLump(intoHeader, 2, 8, 12);
        QVERIFY(lumpsOverlap(intoHeader));
        // Empty lumps hold no bytes, wherever they point.
        QByteArray empties = mapwriter::bspFile(text);
        setLump(empties, 2, 8, 0);
        setLump(empties, 3, 8, 0);
        QVERIFY(!lumpsOverlap(empties));
    }

    // An entry that inflates from a few kilobytes to many megabytes is
    // refused before any of it is unpacked; a real map of the same archive
    // is read, once for its plan, in the order its lumps lie.
    void packageBombsAreRefusedBeforeUnpacking()
    {
        const QByteArray room = mapwriter::mapFile(QStringLiteral("entity worldspawn message=\"Room\"\n"
                                                                  "box -256 -256 -16 256 256 0"));
        const QByteArray zeros(8 << 20, '\0');
        QByteArray bomb = mapwriter::bspFile("{ \"classname\" \"worldspawn\" }");
        const QByteArray* const bombBytes = &bomb;
        bomb += QByteArray(zeros.size() - bomb.size(), '\0');
        const QString path = m_dir.filePath(QStringLiteral("game/baseq2/bombs.pk3"));
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        int error = 0;
        zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        QVERIFY(archive);
        for (const auto& [name, data] : {std::pair{"maps/bomb.bsp", bombBytes}, std::pair{"maps/room.bsp", &room}}) {
            zip_source_t* source = zip_source_buffer(archive, data->constData(), zip_uint64_t(data->size()), 0);
            const zip_int64_t index = source ? zip_file_add(archive, name, source, 0) : -1;
            QVERIFY(index >= 0);
            // bzip2 packs a run of zeros tens of thousands of times.
            if (data == bombBytes)
                QCOMPARE(zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_BZIP2, 0), 0);
        }
        QCOMPARE(zip_close(archive), 0);
        QVERIFY(QFileInfo(path).size() < (64 << 10));

        const auto opened = ZipArchive::open(QFile::encodeName(path));
        QVERIFY(opened);
        QVERIFY(!opened->entry(0, kMaxMapSize));
        QVERIFY(opened->entry(1, kMaxMapSize));
        // Not even a map of an allowed packing is unpacked past the bound.
        QVERIFY(!opened->entry(1, room.size() - 1));

        const GameMaps found = findMaps(m_dir.filePath(QStringLiteral("game")));
        QCOMPARE(found.maps.size(), std::size_t(2));
        GeometryReader reader;
        QVERIFY(!mapRecordOf(found.maps[0]));
        QVERIFY(!reader.geometryOf(found.maps[0]));
        const auto geometry = reader.geometryOf(found.maps[1]);
        QVERIFY(geometry && !geometry->faces.empty() && geometry->skippedLumps == 0);
        QCOMPARE(mapRecordOf(found.maps[1])->texts().at(Field::Level), QStringLiteral("Room"));
    }
};

QTEST_GUILESS_MAIN(HostileMapsTest)
#include "hostileMapsTest.moc"
