#include "catalogue/LevelTable.h"
#include "gamefolder/GameFolder.h"
#include "gamefolder/MapGeometry.h"
#include "level/LevelFields.h"
#include "plan/MapPlan.h"
#include "plan/PlanPictures.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/pictures/JpegImage.h"
#include "tests/support/TestCatalogue.h"
#include "tools/MapWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

using namespace tolvex;

namespace {

// A room of 1024 x 512 units with walls 16 thick that reach the ceiling, a
// platform 64 high in the middle and a spawn point at either end.
const QString kRoom = QStringLiteral(R"(
entity worldspawn message="Platform"
entity info_player_deathmatch origin="-384 0 24"
entity info_player_deathmatch origin="384 160 24"
entity weapon_railgun origin="0 0 88"
box -512 -256 -16 512 256 0
box -528 -272 -16 -512 272 256 notop
box 512 -272 -16 528 272 256 notop
box -512 -272 -16 512 -256 256 notop
box -512 256 -16 512 272 256 notop
box -128 -64 0 128 64 64
box -512 -256 256 512 256 272 texture=sky1 flags=4
box -480 200 0 -440 240 64 texture=e1u1/trigger
)");

// Pixels of the room's plan: the room's outer size is 1056 x 544 units,
// so its width fills the picture up to the margin.
constexpr double kScale = (640.0 - 2 * kPlanMargin) / 1056.0;

QPoint pixel(double x, double y)
{
    return {int(std::lround(320 + x * kScale)), int(std::lround(240 - y * kScale))};
}

int brightness(QRgb rgb)
{
    return qRed(rgb) + qGreen(rgb) + qBlue(rgb);
}

MapGeometry geometryOf(const QByteArray& bytes)
{
    MemorySource source(bytes);
    const auto geometry = readMapGeometry(source);
    if (!geometry)
        qFatal("no geometry");
    return *geometry;
}

// The lump directory entry of a map file, to break one on purpose.
void setLump(QByteArray& bytes, int lump, qint32 offset, qint32 length)
{
    qToLittleEndian<qint32>(offset, bytes.data() + 8 + lump * 8);
    qToLittleEndian<qint32>(length, bytes.data() + 12 + lump * 8);
}

qint32 lumpOffset(const QByteArray& bytes, int lump)
{
    return qFromLittleEndian<qint32>(bytes.constData() + 8 + lump * 8);
}

// A floor of its own shape for every number, so that each plan differs.
MapGeometry numberedFloor(int number)
{
    const float width = 64.0f + 16.0f * float(number);
    MapGeometry geometry;
    geometry.points = {{0, 0, 0}, {width, 0, 0}, {width, 64, 0}, {0, 64, 0}};
    geometry.faces.push_back({MapGeometry::Face::Kind::Floor, 0, 0, 4});
    return geometry;
}

// Maps named prefix00, prefix01, …; the names also go to the list.
GameMaps numberedMaps(const QString& prefix, int count, QStringList& names)
{
    GameMaps found;
    for (int i = 0; i < count; ++i) {
        names << prefix + QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        GameMap map;
        map.name = names.back();
        found.maps.push_back(map);
    }
    return found;
}

} // namespace

class MapPlanTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<LevelTable> m_table;

    LevelTable& tableOf(const QStringList& names)
    {
        std::vector<QStringList> records;
        for (const QString& name : names) {
            QStringList texts(kFieldCount);
            texts[Field::Datei] = name;
            texts[Field::Level] = name;
            texts[Field::Typ] = QStringLiteral("DM");
            texts[Field::MinPlayer] = QStringLiteral("2");
            records.push_back(texts);
        }
        m_table.reset();
        m_table = newCatalogue(m_dir.filePath(QStringLiteral("maps.DB")), records);
        return *m_table;
    }

private Q_SLOTS:
    void roomPlanShowsFloorPlatformWallsAndSpawns()
    {
        const MapGeometry geometry = geometryOf(mapwriter::mapFile(kRoom));
        QCOMPARE(geometry.skippedLumps, 0);
        QCOMPARE(geometry.skippedFaces, 0);
        const QImage plan = drawPlan(geometry);
        QCOMPARE(plan.size(), QSize(640, 480));

        const QRgb floor = plan.pixel(pixel(-250, -150));
        const QRgb platform = plan.pixel(pixel(0, -40));
        const QRgb wall = plan.pixel(pixel(-512, -100));
        QCOMPARE(plan.pixel(5, 5), kPlanGround);
        QVERIFY(brightness(floor) > brightness(kPlanGround) + 150);
        QVERIFY2(brightness(platform) > brightness(floor) + 100, "the platform lies higher");
        QCOMPARE(wall, kPlanWall);
        QVERIFY(brightness(wall) < brightness(floor));
        // The trigger brush and the sky above leave the floor beneath visible.
        QCOMPARE(plan.pixel(pixel(-460, 220)), floor);

        QCOMPARE(plan.pixel(pixel(-384, 0)), kPlanSpawn);
        QCOMPARE(plan.pixel(pixel(384, 160)), kPlanSpawn);
        QCOMPARE(plan.pixel(pixel(0, 0)), kPlanItem);
        QCOMPARE(geometry.marks.size(), std::size_t(3));
    }

    void aCanvasDrawnAgainLeavesThePlanBeforeAsItWas()
    {
        PlanCanvas canvas;
        const QImage first = drawPlan(numberedFloor(1), canvas);
        const QImage second = drawPlan(numberedFloor(9), canvas);
        QCOMPARE(first, drawPlan(numberedFloor(1)));
        QCOMPARE(second, drawPlan(numberedFloor(9)));
        QVERIFY(first != second);
        QCOMPARE(drawPlan(geometryOf(mapwriter::mapFile(kRoom)), canvas), drawPlan(geometryOf(mapwriter::mapFile(kRoom))));
    }

    void planKeepsTheLevelsProportions()
    {
        const QImage plan = drawPlan(geometryOf(mapwriter::mapFile(kRoom)));
        QRect drawn;
        for (int y = 0; y < plan.height(); ++y) {
            for (int x = 0; x < plan.width(); ++x) {
                if (plan.pixel(x, y) != kPlanGround)
                    drawn |= QRect(x, y, 1, 1);
            }
        }
        QVERIFY(std::abs(drawn.left() - kPlanMargin) <= 2);
        QVERIFY(std::abs(drawn.right() - (639 - kPlanMargin)) <= 2);
        QVERIFY2(std::abs(double(drawn.width()) / drawn.height() - 1056.0 / 544.0) < 0.03, "the room is twice as wide");
        QVERIFY(std::abs(drawn.center().y() - 240) <= 2);
    }

    void aWiderPictureShowsTheSamePlanMovedAcross()
    {
        // The floor's height sets the scale, so ten more columns only move
        // it five to the right; the colours of a row go out in blocks of
        // sixteen, which no longer line up with the plan.
        const QImage plan = drawPlan(numberedFloor(1));
        const QImage wider = drawPlan(numberedFloor(1), QSize(650, 480));
        QCOMPARE(wider.size(), QSize(650, 480));
        for (int y = 0; y < plan.height(); ++y) {
            QCOMPARE(wider.pixel(649, y), kPlanGround);
            for (int x = 0; x < plan.width(); ++x) {
                if (wider.pixel(x + 5, y) != plan.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
        }
    }

    void everyCornerCountsTowardsTheFit()
    {
        // An odd number of corners, each of them last in one turn.
        const std::vector<MapGeometry::Point> pentagon{{0, 0, 0}, {300, -40, 0}, {420, 200, 0}, {150, 380, 0}, {-90, 160, 0}};
        QImage first;
        for (std::size_t turn = 0; turn < pentagon.size(); ++turn) {
            MapGeometry geometry;
            for (std::size_t i = 0; i < pentagon.size(); ++i)
                geometry.points.push_back(pentagon[(i + turn) % pentagon.size()]);
            geometry.faces.push_back({MapGeometry::Face::Kind::Floor, 0, 0, int(pentagon.size())});
            const QImage plan = drawPlan(geometry);
            if (turn == 0)
                first = plan;
            QCOMPARE(plan, first);
        }
    }

    void floorsThatAreNotDrawnDoNotShadeTheOthers()
    {
        MapGeometry geometry = numberedFloor(1);
        geometry.points.push_back({0, 100, 64});
        geometry.points.push_back({64, 100, 64});
        geometry.points.push_back({64, 164, 64});
        geometry.faces.push_back({MapGeometry::Face::Kind::Floor, 64, 4, 3});
        const QImage plan = drawPlan(geometry);
        for (const float height : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
            MapGeometry more = geometry;
            more.faces.insert(more.faces.begin(), {MapGeometry::Face::Kind::Floor, height, 4, 3});
            more.faces.push_back({MapGeometry::Face::Kind::Floor, -height, 0, 4});
            QCOMPARE(drawPlan(more), plan);
        }
    }

    void brokenLumpsAndFacesAreSkippedWithACount()
    {
        const QByteArray room = mapwriter::mapFile(kRoom);
        const int faces = int(geometryOf(room).faces.size());

        QByteArray outside = room;
        setLump(outside, 2, room.size() + 4, 12); // the vertices lie past the end
        MapGeometry g = geometryOf(outside);
        QCOMPARE(g.skippedLumps, 1);
        QVERIFY(g.faces.empty());
        QVERIFY(g.skippedFaces >= faces);
        QVERIFY(drawPlan(g).isNull());
        QCOMPARE(g.marks.size(), std::size_t(3));

        QByteArray ragged = room;
        setLump(ragged, 12, lumpOffset(room, 12), 7); // no whole number of surface edges
        QCOMPARE(geometryOf(ragged).skippedLumps, 1);

        QByteArray notANumber = room;
        const float nan = std::numeric_limits<float>::quiet_NaN();
        std::memcpy(notANumber.data() + lumpOffset(room, 2), &nan, sizeof nan);
        g = geometryOf(notANumber);
        QVERIFY(g.skippedFaces > 0);
        QVERIFY(!g.faces.empty());
        QVERIFY(!drawPlan(g).isNull());

        QByteArray huge = room;
        qToLittleEndian<qint16>(32000, huge.data() + lumpOffset(room, 6) + 8); // the first face's edge count
        qToLittleEndian<quint16>(60000, huge.data() + lumpOffset(room, 6) + 20); // the second face's plane
        qToLittleEndian<qint32>(-2147483647 - 1, huge.data() + lumpOffset(room, 12)); // a surface edge
        g = geometryOf(huge);
        QVERIFY(g.skippedFaces >= 2);
        QCOMPARE(g.skippedLumps, 0);

        // A speck of a level is drawn at a bounded scale, in the picture's middle.
        const QImage speck = drawPlan(geometryOf(mapwriter::mapFile(QStringLiteral("box 0 0 0 1 2 1"))));
        QVERIFY(speck.pixel(320, 240) != kPlanGround);
        QCOMPARE(speck.pixel(320 + 12, 240), kPlanGround);

        QVERIFY(!geometryOf(mapwriter::bspFile("")).skippedLumps);
        QByteArray wrongVersion = room;
        wrongVersion[4] = 39;
        MemorySource source(wrongVersion);
        QVERIFY(!readMapGeometry(source));
    }

    void hiddenTexturesAreKnownInEitherCase()
    {
        const auto facesOf = [](const char* text) {
            return geometryOf(mapwriter::mapFile(QString::fromLatin1(text))).faces.size();
        };
        const std::size_t kept = facesOf("box 0 0 0 64 64 64 texture=base/originals");
        QVERIFY(kept > 0);
        QCOMPARE(facesOf("box 0 0 0 64 64 64 texture=base/originals\n"
                         "box 100 0 0 164 64 64 texture=e1u1/TRIGGER\n"
                         "box 200 0 0 264 64 64 texture=Clip\n"
                         "box 300 0 0 364 64 64 texture=e2u3/Origin\n"
                         "box 400 0 0 464 64 64 texture=sky1 flags=4"),
                 kept);
    }

    void facesSharingSurfaceEdgesCannotMultiplyTheWork()
    {
        QByteArray bytes = mapwriter::mapFile(QStringLiteral("box 0 0 0 64 64 64"));
        // Every face claims the first 20 of the 24 surface edges there are.
        const qint32 facesAt = lumpOffset(bytes, 6);
        for (int face = 0; face < 6; ++face) {
            qToLittleEndian<qint32>(0, bytes.data() + facesAt + face * 20 + 4);
            qToLittleEndian<qint16>(20, bytes.data() + facesAt + face * 20 + 8);
        }
        const MapGeometry g = geometryOf(bytes);
        QCOMPARE(g.points.size(), std::size_t(20));
        QCOMPARE(g.faces.size(), std::size_t(1));
        QCOMPARE(g.skippedFaces, 5);
    }

    void plansAreSavedOnlyWhereNoScreenshotIs()
    {
        const QString maps = m_dir.filePath(QStringLiteral("maps"));
        QVERIFY(QDir().mkpath(maps));
        GameMaps found;
        for (const QString& name : {QStringLiteral("arena"), QStringLiteral("Shot"), QStringLiteral("stranger"),
                                    QStringLiteral("empty")}) {
            GameMap map;
            map.name = name;
            map.file = QFile::encodeName(maps + u'/' + name + QStringLiteral(".bsp"));
            QFile file(QFile::decodeName(map.file));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(name == u"empty" ? mapwriter::bspFile("") : mapwriter::mapFile(kRoom));
            found.maps.push_back(map);
        }
        // The catalogue spells one name in other letters; one map it does not hold.
        const LevelTable& table = tableOf({QStringLiteral("arena"), QStringLiteral("empty"), QStringLiteral("shot")});
        const QString screens = m_dir.filePath(QStringLiteral("screens"));
        QVERIFY(QDir().mkpath(screens));
        QFile shot(screens + QStringLiteral("/shot.jpg"));
        QVERIFY(shot.open(QIODevice::WriteOnly));
        shot.write("the user's own");
        shot.close();

        const PlansMade made = savePlanPictures(table, found, screens);
        QCOMPARE(made.made, 1);
        QCOMPARE(made.skipped, 1);
        QCOMPARE(loadJpeg(screens + QStringLiteral("/arena.jpg")).size(), QSize(640, 480));
        QVERIFY(shot.open(QIODevice::ReadOnly));
        QCOMPARE(shot.readAll(), QByteArray("the user's own"));
        QVERIFY(!QFile::exists(screens + QStringLiteral("/stranger.jpg")));
        QVERIFY(!QFile::exists(screens + QStringLiteral("/empty.jpg")));

        QCOMPARE(savePlanPictures(table, found, screens).made, 0);
    }

    void manyPlansKeepTheirMapsNamesAndOrder()
    {
        // More maps than are drawn at once and than a batch holds; every fifth cannot be read.
        constexpr int kMaps = 70;
        QStringList names;
        const GameMaps found = numberedMaps(QStringLiteral("map"), kMaps, names);
        const LevelTable& table = tableOf(names);
        QStringList read;
        bool elsewhere = false;
        const MapGeometryOf reader = [&](const GameMap& map) -> std::optional<MapGeometry> {
            elsewhere = elsewhere || QThread::currentThread() != thread();
            read << map.name;
            const int number = map.name.mid(3).toInt();
            if (number % 5 == 4)
                return std::nullopt;
            return numberedFloor(number);
        };
        const QString screens = m_dir.filePath(QStringLiteral("many"));
        const PlansMade made = savePlanPictures(table, found, screens, reader);
        QCOMPARE(made.made, kMaps - kMaps / 5);
        QCOMPARE(made.skipped, kMaps / 5);
        QCOMPARE(read, names);
        QVERIFY2(!elsewhere, "the reader is called on the calling thread only");
        for (int i = 0; i < kMaps; ++i) {
            QFile file(screens + u'/' + names[i] + QStringLiteral(".jpg"));
            QCOMPARE(file.exists(), i % 5 != 4);
            if (i % 5 != 4) {
                QVERIFY(file.open(QIODevice::ReadOnly));
                QVERIFY2(file.readAll() == encodeJpeg(drawPlan(numberedFloor(i)), kPlanQuality), qPrintable(names[i]));
            }
        }
    }

    void theFirstPlanThatCannotBeSavedEndsTheRunKeepingThoseBefore()
    {
        constexpr int kMaps = 40;
        QStringList names;
        const GameMaps found = numberedMaps(QStringLiteral("lock"), kMaps, names);
        const LevelTable& table = tableOf(names);
        const QString screens = m_dir.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(screens));
        // The folder cannot be written from the time the 25th map is read.
        int reads = 0;
        const MapGeometryOf reader = [&](const GameMap&) {
            if (++reads == 25)
                QFile::setPermissions(screens, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
            return std::optional<MapGeometry>(numberedFloor(reads));
        };
        QString error;
        try {
            (void)savePlanPictures(table, found, screens, reader);
        } catch (const TolvexError& e) {
            error = e.message();
        }
        QFile::setPermissions(screens, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The plans saved are those of the maps before the one named.
        int saved = 0;
        while (saved < kMaps && QFile::exists(screens + u'/' + names[saved] + QStringLiteral(".jpg")))
            ++saved;
        QVERIFY(saved > 0 && saved < 25);
        QCOMPARE(QDir(screens).entryList(QDir::Files).size(), saved);
        QCOMPARE(error, QStringLiteral("Datei %1/%2.jpg kann nicht erstellt werden: der Ordner %1 ist schreibgeschützt")
                            .arg(screens, names[saved]));
    }
};

QTEST_MAIN(MapPlanTest)
#include "mapPlanTest.moc"
