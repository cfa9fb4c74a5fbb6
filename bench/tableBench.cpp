// The level table at 100,000 records: open, nearest key, an import's appends,
// and a single post, each next to what SQLite does alone. The files live in a
// temporary folder; run on the disk the program uses, since syncs dominate.

#include "catalogue/LevelSchema.h"
#include "catalogue/LevelTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <random>

using namespace tolvex;

namespace {

constexpr int kRecords = 100'000;

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// The records as a level list would carry them, in key order or shuffled.
const std::vector<QStringList>& levelTexts(bool shuffled)
{
    static const std::vector<QStringList> sorted = [] {
        std::vector<QStringList> all;
        all.reserve(kRecords);
        for (int i = 0; i < kRecords; ++i) {
            all.push_back({QStringLiteral("lvl%1").arg(i, 6, 10, QChar(u'0')), QStringLiteral("Level Nummer %1").arg(i),
                           i % 3 ? QStringLiteral("DM") : QStringLiteral("CTF"), QString::number(2 + i % 4),
                           QString::number(8 + i % 8), QStringLiteral("Beschreibung von Level %1\r\nzweite Zeile").arg(i),
                           QStringLiteral("Wahr"), QStringLiteral("Falsch"), QStringLiteral("Wahr"), QStringLiteral("Wahr"),
                           QString(), QStringLiteral("Falsch"), QStringLiteral("Wahr")});
        }
        return all;
    }();
    static const std::vector<QStringList> mixed = [] {
        std::vector<QStringList> all = sorted;
        std::shuffle(all.begin(), all.end(), std::mt19937(42));
        return all;
    }();
    return shuffled ? mixed : sorted;
}

struct Db {
    explicit Db(const QString& path, int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, flags, nullptr);
    }
    ~Db() { sqlite3_close_v2(handle); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;
    void exec(const char* sql) const
    {
        if (sqlite3_exec(handle, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            std::abort();
    }
    sqlite3* handle = nullptr;
};

QString freshFile(const char* name)
{
    const QString path = workDir().filePath(QString::fromLatin1(name));
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
    const Db db(path);
    db.exec(LevelSchema::createStatement());
    return path;
}

void bindTexts(sqlite3_stmt* stmt, const QStringList& texts)
{
    for (int pos = 0; pos < kFieldCount; ++pos) {
        const FieldValue value = fieldFromText(pos, texts.at(pos));
        if (const auto* text = std::get_if<QString>(&value)) {
            const QByteArray utf8 = text->toUtf8();
            sqlite3_bind_text(stmt, pos + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        } else if (const auto* n = std::get_if<int>(&value)) {
            sqlite3_bind_int(stmt, pos + 1, *n);
        } else if (const auto* flag = std::get_if<bool>(&value)) {
            sqlite3_bind_int(stmt, pos + 1, *flag ? 1 : 0);
        } else {
            sqlite3_bind_null(stmt, pos + 1);
        }
    }
}

void plainInsert(const QString& path, bool shuffled)
{
    const Db db(path);
    db.exec("BEGIN");
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db.handle, "INSERT INTO maps VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &stmt, nullptr);
    for (const QStringList& texts : levelTexts(shuffled)) {
        bindTexts(stmt, texts);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            std::abort();
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    db.exec("COMMIT");
}

// A full table, built once, shared by the reading benchmarks.
const QString& fullTable()
{
    static const QString path = [] {
        const QString p = freshFile("full.DB");
        plainInsert(p, true);
        return p;
    }();
    return path;
}

void BM_OpenTableAndStandOnFirst(benchmark::State& state)
{
    const QString& path = fullTable();
    for (auto _ : state) {
        LevelTable table;
        table.setFileName(path);
        table.open();
        table.first();
        benchmark::DoNotOptimize(table.text(Field::Datei));
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_OpenTableAndStandOnFirst)->Unit(benchmark::kMillisecond);

void BM_BareSelectIntoMemory(benchmark::State& state)
{
    const QString& path = fullTable();
    for (auto _ : state) {
        const Db db(path, SQLITE_OPEN_READONLY);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db.handle, "SELECT * FROM maps ORDER BY \"Datei\"", -1, &stmt, nullptr);
        std::vector<LevelRecord> rows;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            LevelRecord& record = rows.emplace_back();
            for (int col = 0; col < kFieldCount; ++col) {
                if (sqlite3_column_type(stmt, col) == SQLITE_NULL)
                    continue;
                if (sqlite3_column_type(stmt, col) == SQLITE_TEXT)
                    record[size_t(col)] = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)),
                                                            sqlite3_column_bytes(stmt, col));
                else
                    record[size_t(col)] = sqlite3_column_int(stmt, col);
            }
        }
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_BareSelectIntoMemory)->Unit(benchmark::kMillisecond);

void BM_FindNearest(benchmark::State& state)
{
    LevelTable table;
    table.setFileName(fullTable());
    table.open();
    std::mt19937 random(7);
    std::vector<QString> keys;
    for (int i = 0; i < 1024; ++i)
        keys.push_back(QStringLiteral("LVL%1").arg(random() % (kRecords * 10), 7, 10, QChar(u'0')));
    size_t next = 0;
    for (auto _ : state) {
        table.findNearest(keys[next++ % keys.size()]);
        benchmark::DoNotOptimize(table.recNo());
    }
}
BENCHMARK(BM_FindNearest);

// Arg: 0 in key order (an exported list), 1 shuffled.
void BM_ImportAppends(benchmark::State& state)
{
    const bool shuffled = state.range(0) != 0;
    const auto& all = levelTexts(shuffled);
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshFile("import.DB");
        state.ResumeTiming();
        LevelTable table;
        table.setFileName(path);
        table.open();
        table.beginBulk();
        for (const QStringList& texts : all)
            table.appendRecord(texts);
        table.endBulk();
        table.close();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ImportAppends)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_PlainInsertOneTransaction(benchmark::State& state)
{
    const bool shuffled = state.range(0) != 0;
    levelTexts(shuffled);
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshFile("plain.DB");
        state.ResumeTiming();
        plainInsert(path, shuffled);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_PlainInsertOneTransaction)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

QString sqlLiteral(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("NULL");
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

void BM_SqliteShellImport(benchmark::State& state)
{
    const QString script = workDir().filePath(QStringLiteral("insert.sql"));
    {
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write("BEGIN;\n");
        for (const QStringList& texts : levelTexts(true)) {
            QStringList values;
            for (int pos = 0; pos < kFieldCount; ++pos) {
                const FieldValue value = fieldFromText(pos, texts.at(pos));
                if (const auto* b = std::get_if<bool>(&value))
                    values << QString::number(*b ? 1 : 0);
                else
                    values << (std::holds_alternative<int>(value) ? fieldText(pos, value) : sqlLiteral(fieldText(pos, value)));
            }
            file.write("INSERT INTO maps VALUES (" + values.join(u',').toUtf8() + ");\n");
        }
        file.write("COMMIT;\n");
    }
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshFile("shell.DB");
        const QByteArray command = QByteArray() + "sqlite3 '" + QFile::encodeName(path) + "' < '" + QFile::encodeName(script) + "'";
        state.ResumeTiming();
        if (std::system(command.constData()) != 0) {
            state.SkipWithError("sqlite3 shell failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SqliteShellImport)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// One post through the table: an edit of one record, on disk when it returns.
void BM_TablePost(benchmark::State& state)
{
    const QString path = freshFile("post.DB");
    {
        LevelTable table;
        table.setFileName(path);
        table.open();
        for (int i = 0; i < 1000; ++i)
            table.appendRecord(levelTexts(false)[size_t(i)]);
    }
    LevelTable table;
    table.setFileName(path);
    table.open();
    int n = 0;
    for (auto _ : state) {
        table.moveTo(1 + n % 1000);
        table.edit();
        table.setText(Field::MinPlayer, QString::number(n++ % 16));
        table.post();
    }
}
BENCHMARK(BM_TablePost)->Unit(benchmark::kMicrosecond);

// The same single-row write under each journal mode, exclusive locking and
// synchronous=FULL as the table uses: 0 WAL, 1 DELETE, 2 TRUNCATE, 3 PERSIST.
void BM_SingleWriteByJournalMode(benchmark::State& state)
{
    static const char* const kModes[] = {"WAL", "DELETE", "TRUNCATE", "PERSIST"};
    const char* mode = kModes[state.range(0)];
    state.SetLabel(mode);
    const QString path = freshFile("journal.DB");
    {
        const Db db(path);
        db.exec("BEGIN");
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db.handle, "INSERT INTO maps VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &stmt, nullptr);
        for (int i = 0; i < 1000; ++i) {
            bindTexts(stmt, levelTexts(false)[size_t(i)]);
            sqlite3_step(stmt);
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        db.exec("COMMIT");
    }
    const Db db(path);
    db.exec("PRAGMA locking_mode = EXCLUSIVE");
    db.exec(QByteArray(QByteArray("PRAGMA journal_mode = ") + mode).constData());
    db.exec("PRAGMA synchronous = FULL");
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db.handle, "UPDATE maps SET \"Min Player\" = ?1 WHERE \"Datei\" = ?2", -1, &stmt, nullptr);
    int n = 0;
    for (auto _ : state) {
        sqlite3_bind_int(stmt, 1, n % 16);
        const QByteArray key = levelTexts(false)[size_t(n++ % 1000)].at(0).toUtf8();
        sqlite3_bind_text(stmt, 2, key.constData(), int(key.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            std::abort();
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
}
BENCHMARK(BM_SingleWriteByJournalMode)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
