// The level table at each catalogue size: open and stand on the first
// record, and the nearest key, each next to SQLite doing the same alone.

#include "bench/BenchData.h"
#include "bench/Registration.h"
#include "catalogue/LevelTable.h"

#include <QFile>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <random>
#include <string>

using namespace tolvex;
using namespace tolvex::bench;

namespace {

using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

struct ReadOnlyDb {
    explicit ReadOnlyDb(const QString& path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READONLY, nullptr);
    }
    ~ReadOnlyDb() { sqlite3_close_v2(handle); }
    ReadOnlyDb(const ReadOnlyDb&) = delete;
    ReadOnlyDb& operator=(const ReadOnlyDb&) = delete;

    [[nodiscard]] Statement prepare(const char* sql) const
    {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(handle, sql, -1, &raw, nullptr);
        return {raw, sqlite3_finalize};
    }

    sqlite3* handle = nullptr;
};

// Search keys as a user types them: mostly stored names cut short, some
// that fall between names, in no order.
std::vector<QString> searchKeys(int count)
{
    std::mt19937 random(7);
    const auto& levels = generatedLevels();
    std::vector<QString> keys;
    for (int i = 0; i < 1024; ++i) {
        const QString& name = levels[random() % unsigned(count)].front();
        keys.push_back(name.left(1 + int(random() % unsigned(name.size()))).toUpper());
    }
    return keys;
}

void BM_OpenTable(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QString path = catalogueCopy(QStringLiteral("open"), count);
    for (auto _ : state) {
        auto table = std::make_unique<LevelTable>();
        table->setFileName(path);
        table->open();
        table->first();
        benchmark::DoNotOptimize(table->text(Field::Datei));
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
}
TOLVEX_BENCHMARK(BM_OpenTable)->Apply(atEverySize)->Unit(benchmark::kMillisecond);

// What the table's open has to do at least: every row, in key order, into memory.
void BM_OpenPeer(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QString path = catalogueCopy(QStringLiteral("open-peer"), count);
    for (auto _ : state) {
        const ReadOnlyDb db(path);
        const Statement stmt = db.prepare("SELECT * FROM maps ORDER BY \"Datei\"");
        std::vector<LevelRecord> rows;
        while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
            LevelRecord& record = rows.emplace_back();
            for (int col = 0; col < kFieldCount; ++col) {
                const int type = sqlite3_column_type(stmt.get(), col);
                if (type == SQLITE_TEXT)
                    record[size_t(col)] = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), col)),
                                                            sqlite3_column_bytes(stmt.get(), col));
                else if (type == SQLITE_INTEGER)
                    record[size_t(col)] = sqlite3_column_int(stmt.get(), col);
            }
        }
        benchmark::DoNotOptimize(rows.data());
    }
}
TOLVEX_BENCHMARK(BM_OpenPeer)->Apply(atEverySize)->Unit(benchmark::kMillisecond);

void BM_FindNearest(benchmark::State& state)
{
    const int count = int(state.range(0));
    LevelTable table;
    table.setFileName(catalogueCopy(QStringLiteral("nearest"), count));
    table.open();
    const std::vector<QString> keys = searchKeys(count);
    size_t next = 0;
    for (auto _ : state) {
        table.findNearest(keys[next++ % keys.size()]);
        benchmark::DoNotOptimize(table.recNo());
    }
}
TOLVEX_BENCHMARK(BM_FindNearest)->Apply(atEverySize);

// The same lookup through SQLite's index on the key.
void BM_FindNearestPeer(benchmark::State& state)
{
    const int count = int(state.range(0));
    const ReadOnlyDb db(catalogueCopy(QStringLiteral("nearest-peer"), count));
    const Statement stmt = db.prepare("SELECT * FROM maps WHERE \"Datei\" >= ?1 ORDER BY \"Datei\" LIMIT 1");
    std::vector<QByteArray> keys;
    for (const QString& key : searchKeys(count))
        keys.push_back(key.toUtf8());
    size_t next = 0;
    for (auto _ : state) {
        const QByteArray& key = keys[next++ % keys.size()];
        sqlite3_bind_text(stmt.get(), 1, key.constData(), int(key.size()), SQLITE_STATIC);
        benchmark::DoNotOptimize(sqlite3_step(stmt.get()));
        sqlite3_reset(stmt.get());
    }
}
TOLVEX_BENCHMARK(BM_FindNearestPeer)->Apply(atEverySize);

} // namespace
