// Drawing maps' plans and saving them as the levels' screenshots, in a batch
// as the add makes them, per plan next to libjpeg encoding the same 640×480
// picture in memory; and how drawing and saving grow with the number of faces.

#include "bench/BenchData.h"
#include "bench/Registration.h"
#include "catalogue/LevelTable.h"
#include "gamefolder/GameFolder.h"
#include "gamefolder/MapGeometry.h"
#include "level/LevelFields.h"
#include "plan/MapPlan.h"
#include "plan/PlanPictures.h"

#include <QDir>
#include <QImage>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <jpeglib.h>
#include <random>
#include <stdexcept>

using namespace tolvex;
using namespace tolvex::bench;

namespace {

constexpr int kPlanFaces = 20'000;

// A level of the given number of faces spread over 8192 units square: four
// of five small floor quads at heights from -512 to 512, the rest upright
// walls, and a few spawn points. The same seed every run.
MapGeometry generatedMap(int faces)
{
    std::mt19937 random(20261207);
    std::uniform_real_distribution<float> place(-4096, 4032);
    std::uniform_real_distribution<float> size(16, 64);
    std::uniform_real_distribution<float> height(-512, 512);
    MapGeometry map;
    map.points.reserve(std::size_t(faces) * 4);
    for (int i = 0; i < faces; ++i) {
        const float x = place(random);
        const float y = place(random);
        const float w = size(random);
        const float z = height(random);
        const bool floor = i % 5 != 0;
        const float d = floor ? size(random) : 0;
        const float top = floor ? z : z + 128;
        map.faces.push_back({floor ? MapGeometry::Face::Kind::Floor : MapGeometry::Face::Kind::Wall, (z + top) / 2,
                             map.points.size(), 4});
        map.points.push_back({x, y, z});
        map.points.push_back({x + w, y, z});
        map.points.push_back({x + w, y + d, top});
        map.points.push_back({x, y + d, top});
    }
    for (int i = 0; i < 16; ++i)
        map.marks.push_back({MapGeometry::Mark::Kind::Spawn, place(random), place(random)});
    return map;
}

constexpr int kPlansPerBatch = 8;

// Timed by hand: the wall-clock time of the batch alone, divided among its
// plans, since removing the pictures between rounds is not the add's work.
void perPlanAtEverySize(benchmark::internal::Benchmark* b)
{
    for (int size : kSizes)
        b->Arg(size);
    repeatedByHand(b);
}

// What the add does for installed levels without a screenshot: one
// savePlanPictures call that draws and saves a batch of plans, all of the
// same generated map.
void drawAndSaveBatch(benchmark::State& state, int faces)
{
    const MapGeometry map = generatedMap(faces);
    const QString folder = workPath(QStringLiteral("plans-%1").arg(faces));
    QDir(folder).removeRecursively();
    LevelTable table;
    table.setFileName(emptyCatalogue(QStringLiteral("plans-%1.DB").arg(faces)));
    table.open();
    GameMaps maps;
    for (int i = 0; i < kPlansPerBatch; ++i) {
        QStringList texts(kFieldCount);
        texts[Field::Datei] = QStringLiteral("plan%1").arg(i);
        texts[Field::Level] = texts[Field::Datei];
        texts[Field::Typ] = QStringLiteral("DM");
        texts[Field::MinPlayer] = QStringLiteral("2");
        table.appendRecord(texts);
        GameMap found;
        found.name = texts[Field::Datei];
        maps.maps.push_back(found);
    }
    const MapGeometryOf read = [&map](const GameMap&) { return std::optional<MapGeometry>(map); };
    for (auto _ : state) {
        QDir(folder).removeRecursively();
        const auto start = std::chrono::steady_clock::now();
        const PlansMade made = savePlanPictures(table, maps, folder, read);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (made.made != kPlansPerBatch)
            throw std::runtime_error("the batch left plans out");
        state.SetIterationTime(took.count() / kPlansPerBatch);
    }
    state.counters["faces"] = faces;
}

void BM_PlanDrawSave(benchmark::State& state)
{
    drawAndSaveBatch(state, kPlanFaces);
}
TOLVEX_BENCHMARK(BM_PlanDrawSave)->Apply(repeatedByHand)->Unit(benchmark::kMillisecond);

void BM_PlanDraw(benchmark::State& state)
{
    const MapGeometry map = generatedMap(kPlanFaces);
    for (auto _ : state)
        benchmark::DoNotOptimize(drawPlan(map));
}
TOLVEX_BENCHMARK(BM_PlanDraw)->Apply(repeated)->Unit(benchmark::kMillisecond);

// libjpeg alone: the plan's picture, baseline, the same quality, into memory.
void BM_PlanEncodePeer(benchmark::State& state)
{
    const QImage picture = drawPlan(generatedMap(kPlanFaces)).convertToFormat(QImage::Format_RGB888);
    for (auto _ : state) {
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        unsigned char* out = nullptr;
        unsigned long outSize = 0;
        jpeg_mem_dest(&cinfo, &out, &outSize);
        cinfo.image_width = JDIMENSION(picture.width());
        cinfo.image_height = JDIMENSION(picture.height());
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, kPlanQuality, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPLE*>(picture.constScanLine(int(cinfo.next_scanline)));
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        benchmark::DoNotOptimize(outSize);
        std::free(out);
    }
}
TOLVEX_BENCHMARK(BM_PlanEncodePeer)->Apply(repeated)->Unit(benchmark::kMillisecond);

void BM_PlanGrowth(benchmark::State& state)
{
    drawAndSaveBatch(state, int(state.range(0)));
}
TOLVEX_BENCHMARK(BM_PlanGrowth)->Apply(perPlanAtEverySize)->Unit(benchmark::kMillisecond);

} // namespace
