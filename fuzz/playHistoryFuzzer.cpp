// A catalogue file from anywhere with a play history in it: opened, its
// history read, a start recorded and a level deleted. A history that breaks
// the rules is refused with a reason and never written; an accepted one
// counts every stored row, a recorded start is on disk, and a deleted level
// leaves no row behind. The filter's "never played" hides exactly the levels
// with a history.

#include "FuzzSupport.h"

#include "catalogue/LevelMatcher.h"
#include "catalogue/LevelRecords.h"
#include "catalogue/LevelTable.h"
#include "catalogue/PlayHistory.h"
#include "platform/dialogs/TolvexError.h"

#include <QFile>

#include <sqlite3.h>

#include <memory>

using namespace tolvex;

namespace {

const QString& tablePath()
{
    static const QString path = fuzz::scratchDir() + QStringLiteral("/maps.DB");
    return path;
}

// The rows of the table for one name, as another program counts them; -1 when it cannot.
int storedPlays(const QString& datei)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(tablePath()).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM \"plays\" WHERE \"Datei\" = ?1", -1, &stmt, nullptr) != SQLITE_OK)
        return -1;
    const QByteArray key = datei.toUtf8();
    sqlite3_bind_text(stmt, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
    const int count = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    return count;
}

void checkNeverPlayed(LevelTable& table)
{
    LevelFilter filter;
    filter.neverPlayed = true;
    const auto matcher = std::make_shared<LevelMatcher>(filter, nullptr, &table.history());
    table.setFilter([matcher](const LevelRecords& records, int index) { return matcher->matches(records, index); });
    int hidden = 0;
    for (int index = 0; index < table.records().size(); ++index) {
        const bool played = table.history().find(table.records().key(index)) != nullptr;
        FUZZ_CHECK((table.positionOf(index) < 0) == played, table.records().key(index));
        hidden += played ? 1 : 0;
    }
    FUZZ_CHECK(table.recordCount() + hidden == table.records().size(), QString::number(hidden));
    table.setFilter({});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QFile::remove(tablePath() + QStringLiteral("-wal"));
    fuzz::putFile(tablePath(), data, size);
    LevelTable table;
    table.setFileName(tablePath());
    try {
        table.open();
    } catch (const TolvexError& e) {
        FUZZ_CHECK(!e.message().isEmpty(), QString());
        return 0;
    }
    const PlayHistory& history = table.history();
    if (history.refusal())
        FUZZ_CHECK(!history.refusal()->isEmpty() && history.size() == 0, *history.refusal());
    checkNeverPlayed(table);
    if (table.isEmpty())
        return 0;

    table.first();
    const QString datei = table.text(Field::Datei);
    const PlayHistory::Entry* before = history.find(datei);
    const int countBefore = before ? before->count : 0;
    const std::optional<QString> refused = table.recordPlay(datei, QDateTime::fromSecsSinceEpoch(1765000000, Qt::UTC));
    FUZZ_CHECK(refused || (history.find(datei) && history.find(datei)->count == countBefore + 1), datei);
    if (history.refusal())
        FUZZ_CHECK(refused == history.refusal(), datei);
    bool removed = false;
    try {
        table.remove();
        removed = true;
        FUZZ_CHECK(!history.find(datei), datei);
    } catch (const TolvexError& e) {
        FUZZ_CHECK(!e.message().isEmpty(), QString());
    }
    table.close();
    // An accepted history holds no row of a level deleted with it.
    if (removed && !refused) {
        const int left = storedPlays(datei);
        FUZZ_CHECK(left <= 0, QString::number(left));
    }
    return 0;
}
