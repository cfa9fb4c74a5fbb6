// A level table file from anywhere: opened, walked, exported, posted to,
// appended to and deleted from. Whatever the file holds, the table either
// refuses it with a message or holds only values its fields can carry; the
// export reads back as the table; and in an intact file a write that reports
// success is on disk.

#include "FuzzSupport.h"

#include "catalogue/LevelList.h"
#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelTable.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/TextFile.h"

#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace tolvex;

namespace {

// What a write that reported success must have left in the file.
struct Expectation {
    QString key;
    std::optional<QString> level; // nothing: the record must be gone
};

const QString& tablePath()
{
    static const QString path = fuzz::scratchDir() + QStringLiteral("/maps.DB");
    return path;
}

void checkRefusal(const TolvexError& e)
{
    FUZZ_CHECK(!e.message().isEmpty(), QString());
}

void checkHeldValues(const LevelTable& table)
{
    for (int index = 0; index < table.recordCount(); ++index) {
        for (int pos = 0; pos < kFieldCount; ++pos) {
            const FieldValue value = table.valueAt(index, pos);
            if (const auto* text = std::get_if<QString>(&value))
                FUZZ_CHECK(!textFault(pos, *text), *text);
            else if (const auto* n = std::get_if<int>(&value))
                FUZZ_CHECK(*n >= -32768 && *n <= 32767, QString::number(*n));
        }
        FUZZ_CHECK(table.indexOfKey(table.textAt(index, Field::Datei)) == index, table.textAt(index, Field::Datei));
    }
}

// The exported list, read back group by group through the import's conversions, is the table.
void checkExport(LevelTable& table)
{
    QByteArray bytes;
    try {
        bytes = LevelListTransfer(table).exportText();
    } catch (const TolvexError& e) {
        checkRefusal(e);
        return;
    }
    const QStringList lines = splitLines(bytes);
    FUZZ_CHECK(lines.size() == qsizetype(table.recordCount()) * kFieldCount, QString::number(lines.size()));
    for (int index = 0; index < table.recordCount(); ++index) {
        const QStringList texts = LevelList::groupTexts(lines.mid(qsizetype(index) * kFieldCount, kFieldCount));
        for (int pos = 0; pos < kFieldCount; ++pos)
            FUZZ_CHECK(fieldFromText(pos, texts.at(pos)) == table.valueAt(index, pos), texts.at(pos));
    }
}

void tryWrite(std::vector<Expectation>& expected, const Expectation& outcome, const std::function<void()>& write)
{
    try {
        write();
    } catch (const TolvexError& e) {
        checkRefusal(e);
        return;
    }
    expected.push_back(outcome);
}

std::vector<Expectation> writeTo(LevelTable& table)
{
    std::vector<Expectation> expected;
    if (!table.isEmpty()) {
        table.first();
        const QString key = table.text(Field::Datei);
        tryWrite(expected, {key, QStringLiteral("geändert")}, [&] {
            table.edit();
            table.setText(Field::Level, QStringLiteral("geändert"));
            table.post();
        });
        table.cancel();
    }
    if (table.recordCount() > 1) {
        table.last();
        const QString key = table.text(Field::Datei);
        tryWrite(expected, {key, std::nullopt}, [&] { table.remove(); });
    }
    QStringList texts(kFieldCount);
    texts[Field::Datei] = QStringLiteral("fuzzneu");
    texts[Field::Level] = QStringLiteral("Neu");
    if (table.indexOfKey(texts[Field::Datei]) < 0)
        tryWrite(expected, {texts[Field::Datei], texts[Field::Level]}, [&] { table.appendRecord(texts); });
    return expected;
}

using Db = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

// Another program's read-only look at the file.
Db reader()
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(tablePath()).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    Db db(raw, sqlite3_close);
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    return db;
}

// In a damaged file an index may point a lookup at another row, for the
// table's writes and for the reader that checks them alike: only a file that
// passes SQLite's integrity check can be held to its writes.
bool intact()
{
    const Db db = reader();
    sqlite3_stmt* stmt = nullptr;
    bool ok = sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK
        && sqlite3_step(stmt) == SQLITE_ROW
        && std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "ok") == 0;
    sqlite3_finalize(stmt);
    return ok;
}

// Reads the file as another program would; a file too damaged to answer proves nothing either way.
void checkStored(const std::vector<Expectation>& expected)
{
    const Db db = reader();
    for (auto it = expected.rbegin(); it != expected.rend(); ++it) {
        const Expectation& e = *it;
        // A later write to the same record decides what it must hold.
        if (std::any_of(expected.rbegin(), it, [&](const Expectation& later) { return later.key.compare(e.key, Qt::CaseInsensitive) == 0; }))
            continue;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db.get(), "SELECT \"Level\" FROM \"maps\" WHERE \"Datei\" = ?1", -1, &stmt, nullptr) != SQLITE_OK)
            return;
        const QByteArray key = e.key.toUtf8();
        sqlite3_bind_text(stmt, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(stmt);
        const QString level = rc == SQLITE_ROW ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) : QString();
        sqlite3_finalize(stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return;
        if (e.level)
            FUZZ_CHECK(rc == SQLITE_ROW && level == *e.level, e.key);
        else
            FUZZ_CHECK(rc == SQLITE_DONE, e.key);
    }
}

void removeCompanions()
{
    for (const char* companion : {"-wal", "-journal", "-shm"})
        QFile::remove(tablePath() + QLatin1String(companion));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    removeCompanions();
    fuzz::putFile(tablePath(), data, size);
    const bool heldToWrites = intact();
    removeCompanions();

    std::vector<Expectation> expected;
    {
        LevelTable table;
        table.setFileName(tablePath());
        try {
            table.open();
        } catch (const TolvexError& e) {
            checkRefusal(e);
            FUZZ_CHECK(fuzz::fileBytes(tablePath()) == QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
                       QStringLiteral("a refused file was changed"));
            return 0;
        }
        checkHeldValues(table);
        checkExport(table);
        expected = writeTo(table);
        table.close();
    }
    if (heldToWrites)
        checkStored(expected);
    return 0;
}
