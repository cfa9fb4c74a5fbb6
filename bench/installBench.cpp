// Installing a downloaded level archive of 2,000 files and 100 MB, next to
// libarchive's own bsdtar unpacking the same zip into an empty folder; and,
// counted on their own, the records and plans of the levels it brings.

#include "bench/BenchData.h"
#include "tests/support/ChildProcess.h"
#include "bench/Registration.h"
#include "catalogue/LevelTable.h"
#include "install/ArchiveInstall.h"
#include "install/InstalledLevels.h"
#include "plan/PlanPictures.h"
#include "tests/support/TestArchives.h"
#include "tools/MapWriter.h"

#include <QDir>

#include <benchmark/benchmark.h>

#include <random>
#include <stdexcept>
#include <unistd.h>

using namespace tolvex;
using namespace tolvex::bench;
using tolvex::test::runProgram;

namespace {

constexpr int kFiles = 2'000;
constexpr int kMaps = 20;
constexpr qsizetype kFileBytes = 50'000;

// Textures and sounds pack to about two thirds, as real ones do; a few maps
// with floors and spawn points for the records and plans.
const QString& levelZip()
{
    static const QString zip = [] {
        std::mt19937 random(20261208);
        std::vector<TestEntry> entries;
        for (int n = 0; n < kMaps; ++n) {
            const QString description = QStringLiteral("entity worldspawn message=\"Bench %1\"\n"
                                                       "entity info_player_deathmatch * 6\n"
                                                       "box -512 -512 -16 512 512 0\nbox -64 -64 0 64 64 %2")
                                            .arg(n)
                                            .arg(64 + n * 8);
            entries.push_back({QStringLiteral("BenchPack/baseq2/maps/Bench%1.bsp").arg(n), mapwriter::mapFile(description)});
        }
        for (int n = int(entries.size()); n < kFiles; ++n) {
            QByteArray bytes(kFileBytes, Qt::Uninitialized);
            for (char& c : bytes)
                c = char(random() % 48);
            entries.push_back({QStringLiteral("BenchPack/baseq2/textures/bench%1/T%2.wal").arg(n / 100).arg(n), bytes});
        }
        entries.push_back({QStringLiteral("BenchPack/readme.txt"), "Title: Bench\r\nDeathmatch: 2-8 players\r\n"});
        const QString path = workPath(QStringLiteral("install-level.zip"));
        writeTestArchive(path, TestFormat::Zip, entries);
        return path;
    }();
    return zip;
}

// Each round unpacks into a new empty folder; only the unpacking is timed,
// and it starts with the disk idle.
template <typename Unpack>
void intoEmptyFolders(benchmark::State& state, const QString& name, Unpack unpack)
{
    (void)levelZip();
    const QString folder = workPath(name);
    for (auto _ : state) {
        state.PauseTiming();
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        ::sync();
        state.ResumeTiming();
        unpack(folder);
    }
    QDir(folder).removeRecursively();
    state.counters["files"] = kFiles;
}

void BM_InstallArchive(benchmark::State& state)
{
    intoEmptyFolders(state, QStringLiteral("install-baseq2"), [](const QString& folder) {
        ArchiveInstall install(folder);
        if (!install.unpack(levelZip()) || install.commit().files.size() != kFiles)
            throw std::runtime_error("the install left files out");
    });
}
TOLVEX_BENCHMARK(BM_InstallArchive)->Apply(repeated)->Unit(benchmark::kMillisecond);

void BM_InstallArchivePeer(benchmark::State& state)
{
    intoEmptyFolders(state, QStringLiteral("install-bsdtar"), [](const QString& folder) {
        if (!runProgram(QStringLiteral("bsdtar"), {QStringLiteral("-xf"), levelZip(), QStringLiteral("-C"), folder}).succeeded())
            throw std::runtime_error("bsdtar failed");
    });
}
TOLVEX_BENCHMARK(BM_InstallArchivePeer)->Apply(repeated)->Unit(benchmark::kMillisecond);

// The records and plans of the installed archive's maps, added to an empty
// catalogue and an empty screens folder.
void BM_InstallArchiveLevels(benchmark::State& state)
{
    const QString folder = workPath(QStringLiteral("install-levels/baseq2"));
    QDir(workPath(QStringLiteral("install-levels"))).removeRecursively();
    ArchiveInstall install(folder);
    if (!install.unpack(levelZip()))
        throw std::runtime_error("the install was cancelled");
    const std::vector<ArchiveInstalled> installs{install.commit()};
    const QString screens = workPath(QStringLiteral("install-screens"));
    for (auto _ : state) {
        state.PauseTiming();
        QDir(screens).removeRecursively();
        LevelTable table;
        table.setFileName(emptyCatalogue(QStringLiteral("install-levels.DB")));
        table.open();
        ::sync();
        state.ResumeTiming();
        const GameMaps maps = installedLevelMaps(folder, installs);
        const GameLevelsAdded added = addInstalledLevels(table, maps, installs);
        const PlansMade plans = savePlanPictures(table, maps, screens);
        if (added.added != kMaps || plans.made != kMaps)
            throw std::runtime_error("levels went missing");
    }
    state.counters["levels"] = kMaps;
}
TOLVEX_BENCHMARK(BM_InstallArchiveLevels)->Apply(repeated)->Unit(benchmark::kMillisecond);

} // namespace
