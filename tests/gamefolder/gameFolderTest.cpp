#include "gamefolder/BspFile.h"
#include "gamefolder/EntityText.h"
#include "gamefolder/GameFolder.h"
#include "gamefolder/MapGeometry.h"
#include "gamefolder/MapRecord.h"
#include "gamefolder/PackFile.h"
#include "gamefolder/ZipArchive.h"
#include "platform/dialogs/TolvexError.h"
#include "tests/support/TestFiles.h"
#include "tools/MapWriter.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

using namespace tolvex;

namespace {

QByteArray mapWithTitle(const QByteArray& title)
{
    return mapwriter::bspFile(QByteArray("{ \"classname\" \"worldspawn\" \"message\" \"" + title + "\" }"));
}

void putFile(const QString& path, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    put(path, bytes);
}

void putZip(const QString& path, const std::vector<std::pair<QByteArray, QByteArray>>& files)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    QVERIFY(archive);
    for (const auto& [name, data] : files) {
        zip_source_t* source = zip_source_buffer(archive, data.constData(), zip_uint64_t(data.size()), 0);
        QVERIFY(source && zip_file_add(archive, name.constData(), source, 0) >= 0);
    }
    QCOMPARE(zip_close(archive), 0);
}

QStringList namesAndPlaces(const GameMaps& found)
{
    QStringList out;
    for (const GameMap& map : found.maps)
        out << map.name + u'@' + QDir(found.folders.first()).relativeFilePath(map.where);
    return out;
}

// A file whose folder and name are bytes in no particular encoding.
void putRaw(const QByteArray& folder, const QByteArray& name, const QByteArray& bytes)
{
    QByteArray path;
    for (const QByteArray& part : folder.split('/')) {
        path += part + '/';
        (void)::mkdir(path.constData(), 0755);
    }
    FILE* file = std::fopen(QByteArray(path + name).constData(), "wb");
    QVERIFY(file);
    QCOMPARE(std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file), size_t(bytes.size()));
    QCOMPARE(std::fclose(file), 0);
}

QString titleOf(const GameMap& map)
{
    const auto record = mapRecordOf(map);
    return record ? record->texts().at(Field::Level) : QStringLiteral("<unreadable>");
}

QByteArray lumpOf(const QByteArray& bsp)
{
    return bsp.sliced(qFromLittleEndian<qint32>(bsp.constData() + 8), qFromLittleEndian<qint32>(bsp.constData() + 12));
}

// The map with its entity lump moved to the offset, the gap filled with zeros.
QByteArray movedLump(const QByteArray& bsp, qint64 offset)
{
    QByteArray moved = bsp.first(kBspHeaderSize) + QByteArray(offset - kBspHeaderSize, '\0') + lumpOf(bsp);
    qToLittleEndian<qint32>(qint32(offset), moved.data() + 8);
    return moved;
}

QByteArray withLumpLength(QByteArray bsp, qint64 length)
{
    qToLittleEndian<qint32>(qint32(length), bsp.data() + 12);
    return bsp;
}

std::optional<PackDirectory> directoryOf(const QByteArray& bytes)
{
    MemorySource source(bytes);
    return readPackDirectory(source, [](const QByteArray&) { return true; });
}

} // namespace

class GameFolderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void packDirectoryTakesNamesOfAllFiftySixBytes()
    {
        const QByteArray longName = "maps/" + QByteArray(47, 'a') + ".bsp";
        QCOMPARE(longName.size(), kPackNameSize);
        const auto dir = directoryOf(mapwriter::pakFile({{longName, "12345"}, {"maps/b.bsp", "xy"}}));
        QVERIFY(dir);
        QCOMPARE(dir->entries.size(), size_t(2));
        QCOMPARE(dir->entries[0].name, longName);
        QCOMPARE(dir->entries[0].size, 5);
        QCOMPARE(dir->entries[1].name, QByteArray("maps/b.bsp"));
        QCOMPARE(dir->entries[1].offset, 12 + 5);
    }

    void packEntryPastTheEndIsCountedNotKept()
    {
        QByteArray pak = mapwriter::pakFile({{"maps/a.bsp", "aaaa"}, {"maps/b.bsp", "bbbb"}});
        // The second entry's size now reaches one byte beyond the file.
        const qsizetype sizeField = pak.size() - 4;
        qToLittleEndian<qint32>(qint32(pak.size() - 16 + 1), pak.data() + sizeField);
        const auto dir = directoryOf(pak);
        QVERIFY(dir);
        QCOMPARE(dir->entries.size(), size_t(1));
        QCOMPARE(dir->outside, 1);
    }

    void packDirectoryClaimingMoreThanTheFileIsRefused_data()
    {
        QTest::addColumn<qint32>("dirOffset");
        QTest::addColumn<qint32>("dirLength");
        QTest::newRow("millions of entries") << qint32(12) << qint32(64 * 30'000'000);
        QTest::newRow("negative length") << qint32(12) << qint32(-64);
        QTest::newRow("offset past the end") << qint32(0x7fffffff) << qint32(64);
        QTest::newRow("negative offset") << qint32(-1) << qint32(64);
    }
    void packDirectoryClaimingMoreThanTheFileIsRefused()
    {
        QByteArray pak = mapwriter::pakFile({{"maps/a.bsp", "aaaa"}});
        QFETCH(qint32, dirOffset);
        QFETCH(qint32, dirLength);
        qToLittleEndian<qint32>(dirOffset, pak.data() + 4);
        qToLittleEndian<qint32>(dirLength, pak.data() + 8);
        QVERIFY(!directoryOf(pak));
        QVERIFY(!directoryOf(QByteArray("PACK", 4)));
        QVERIFY(!directoryOf(QByteArray("PAKC") + QByteArray(8, '\0')));
    }

    void precedenceBaseq2ThenNameOrderLooseBeforePackages()
    {
        const QTemporaryDir game;
        const QString g = game.path();
        putFile(g + "/aaa/maps/dm1.bsp", mapWithTitle("from aaa"));
        putFile(g + "/baseq2/MAPS/Q2DM1.BSP", mapWithTitle("loose baseq2"));
        putFile(g + "/baseq2/pak0.pak",
                mapwriter::pakFile({{"maps/q2dm1.bsp", mapWithTitle("pak baseq2")}, {"maps/dm1.bsp", mapWithTitle("pak dm1")},
                                    {"maps/sub/deep.bsp", mapWithTitle("not a map of the folder")},
                                    {"textures/x.wal", "x"}}));
        putFile(g + "/ctf/maps/Dm1.bsp", mapWithTitle("from ctf"));
        putFile(g + "/ctf/maps/ctf1.bsp", mapWithTitle("Flags"));
        putFile(g + "/ctf/maps/readme.txt", "no map");
        putFile(g + "/maps/top.bsp", mapWithTitle("beside the mods, not in one"));

        const GameMaps found = findMaps(g);
        QCOMPARE(namesAndPlaces(found), (QStringList{"ctf1@ctf/maps/ctf1.bsp", "dm1@baseq2/pak0.pak:maps/dm1.bsp",
                                                     "Q2DM1@baseq2/MAPS/Q2DM1.BSP"}));
        QCOMPARE(found.skipped, 0);
        QCOMPARE(titleOf(found.maps[1]), QStringLiteral("pak dm1"));
        QCOMPARE(titleOf(found.maps[2]), QStringLiteral("loose baseq2"));
        QVERIFY(found.contains(u"q2dm1"));
        QVERIFY(found.contains(u"CTF1"));
        QVERIFY(!found.contains(u"ctf"));
        QVERIFY(!found.contains(u"top"));
    }

    void mapsInZipArchivesAreRead()
    {
        const QTemporaryDir game;
        putZip(game.path() + "/mymod/b.pk3", {{"maps/zipped.bsp", mapWithTitle("in a zip b")}});
        putZip(game.path() + "/mymod/a.PK3",
               {{"Maps/Zipped.bsp", mapWithTitle("in a zip a")}, {"maps/other.bsp", "not a map"}, {"readme.txt", "x"}});
        const GameMaps found = findMaps(game.path());
        QCOMPARE(namesAndPlaces(found), (QStringList{"other@mymod/a.PK3:maps/other.bsp", "Zipped@mymod/a.PK3:Maps/Zipped.bsp"}));
        QCOMPARE(titleOf(found.maps[1]), QStringLiteral("in a zip a"));
        QCOMPARE(titleOf(found.maps[0]), QStringLiteral("<unreadable>"));
    }

    void everyPackageKindAndNameEncodingIsRead()
    {
        const QTemporaryDir game;
        const QString g = game.path();
        putZip(g + "/baseq2/a.pk2", {{"maps/pk2.bsp", mapWithTitle("pk2")}});
        putZip(g + "/baseq2/b.PKZ", {{"maps/pkz.bsp", mapWithTitle("pkz")}});
        putZip(g + "/baseq2/c.zip", {{"maps/zip.bsp", mapWithTitle("zip")}, {"maps/caf\xe9zip.bsp", mapWithTitle("z")}});
        putZip(g + "/baseq2/Q2Game.kpf", {{"maps/kpf.bsp", mapWithTitle("kpf")}});
        putZip(g + "/baseq2/other.kpf", {{"maps/notapackage.bsp", mapWithTitle("no")}});
        putFile(g + "/baseq2/pak0.pak", mapwriter::pakFile({{"maps/caf\xe9pak.bsp", mapWithTitle("p")},
                                                            {"maps/x+y.bsp", mapWithTitle("x")},
                                                            {"maps/$(id).bsp", mapWithTitle("x")}}));
        // Latin-1 in a mod folder's name and in a loose map's, as older systems wrote them.
        putRaw(QFile::encodeName(g) + "/m\xf6" "d/maps", "caf\xe9l1.bsp", mapWithTitle("loose"));

        const GameMaps found = findMaps(g);
        QStringList names;
        QStringList titles;
        for (const GameMap& map : found.maps) {
            names << map.name;
            titles << titleOf(map);
        }
        QCOMPARE(names, (QStringList{QStringLiteral("cafél1"), QStringLiteral("cafépak"), QStringLiteral("cafézip"), "kpf", "pk2", "pkz", "zip"}));
        QCOMPARE(titles, (QStringList{"loose", "p", "z", "kpf", "pk2", "pkz", "zip"}));
        // The names the game cannot be started on.
        QCOMPARE(found.skipped, 2);
        // QTemporaryDir cannot remove what it cannot name.
        const QByteArray mod = QFile::encodeName(g) + "/m\xf6" "d";
        QCOMPARE(::unlink(QByteArray(mod + "/maps/caf\xe9l1.bsp").constData()) | ::rmdir(QByteArray(mod + "/maps").constData()) | ::rmdir(mod.constData()), 0);
    }

    void qbspMapsGiveRecordsAndGeometryLikeIbspMaps()
    {
        const QString description = QStringLiteral("entity worldspawn message=Today\nentity info_player_deathmatch * 3\n"
                                                   "box -64 -64 -16 64 64 0\nbox -64 -64 0 -48 64 128 notop");
        const QByteArray qbsp = mapwriter::mapFile(description, mapwriter::Format::Qbsp);
        QVERIFY(qbsp.startsWith("QBSP") && qbsp.contains("BSPX"));
        MemorySource source(qbsp);
        const auto lump = readEntityLump(source);
        QVERIFY(lump);
        const auto record = mapRecordOfText(QStringLiteral("today"), *lump);
        QVERIFY(record);
        QCOMPARE(record->texts().at(Field::Level), QStringLiteral("Today"));
        QCOMPARE(record->texts().at(Field::MaxPlayer), QStringLiteral("3"));

        MemorySource wide(qbsp);
        const QByteArray ibsp = mapwriter::mapFile(description);
        MemorySource narrow(ibsp);
        const auto geometry = readMapGeometry(wide);
        const auto classic = readMapGeometry(narrow);
        QVERIFY(geometry && classic);
        QCOMPARE(geometry->skippedLumps + geometry->skippedFaces, 0);
        QCOMPARE(geometry->faces.size(), classic->faces.size());
        QCOMPARE(geometry->points.size(), classic->points.size());
        for (std::size_t i = 0; i < geometry->points.size(); ++i)
            QVERIFY(geometry->points[i].x == classic->points[i].x && geometry->points[i].z == classic->points[i].z);
    }

    void readerKeepingPackagesOpenReadsEachMapFromItsOwn()
    {
        const QTemporaryDir game;
        const QString g = game.path();
        putFile(g + "/baseq2/pak0.pak", mapwriter::pakFile({{"maps/p1.bsp", mapWithTitle("P1")}, {"maps/p2.bsp", mapWithTitle("P2")}}));
        putFile(g + "/baseq2/pak1.pak", mapwriter::pakFile({{"maps/q1.bsp", mapWithTitle("Q1")}}));
        putZip(g + "/baseq2/z.pk3", {{"maps/p0.bsp", mapWithTitle("Z0")}, {"maps/z1.bsp", mapWithTitle("Z1")}});
        putFile(g + "/baseq2/maps/l1.bsp", mapWithTitle("L1"));
        const GameMaps found = findMaps(g);
        MapReader reader;
        QStringList titles;
        for (const GameMap& map : found.maps) {
            const auto record = reader.recordOf(map);
            titles << (record ? record->texts().at(Field::Level) : QStringLiteral("<unreadable>"));
        }
        QCOMPARE(titles, (QStringList{"L1", "Z0", "P1", "P2", "Q1", "Z1"}));
    }

    // Neighbouring maps of a package are read together, each still only from
    // its own bytes, whatever order they are asked in.
    void packageMapsReadTogetherKeepToTheirOwnBytes()
    {
        const QByteArray a = mapWithTitle("A");
        std::vector<std::pair<QByteArray, QByteArray>> files{
            {"maps/a.bsp", a},
            {"textures/x.wal", QByteArray(1000, 'x')},
            {"maps/b.bsp", movedLump(mapWithTitle("B"), 2 * kFirstRead)},
            {"maps/c.bsp", mapWithTitle("C")},
            {"sound/far.wav", QByteArray(40000, 's')},
            {"maps/d.bsp", mapWithTitle("D")},
            // Its lump runs into the next map's bytes, which are read with it.
            {"maps/e.bsp", withLumpLength(mapWithTitle("E"), lumpOf(a).size() + 200)},
            {"maps/f.bsp", mapWithTitle("F")},
        };
        QStringList expected{"A", "B", "C", "D", "<unreadable>", "F"};
        // Enough maps of 10 KiB for more than one joint read.
        for (int n = 0; n < 40; ++n) {
            const QByteArray title = "M" + QByteArray::number(n);
            const QByteArray map = movedLump(mapWithTitle(title), 8000);
            files.emplace_back("maps/m" + QByteArray::number(n).rightJustified(2, '0') + ".bsp", map + QByteArray(10240 - map.size(), '\0'));
            expected << title;
        }
        const QTemporaryDir game;
        putFile(game.path() + "/baseq2/pak0.pak", mapwriter::pakFile(files));
        const GameMaps found = findMaps(game.path());
        std::vector<const GameMap*> order;
        for (const GameMap& map : found.maps)
            order.push_back(&map);

        const auto titles = [&](const std::vector<const GameMap*>& asked) {
            MapReader reader(order);
            QStringList titles;
            for (const GameMap* map : asked) {
                const auto record = reader.recordOf(*map);
                titles << (record ? record->texts().at(Field::Level) : QStringLiteral("<unreadable>"));
            }
            return titles;
        };
        QCOMPARE(titles(order), expected);
        std::vector<const GameMap*> reversed(order.rbegin(), order.rend());
        std::reverse(expected.begin(), expected.end());
        QCOMPARE(titles(reversed), expected);
    }

    void hostileEntriesAreSkippedAndCounted()
    {
        const QTemporaryDir game;
        const QString maps = game.path() + "/baseq2/maps";
        putFile(maps + "/good.bsp", mapWithTitle("Good"));
        putFile(maps + "/sixteen_letters_.bsp", mapWithTitle("too long a name"));
        putFile(maps + "/bad\u03a9.bsp", mapWithTitle("a name the key cannot take"));
        QCOMPARE(::symlink("loop.bsp", QFile::encodeName(maps + "/loop.bsp").constData()), 0);
        QCOMPARE(::mkfifo(QFile::encodeName(maps + "/pipe.bsp").constData(), 0600), 0);
        putFile(game.path() + "/baseq2/broken.pak", "PACK but nothing more");
        putFile(game.path() + "/baseq2/broken.pk3", "PK\3\4 but nothing more");
        QCOMPARE(::symlink(".", QFile::encodeName(game.path() + "/baseq2/maps/maps").constData()), 0);

        const GameMaps found = findMaps(game.path());
        QCOMPARE(namesAndPlaces(found), QStringList{"good@baseq2/maps/good.bsp"});
        QCOMPARE(found.skipped, 5);
    }

    void mapThatCannotBeReadGivesNothing()
    {
        const QTemporaryDir game;
        const QString maps = game.path() + "/baseq2/maps/";
        putFile(maps + "short.bsp", mapWithTitle("cut").left(100));
        putFile(maps + "version.bsp", mapWithTitle("v").replace(4, 1, "\x27"));
        putFile(maps + "noentity.bsp", mapwriter::bspFile("// nothing here"));
        // A lump bigger than any playable map's, wholly inside its file.
        putFile(maps + "huge.bsp", mapwriter::bspFile(QByteArray(QByteArray(kMaxEntityLump, ' ') + "{ \"classname\" \"worldspawn\" }")));
        const GameMaps found = findMaps(game.path());
        QCOMPARE(found.maps.size(), size_t(4));
        for (const GameMap& map : found.maps)
            QVERIFY2(!mapRecordOf(map), qPrintable(map.name));
    }

    // The header and a small lump come in one read; a lump further on, or one
    // claimed past the end, is checked against the file's real size.
    void looseMapsAreReadWhereverTheirLumpLies_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("title");
        const QByteArray small = mapWithTitle("Small");
        const qint64 lump = lumpOf(small).size();
        const QByteArray tail(kFirstRead, 'x');
        QTest::newRow("in the first read") << small << "Small";
        QTest::newRow("ending where the first read ends") << movedLump(small, kFirstRead - lump) + tail << "Small";
        QTest::newRow("across the first read's end") << movedLump(small, kFirstRead - lump / 2) + tail << "Small";
        QTest::newRow("after the first read") << movedLump(small, 2 * kFirstRead) << "Small";
        QTest::newRow("past the end of a small file") << withLumpLength(small, 100000) << "<unreadable>";
        QTest::newRow("past the end of a large file") << withLumpLength(movedLump(small, 2 * kFirstRead), lump + 1)
                                                      << "<unreadable>";
        QTest::newRow("starting past the end") << movedLump(small, kFirstRead).first(kFirstRead) << "<unreadable>";
    }
    void looseMapsAreReadWhereverTheirLumpLies()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, title);
        const QTemporaryDir game;
        putFile(game.path() + "/baseq2/maps/m.bsp", bytes);
        const GameMaps found = findMaps(game.path());
        QCOMPARE(found.maps.size(), size_t(1));
        QCOMPARE(titleOf(found.maps[0]), title);
    }

    // The demo's game folder is made from these; three are in the demo catalogue.
    void demoMapDescriptionsGiveTheirRecords()
    {
        const QMap<QString, QString> expected{
            {"q2dm1", "The Edge|DM|8"},          {"Q2DM2", "Tokay's Towers|DM|8"}, {"q2ctf1", "McKinley Revival|CTF|16"},
            {"tvxarena", "Tolvex Arena|DM|6"},   {"tvxyard", "Rail Yard for the Tolvex demo|DM|10"},
            {"tvxpak", "Packed Halls|DM|4"},     {"tvxflags", "Twin Flags|CTF|12"},
        };
        const QDir descriptions(QStringLiteral(DEMO_GAME));
        QCOMPARE(descriptions.entryList({"*.txt"}, QDir::Files).size(), expected.size());
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            const QByteArray text = mapwriter::entityText(QString::fromUtf8(contents(descriptions.filePath(it.key() + ".txt"))));
            const auto entities = parseEntities(text);
            QVERIFY2(entities, qPrintable(it.key()));
            const QStringList texts = levelTexts(it.key(), *entities);
            QCOMPARE(QStringList({texts.at(1), texts.at(2), texts.at(4)}).join(u'|'), it.value());
        }
    }

    void aMissingDataFolderIsAnError()
    {
        const QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(TolvexError, (void)findMaps(dir.path() + "/missing"));
    }
};

QTEST_GUILESS_MAIN(GameFolderTest)
#include "gameFolderTest.moc"
