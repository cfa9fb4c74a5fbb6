#include "gamefolder/GameFolder.h"
#include "gamefolder/MapReadAhead.h"
#include "platform/dialogs/TolvexError.h"

#include <QTest>

#include <atomic>

using namespace tolvex;

namespace {

std::vector<GameMap> mapsNamed(int count)
{
    std::vector<GameMap> maps(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        maps[size_t(i)].name = QString::number(i);
    return maps;
}

MapRecord named(const QString& name)
{
    MapRecord record;
    record.add(name.toLatin1());
    return record;
}

QString nameOf(const std::optional<MapRecord>& record)
{
    return record ? QString::fromLatin1(record->fields()[0]) : QStringLiteral("<none>");
}

std::vector<const GameMap*> pointers(const std::vector<GameMap>& maps)
{
    std::vector<const GameMap*> out;
    for (const GameMap& map : maps)
        out.push_back(&map);
    return out;
}

} // namespace

class MapReadAheadTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Far more maps than are read ahead, so the reader waits for the caller many times.
    void givesEveryRecordInOrder()
    {
        const auto maps = mapsNamed(2000);
        MapReadAhead ahead(pointers(maps), [](const GameMap& map) -> std::optional<MapRecord> {
            if (map.name.toInt() % 7 == 3)
                return std::nullopt;
            return named(map.name);
        });
        for (int i = 0; i < 2000; ++i) {
            const auto record = ahead.next();
            QCOMPARE(record.has_value(), i % 7 != 3);
            if (record)
                QCOMPARE(nameOf(record), QString::number(i));
        }
        QVERIFY(!ahead.next());
    }

    void anErrorComesAfterTheRecordsReadBeforeIt()
    {
        const auto maps = mapsNamed(10);
        MapReadAhead ahead(pointers(maps), [](const GameMap& map) -> std::optional<MapRecord> {
            if (map.name == u"4")
                throw TolvexError(QStringLiteral("unreadable"));
            return named(map.name);
        });
        for (int i = 0; i < 4; ++i)
            QCOMPARE(nameOf(ahead.next()), QString::number(i));
        QVERIFY_THROWS_EXCEPTION(TolvexError, (void)ahead.next());
    }

    // A caller stopped by an error leaves the rest unread, and the reader
    // never runs far ahead of it.
    void stoppingEarlyLeavesTheRestUnread()
    {
        const auto maps = mapsNamed(5000);
        std::atomic<int> read = 0;
        {
            MapReadAhead ahead(pointers(maps), [&read](const GameMap& map) -> std::optional<MapRecord> {
                ++read;
                return named(map.name);
            });
            QCOMPARE(nameOf(ahead.next()), QStringLiteral("0"));
        }
        QVERIFY2(read < 1000, qPrintable(QString::number(read)));
    }
};

QTEST_GUILESS_MAIN(MapReadAheadTest)
#include "mapReadAheadTest.moc"
