// Scanning a game folder: finding its maps and reading each one's record,
// 2,000 loose map files and a package of 2,000, next to reading the same
// files' bytes with cat; and adding their records to an empty catalogue,
// next to importing the same records from a level list.

#include "bench/BenchData.h"
#include "tests/support/ChildProcess.h"
#include "bench/Registration.h"
#include "catalogue/GameLevels.h"
#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelTable.h"
#include "gamefolder/GameFolder.h"
#include "tools/MapWriter.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace tolvex;
using namespace tolvex::bench;
using tolvex::test::runProgram;

namespace {

constexpr int kMaps = 2'000;

// An entity lump of the size real deathmatch maps have, a few KiB: the
// world, spawn points, items and weapons, lights, each placed somewhere.
QByteArray entityText(int n)
{
    QByteArray text = "{\n\"classname\" \"worldspawn\"\n\"message\" \"Arena " + QByteArray::number(n)
                      + "\\nby the benchmark\"\n\"sky\" \"unit1_\"\n\"sounds\" \"3\"\n}\n";
    const char* classes[] = {"info_player_deathmatch", "weapon_railgun", "item_armor_body", "light",
                             "weapon_rocketlauncher", "item_health_large", "ammo_slugs", "item_quad"};
    for (int i = 0; i < 48; ++i) {
        text += "{\n\"classname\" \"" + QByteArray(classes[(i + n) % 8]) + "\"\n\"origin\" \"" + QByteArray::number(i * 64 - 1024)
                + ' ' + QByteArray::number(n % 512) + " 24\"\n\"angle\" \"" + QByteArray::number(i * 45 % 360) + "\"\n}\n";
    }
    return text;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("the benchmark's game folder could not be written");
}

QString mapName(int n)
{
    return QStringLiteral("bench%1").arg(n, 4, 10, QLatin1Char('0'));
}

// Game folders made once: one of loose maps, one with a single package.
const QString& looseFolder()
{
    static const QString folder = [] {
        const QString root = workPath(QStringLiteral("game-loose"));
        for (int n = 0; n < kMaps; ++n)
            writeFile(root + "/baseq2/maps/" + mapName(n) + ".bsp", mapwriter::bspFile(entityText(n)));
        return root;
    }();
    return folder;
}

const QString& packageFolder()
{
    static const QString folder = [] {
        const QString root = workPath(QStringLiteral("game-pak"));
        std::vector<std::pair<QByteArray, QByteArray>> files;
        for (int n = 0; n < kMaps; ++n)
            files.emplace_back("maps/" + mapName(n).toUtf8() + ".bsp", mapwriter::bspFile(entityText(n)));
        writeFile(root + "/baseq2/pak0.pak", mapwriter::pakFile(files));
        return root;
    }();
    return folder;
}

// Data folders the way a Linux machine spreads them: the 2,000 loose maps in
// three folders (the program's, ~/.yq2, the system's) and a package of 2,000
// other maps in a fourth.
const QStringList& dataFolders()
{
    static const QStringList folders = [] {
        const QStringList loose = {workPath(QStringLiteral("data-program")), workPath(QStringLiteral("data-home")),
                                   workPath(QStringLiteral("data-system"))};
        for (int n = 0; n < kMaps; ++n)
            writeFile(loose.at(n % 3) + "/baseq2/maps/" + mapName(n) + ".bsp", mapwriter::bspFile(entityText(n)));
        std::vector<std::pair<QByteArray, QByteArray>> files;
        for (int n = kMaps; n < 2 * kMaps; ++n)
            files.emplace_back("maps/" + mapName(n).toUtf8() + ".bsp", mapwriter::bspFile(entityText(n)));
        const QString packaged = workPath(QStringLiteral("data-package"));
        writeFile(packaged + "/baseq2/pak0.pak", mapwriter::pakFile(files));
        return loose + QStringList{packaged};
    }();
    return folders;
}

template <typename Folders>
void scan(benchmark::State& state, const Folders& folders, int expected = kMaps)
{
    for (auto _ : state) {
        const GameMaps found = findMaps(folders);
        std::vector<const GameMap*> order;
        order.reserve(found.maps.size());
        for (const GameMap& map : found.maps)
            order.push_back(&map);
        MapReader reader(order);
        int read = 0;
        for (const GameMap& map : found.maps)
            read += reader.recordOf(map) ? 1 : 0;
        if (read != expected) {
            state.SkipWithError("the scan missed maps");
            return;
        }
    }
    state.counters["maps"] = expected;
}

void catFiles(benchmark::State& state, const QStringList& files)
{
    const QStringList arguments = QStringList{QStringLiteral("-c"), QStringLiteral("cat \"$@\" >/dev/null"), QStringLiteral("sh")}
                                  + files;
    for (auto _ : state) {
        if (!runProgram(QStringLiteral("sh"), arguments, test::Streams::Output).succeeded()) {
            state.SkipWithError("cat failed");
            return;
        }
    }
    state.counters["maps"] = kMaps;
}

void BM_GameFolderLoose(benchmark::State& state)
{
    scan(state, looseFolder());
}
TOLVEX_BENCHMARK(BM_GameFolderLoose)->Apply(repeated)->Unit(benchmark::kMillisecond);

void BM_GameFolderLoosePeer(benchmark::State& state)
{
    const QString maps = looseFolder() + "/baseq2/maps/";
    QStringList files;
    for (const QString& name : QDir(maps).entryList(QDir::Files, QDir::Name))
        files << maps + name;
    catFiles(state, files);
}
TOLVEX_BENCHMARK(BM_GameFolderLoosePeer)->Apply(repeated)->Unit(benchmark::kMillisecond);

void BM_GameFolderPackage(benchmark::State& state)
{
    scan(state, packageFolder());
}
TOLVEX_BENCHMARK(BM_GameFolderPackage)->Apply(repeated)->Unit(benchmark::kMillisecond);

void BM_GameFolderPackagePeer(benchmark::State& state)
{
    catFiles(state, {packageFolder() + "/baseq2/pak0.pak"});
}
TOLVEX_BENCHMARK(BM_GameFolderPackagePeer)->Apply(repeated)->Unit(benchmark::kMillisecond);

void BM_GameFolderDataFolders(benchmark::State& state)
{
    scan(state, dataFolders(), 2 * kMaps);
}
TOLVEX_BENCHMARK(BM_GameFolderDataFolders)->Apply(repeated)->Unit(benchmark::kMillisecond);

void BM_GameFolderDataFoldersPeer(benchmark::State& state)
{
    QStringList files;
    for (const QString& folder : dataFolders()) {
        const QString maps = folder + "/baseq2/maps/";
        for (const QString& name : QDir(maps).entryList(QDir::Files, QDir::Name))
            files << maps + name;
    }
    files << dataFolders().last() + "/baseq2/pak0.pak";
    catFiles(state, files);
}
TOLVEX_BENCHMARK(BM_GameFolderDataFoldersPeer)->Apply(repeated)->Unit(benchmark::kMillisecond);

std::unique_ptr<LevelTable> openEmpty(const QString& name)
{
    auto table = std::make_unique<LevelTable>();
    table->setFileName(emptyCatalogue(name));
    table->open();
    return table;
}

// The records the loose maps give, as the level list the export writes.
const QString& addedLevelsList()
{
    static const QString list = [] {
        const auto table = openEmpty(QStringLiteral("game-list.DB"));
        (void)addGameLevels(*table, findMaps(looseFolder()));
        const QString path = workPath(QStringLiteral("game-levels.txt"));
        LevelListTransfer(*table).exportFile(path);
        return path;
    }();
    return list;
}

// Each round adds the 2,000 records to a new empty table; only the adding is
// timed, after prepare. Every round starts with the disk idle: the writes of
// the round or benchmark before would otherwise be flushed by its commit, and
// the rows compared would meet the disk in different states.
template <typename Add, typename Prepare = void (*)()>
void addToEmptyTables(benchmark::State& state, const QString& name, Add add, Prepare prepare = [] {})
{
    for (auto _ : state) {
        state.PauseTiming();
        prepare();
        auto table = openEmpty(name);
        ::sync();
        state.ResumeTiming();
        add(*table);
        state.PauseTiming();
        if (table->recordCount() != kMaps)
            state.SkipWithError("records went missing");
        table.reset();
        state.ResumeTiming();
    }
}

// What the overview's button does without its window: the scan, reading
// every map and appending its record.
void BM_GameFolderAdd(benchmark::State& state)
{
    (void)looseFolder(); // made once, before the timing
    addToEmptyTables(state, QStringLiteral("game-add.DB"),
                     [](LevelTable& table) { (void)addGameLevels(table, findMaps(looseFolder())); });
}
TOLVEX_BENCHMARK(BM_GameFolderAdd)->Apply(repeated)->Unit(benchmark::kMillisecond);

// The adding alone: the records of maps the scan has read already, appended
// the way the button appends them.
void BM_GameFolderAppend(benchmark::State& state)
{
    const GameMaps found = findMaps(looseFolder());
    // By the map's place in the scan, so that finding a record costs nothing next to its append.
    std::vector<std::optional<MapRecord>> records;
    MapReader reader;
    for (const GameMap& map : found.maps)
        records.push_back(reader.recordOf(map));
    // Handed over the way the read-ahead hands them: moved, not copied.
    std::vector<std::optional<MapRecord>> handed;
    const ReadMapRecord readAlready = [&](const GameMap& map) { return std::move(handed[std::size_t(&map - found.maps.data())]); };
    addToEmptyTables(
        state, QStringLiteral("game-append.DB"), [&](LevelTable& table) { (void)addGameLevels(table, found, readAlready); },
        [&] { handed = records; });
}
TOLVEX_BENCHMARK(BM_GameFolderAppend)->Apply(repeated)->Unit(benchmark::kMillisecond);

void BM_GameFolderAddPeer(benchmark::State& state)
{
    const QString& list = addedLevelsList();
    addToEmptyTables(state, QStringLiteral("game-import.DB"),
                     [&list](LevelTable& table) { LevelListTransfer(table).importFile(list); });
}
TOLVEX_BENCHMARK(BM_GameFolderAddPeer)->Apply(repeated)->Unit(benchmark::kMillisecond);

} // namespace
