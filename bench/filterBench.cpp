// The overview's filter over the largest catalogue: a keystroke in its text
// (the text anywhere in three fields, plus the type and a number of players)
// next to the same selection as one SQLite query on the same records; the
// grid's update once the table is filtered; and the memory of the filter and
// of a history of ten starts per level against the catalogue's own.

#include "bench/BenchData.h"
#include "bench/ProgramWindows.h"
#include "bench/Registration.h"
#include "catalogue/LevelMatcher.h"
#include "catalogue/LevelRecords.h"
#include "catalogue/LevelTable.h"
#include "overview/tabelle.h"
#include "platform/dataaware/DBGrid.h"
#include "platform/dataaware/DisplaySuspension.h"
#include "tests/support/ChildProcess.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QSet>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>

using namespace tolvex;
using namespace tolvex::bench;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPlayers = 6;

// What a user types: the letters of a word of some title, one after the other.
class Typist {
public:
    QString nextText()
    {
        if (m_typed == m_word.size()) {
            const auto& levels = generatedLevels();
            // ASCII words only: a query cannot take the accents off as the filter does.
            do {
                const QStringList words = levels[m_random() % levels.size()][Field::Level].split(u' ');
                m_word = words.front().toLower();
            } while (std::any_of(m_word.begin(), m_word.end(), [](QChar c) { return c.unicode() > 0x7f; }));
            m_typed = 0;
        }
        return m_word.left(++m_typed);
    }

private:
    std::mt19937 m_random{5};
    QString m_word;
    qsizetype m_typed = 0;
};

void filterTable(LevelTable& table, const QString& text)
{
    LevelFilter filter;
    filter.text = text;
    filter.type = LevelFilter::Type::DM;
    filter.players = kPlayers;
    const auto matcher = std::make_shared<LevelMatcher>(filter, nullptr, &table.history());
    table.setFilter([matcher](const LevelRecords& records, int index) { return matcher->matches(records, index); });
}

struct Peer {
    sqlite3* db = nullptr;
    sqlite3_stmt* select = nullptr;
    ~Peer()
    {
        sqlite3_finalize(select);
        sqlite3_close(db);
    }
};

// The names SQLite selects, as the filter does with the same conditions.
int peerSelect(Peer& peer, const QString& text)
{
    const QByteArray pattern = '%' + text.toUtf8() + '%';
    sqlite3_bind_text(peer.select, 1, pattern.constData(), int(pattern.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(peer.select, 2, kPlayers);
    int rows = 0;
    while (sqlite3_step(peer.select) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_text(peer.select, 0));
        ++rows;
    }
    sqlite3_reset(peer.select);
    return rows;
}

// SQLite's LIKE folds only the ASCII letters, the filter also takes the
// accents off ("u" finds "Über"): every record the query selects must be
// shown, and every other record shown must hold a letter beyond ASCII.
bool sameSelectionButAccents(const LevelTable& table, Peer& peer, const QString& text)
{
    const QByteArray pattern = '%' + text.toUtf8() + '%';
    sqlite3_bind_text(peer.select, 1, pattern.constData(), int(pattern.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(peer.select, 2, kPlayers);
    QSet<QString> selected;
    bool shown = true;
    while (sqlite3_step(peer.select) == SQLITE_ROW) {
        const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(peer.select, 0)));
        selected.insert(name);
        shown = shown && table.positionOf(table.indexOfKey(name)) >= 0;
    }
    sqlite3_reset(peer.select);
    if (!shown)
        return false;
    const LevelRecords& records = table.records();
    for (int position = 0; position < table.recordCount(); ++position) {
        const int index = table.recordIndex(position);
        if (selected.contains(records.key(index)))
            continue;
        const auto fields = records.fields(index);
        const bool accented = std::any_of(fields.begin(), fields.begin() + Field::Beschreibung + 1, [](const StoredField& f) {
            return f.kind == StoredField::Kind::Text && std::any_of(f.bytes.begin(), f.bytes.end(), [](char c) { return c & 0x80; });
        });
        if (!accented)
            return false;
    }
    return true;
}

void BM_FilterKeystroke(benchmark::State& state)
{
    LevelTable table;
    table.setFileName(catalogueCopy(QStringLiteral("filter"), kLargest));
    table.open();
    Peer peer;
    // A copy of its own: the table holds its file exclusively.
    if (sqlite3_open_v2(QFile::encodeName(catalogueCopy(QStringLiteral("filter-peer"), kLargest)).constData(), &peer.db,
                        SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(peer.db,
                              "SELECT \"Datei\" FROM maps WHERE (\"Datei\" LIKE ?1 OR \"Level\" LIKE ?1 OR \"Beschreibung\" LIKE ?1)"
                              " AND \"Typ\" = 'DM' COLLATE NOCASE"
                              " AND (\"Min Player\" IS NULL OR \"Min Player\" <= ?2) AND (\"Max Player\" IS NULL OR \"Max Player\" >= ?2)",
                              -1, &peer.select, nullptr) != SQLITE_OK) {
        state.SkipWithError("the peer could not read the catalogue");
        return;
    }
    Typist typist;
    double peerSeconds = 0;
    for (auto _ : state) {
        const QString text = typist.nextText();
        const auto start = Clock::now();
        filterTable(table, text);
        const auto filtered = Clock::now();
        const int peerRows = peerSelect(peer, text);
        const auto selected = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(filtered - start).count());
        peerSeconds += std::chrono::duration<double>(selected - filtered).count();
        if (peerRows != table.recordCount() && !sameSelectionButAccents(table, peer, text)) {
            state.SkipWithError("the filter and the query selected different records");
            return;
        }
    }
    state.counters["peer"] = benchmark::Counter(peerSeconds, benchmark::Counter::kAvgIterations);
}
TOLVEX_BENCHMARK(BM_FilterKeystroke)->Apply(repeatedByHand)->Unit(benchmark::kMillisecond);

// From the filtered table to the grid repainted: the rows counted anew and
// the visible cells read and drawn.
void BM_FilterGridUpdate(benchmark::State& state)
{
    ProgramWindows::instance();
    Form1->show();
    QApplication::processEvents();
    Typist typist;
    for (auto _ : state) {
        state.PauseTiming();
        auto suspension = std::make_unique<DisplaySuspension>(*Form1->Table1);
        filterTable(*Form1->Table1, typist.nextText());
        state.ResumeTiming();
        suspension.reset();
        Form1->DBGrid1->viewport()->repaint();
    }
    state.counters["rows"] = double(Form1->Table1->recordCount());
    Form1->Table1->setFilter({});
    Form1->hide();
    const QString errors = ProgramWindows::instance().takeErrors();
    if (!errors.isEmpty())
        state.SkipWithError(errors.toStdString().c_str());
}
TOLVEX_BENCHMARK(BM_FilterGridUpdate)->Apply(repeated)->Unit(benchmark::kMillisecond);

// The largest catalogue with ten starts of every level in its history.
QString catalogueWithHistory()
{
    const QString path = catalogueCopy(QStringLiteral("filter-history"), kLargest);
    {
        LevelTable table;
        table.setFileName(path);
        table.open();
        // The first start creates the table as the program does.
        if (table.recordPlay(table.records().key(0), QDateTime::currentDateTimeUtc()))
            throw std::runtime_error("the history could not be created");
    }
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    const bool filled = sqlite3_exec(db,
                                     "BEGIN;"
                                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10)"
                                     " INSERT INTO plays SELECT \"Datei\", printf('2026-%02d-%02d 20:00:00', i, i + 10) FROM maps, n;"
                                     "COMMIT;",
                                     nullptr, nullptr, nullptr)
        == SQLITE_OK;
    sqlite3_close(db);
    if (!filled)
        throw std::runtime_error("the history could not be filled");
    return path;
}

qint64 peakOf(const QString& file, const char* mode)
{
    const test::ChildResult result = test::runProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/holdTable"),
                                                      {file, QLatin1String(mode)}, test::Streams::Output);
    bool ok = result.succeeded();
    const qint64 bytes = ok ? result.output.trimmed().toLongLong(&ok) : 0;
    if (!ok || bytes <= 0)
        throw std::runtime_error("the table could not be held");
    return bytes;
}

void BM_FilterMemory(benchmark::State& state)
{
    const QString plain = catalogueCopy(QStringLiteral("filter-plain"), kLargest);
    const QString withHistory = catalogueWithHistory();
    const QString empty = emptyCatalogue(QStringLiteral("filter-empty.DB"));
    qint64 catalogue = 0;
    qint64 added = 0;
    for (auto _ : state) {
        const qint64 base = peakOf(empty, "plain");
        const qint64 held = peakOf(plain, "plain");
        catalogue = held - base;
        added = peakOf(withHistory, "filtered") - held;
    }
    state.counters["catalogue_bytes"] = double(catalogue);
    state.counters["filter_history_bytes"] = double(added);
}
TOLVEX_BENCHMARK(BM_FilterMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
