#include "catalogue/LevelStore.h"

#include "catalogue/LevelRecords.h"
#include "catalogue/LevelSchema.h"
#include "platform/dialogs/SystemTexts.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"
#include "platform/files/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>

namespace tolvex {

namespace {

// Appends of an import share a transaction this long: every commit costs the
// journal's four syncs, so a catalogue-sized import commits once or twice,
// and a crash loses at most the unfinished batch (which the next import of
// the list adds again), never the file.
constexpr int kBulkBatch = 131072;

struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

struct StmtFinalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

[[noreturn]] void fail(const QString& message)
{
    throw TolvexError(message);
}

// Binds a record from its stored bytes: plain ASCII texts where they lie,
// other texts as UTF-8 gathered in `utf8`; both must outlive the step.
void bindPacked(sqlite3_stmt* stmt, const PackedRecord& record, std::string& utf8)
{
    using Kind = StoredField::Kind;
    const std::array<StoredField, kFieldCount> fields = record.fields();
    std::array<std::pair<std::size_t, std::size_t>, kFieldCount> converted{};
    utf8.clear();
    for (size_t i = 0; i < fields.size(); ++i) {
        const QByteArrayView bytes = fields[i].bytes;
        if (fields[i].kind == Kind::Text && std::any_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; })) {
            const std::size_t start = utf8.size();
            cp1252::appendUtf8(utf8, bytes);
            converted[i] = {start, utf8.size() - start};
        }
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        const StoredField& f = fields[i];
        const int param = int(i) + 1;
        switch (f.kind) {
        case Kind::Text:
            if (converted[i].second > 0)
                sqlite3_bind_text(stmt, param, utf8.data() + converted[i].first, int(converted[i].second), SQLITE_STATIC);
            else
                sqlite3_bind_text(stmt, param, f.bytes.data(), int(f.bytes.size()), SQLITE_STATIC);
            break;
        case Kind::Number:
            sqlite3_bind_int(stmt, param, f.number);
            break;
        case Kind::False:
        case Kind::True:
            sqlite3_bind_int(stmt, param, f.kind == Kind::True ? 1 : 0);
            break;
        case Kind::Empty:
            sqlite3_bind_null(stmt, param);
            break;
        }
    }
}

// Runs one prepared write, its parameters bound.
int step(sqlite3_stmt* stmt)
{
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    return rc;
}

// The key names the stored record an update or delete replaces.
void bindKey(sqlite3_stmt* stmt, int param, const QString& key)
{
    sqlite3_bind_text16(stmt, param, key.utf16(), int(key.size() * qsizetype(sizeof(char16_t))), SQLITE_STATIC);
}

QString columnList()
{
    QStringList names;
    for (const FieldDef& def : kLevelFields)
        names << u'"' + QLatin1String(def.name) + u'"';
    return names.join(u", ");
}

// The file may come from any program: nothing stored in it may run code
// (triggers, extensions, functions in the schema) or write around the engine.
bool guardAgainstTheFile(sqlite3* db)
{
    return sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr) == SQLITE_OK
        && sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr) == SQLITE_OK
        && sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr) == SQLITE_OK
        && sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr) == SQLITE_OK
        && sqlite3_enable_load_extension(db, 0) == SQLITE_OK;
}

// A record refused at open, by its place in key order and, when it could
// be read, its file name: both find it in another program.
QString recordName(int number, const QString& key)
{
    return key.isEmpty() ? QString::number(number) : QStringLiteral("%1 ('%2')").arg(number).arg(key);
}

// Never created here: without SQLITE_OPEN_CREATE a missing file stays missing.
Db connect(const QString& name)
{
    if (!fileExists(name))
        fail(formatMessage(QStringLiteral("Tabelle %s nicht gefunden"), {name}));
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(name).constData(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOMUTEX, nullptr);
    Db db(raw);
    if (opened != SQLITE_OK) {
        const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db.get())) : QString::fromUtf8(sqlite3_errstr(opened));
        fail(formatMessage(QStringLiteral("Tabelle %s kann nicht geöffnet werden: %s"), {name, why}));
    }
    // SQLite falls back to reading only when it may not write, and root may write anything.
    if (sqlite3_db_readonly(db.get(), "main") == 1 || isWriteProtected(name))
        fail(formatMessage(QStringLiteral("Tabelle %s ist schreibgeschützt"), {name}));
    return db;
}

} // namespace

struct LevelStore::Connection {
    Db db;
    // The UTF-8 of a record's texts while its insert runs.
    std::string utf8;
    Stmt insertStmt;
    Stmt updateStmt;
    Stmt deleteStmt;

    [[nodiscard]] Stmt prepare(const QString& sql, const QString& fileName) const
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v3(db.get(), sql.toUtf8().constData(), -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr) != SQLITE_OK)
            fail(formatMessage(QStringLiteral("Tabelle %s kann nicht gelesen werden: %s"),
                               {fileName, QString::fromUtf8(sqlite3_errmsg(db.get()))}));
        return Stmt(raw);
    }
};

LevelStore::LevelStore(DropUnstored dropUnstored)
    : m_dropUnstored(std::move(dropUnstored))
{
}

LevelStore::~LevelStore() = default;

void LevelStore::open(const QString& fileName, LevelRecords& records)
{
    m_fileName = fileName;
    auto connection = std::make_unique<Connection>();
    connection->db = connect(fileName);
    m_c = std::move(connection);
    try {
        if (!guardAgainstTheFile(m_c->db.get()))
            fail(openFailed(engineMessage()));
        lockExclusively();
        // Taken once the lock is held: from now on no other copy of the
        // program writes the file, so a different one at the name later was
        // put there from outside.
        m_identity = fileIdentity(fileName);
        checkShape();
        load(records);
        m_history.load(m_c->db.get());
        prepareWrites();
        // Everything so far only read. Ending without a commit also drops
        // what SQLite repairs on its own in a damaged header, so that a table
        // refused up to here is left exactly as it was found.
        if (exec("ROLLBACK") != SQLITE_OK)
            fail(openFailed(engineMessage()));
        switchToWal();
    } catch (...) {
        m_c.reset();
        m_history.clear();
        records.clear();
        throw;
    }
}

// The exclusive lock is taken now and held until close, so a second program
// fails at its open instead of at its first write.
void LevelStore::lockExclusively()
{
    sqlite3_busy_timeout(m_c->db.get(), 0);
    if (exec("PRAGMA locking_mode = EXCLUSIVE") != SQLITE_OK)
        fail(openFailed(engineMessage()));
    if (exec("BEGIN EXCLUSIVE") == SQLITE_OK)
        return;
    switch (sqlite3_errcode(m_c->db.get()) & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        fail(formatMessage(QStringLiteral("Tabelle %s wird von einem anderen Programm benutzt"), {m_fileName}));
    case SQLITE_NOTADB:
        fail(formatMessage(QStringLiteral("Datei %s ist keine SQLite-Datenbank"), {m_fileName}));
    default:
        fail(openFailed(engineMessage()));
    }
}

void LevelStore::checkShape()
{
    if (const auto why = LevelSchema::mismatch(m_c->db.get())) {
        exec("ROLLBACK");
        fail(formatMessage(QStringLiteral("Tabelle %s hat nicht den erwarteten Aufbau: %s"), {m_fileName, *why}));
    }
}

void LevelStore::load(LevelRecords& records)
{
    const Stmt select = m_c->prepare(QStringLiteral("SELECT %1 FROM \"maps\" ORDER BY \"Datei\"").arg(columnList()), m_fileName);
    const QString refused = QStringLiteral("Tabelle %s kann nicht geöffnet werden: Datensatz %s: %s");
    int rc = SQLITE_OK;
    PackedRecord::Writer writer;
    std::vector<PackedRecord> loaded;
    while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
        if (const auto why = LevelSchema::readRecord(select.get(), writer)) {
            // What was read before the refused field holds the name, unless that is the one refused.
            const QString key = keyOf(writer.finish());
            fail(formatMessage(refused, {m_fileName, recordName(int(loaded.size()) + 1, key), *why}));
        }
        loaded.push_back(writer.finish());
    }
    if (rc != SQLITE_DONE)
        fail(formatMessage(QStringLiteral("Tabelle %s kann nicht gelesen werden: %s"), {m_fileName, engineMessage()}));
    records.assign(std::move(loaded));
    // Only a damaged key index lets two stored records share a key; a write
    // to one of them would reach both.
    if (const int repeated = records.firstRepeatedKey(); repeated > 0)
        fail(formatMessage(refused, {m_fileName, recordName(repeated + 1, records.key(repeated)), QStringLiteral("Feld 'Datei' kommt zweimal vor")}));
}

void LevelStore::prepareWrites()
{
    const QString columns = columnList();
    QStringList placeholders;
    QStringList assignments;
    for (int i = 0; i < kFieldCount; ++i) {
        placeholders << QStringLiteral("?%1").arg(i + 1);
        assignments << QStringLiteral("\"%1\" = ?%2").arg(QLatin1String(kLevelFields[size_t(i)].name)).arg(i + 1);
    }
    // OR ABORT overrides any conflict clause another program gave the
    // table: REPLACE would delete other records unseen, IGNORE store nothing.
    m_c->insertStmt = m_c->prepare(QStringLiteral("INSERT OR ABORT INTO \"maps\" (%1) VALUES (%2)").arg(columns, placeholders.join(u", ")), m_fileName);
    m_c->updateStmt = m_c->prepare(QStringLiteral("UPDATE OR ABORT \"maps\" SET %1 WHERE \"Datei\" = ?%2").arg(assignments.join(u", ")).arg(kFieldCount + 1), m_fileName);
    m_c->deleteStmt = m_c->prepare(QStringLiteral("DELETE FROM \"maps\" WHERE \"Datei\" = ?1"), m_fileName);
}

// WAL: a post costs one sync of the log instead of the journal's several
// syncs and a file deletion (see bench/tableBench.cpp). In exclusive locking
// mode the log index lives in memory, so there is no -shm file, and the -wal
// file is folded back at close.
void LevelStore::switchToWal()
{
    if (exec("PRAGMA journal_mode = WAL") != SQLITE_OK || exec("PRAGMA synchronous = FULL") != SQLITE_OK
        || exec("BEGIN EXCLUSIVE") != SQLITE_OK || exec("COMMIT") != SQLITE_OK)
        fail(openFailed(engineMessage()));
}

void LevelStore::close()
{
    if (!m_c)
        return;
    if (m_inTransaction && exec("COMMIT") != SQLITE_OK)
        exec("ROLLBACK");
    m_inTransaction = false;
    m_transactionCount = 0;
    m_transactionKeys.clear();
    m_bulkDepth = 0;
    m_bulkJournal = false;
    m_c.reset();
    m_history.clear();
    m_identity.reset();
}

void LevelStore::insert(const PackedRecord& record)
{
    commitOpenBatch();
    if (const auto failure = insertOne(record))
        fail(*failure);
}

void LevelStore::append(const PackedRecord& record)
{
    if (m_bulkDepth == 0)
        insert(record);
    else
        appendToBatch(record);
}

void LevelStore::appendToBatch(const PackedRecord& record)
{
    const QString key = keyOf(record);
    if (!m_inTransaction) {
        if (exec("BEGIN IMMEDIATE") != SQLITE_OK)
            fail(writeErrorMessage(key));
        m_inTransaction = true;
    }
    // A refused INSERT is undone by SQLite on its own and leaves the earlier
    // records of the batch in place; those are committed at once, since the
    // import stops here.
    if (const auto failure = insertOne(record)) {
        const QString message = *failure;
        if (sqlite3_get_autocommit(m_c->db.get())) {
            m_inTransaction = false;
            m_transactionCount = 0;
            dropBatch();
        } else {
            commitTransaction();
        }
        fail(message);
    }
    m_transactionKeys.push_back(key);
    if (++m_transactionCount >= kBulkBatch)
        commitTransaction();
}

void LevelStore::update(const QString& storedKey, const PackedRecord& record)
{
    commitOpenBatch();
    sqlite3_stmt* stmt = m_c->updateStmt.get();
    bindPacked(stmt, record, m_c->utf8);
    bindKey(stmt, kFieldCount + 1, storedKey);
    if (step(stmt) != SQLITE_DONE)
        fail(writeErrorMessage(keyOf(record)));
    requireOneChanged(storedKey);
}

void LevelStore::remove(const QString& storedKey)
{
    commitOpenBatch();
    const auto failed = [&](const QString& why) {
        return formatMessage(QStringLiteral("Datensatz '%s' kann nicht aus Tabelle %s gelöscht werden: %s"), {storedKey, m_fileName, why});
    };
    if (exec("SAVEPOINT removal") != SQLITE_OK)
        fail(failed(engineMessage()));
    // Neither the record nor its history goes unless both do.
    auto undo = qScopeGuard([this] {
        exec("ROLLBACK TO removal");
        exec("RELEASE removal");
    });
    bindKey(m_c->deleteStmt.get(), 1, storedKey);
    if (step(m_c->deleteStmt.get()) != SQLITE_DONE)
        fail(failed(engineMessage()));
    requireOneChanged(storedKey);
    if (const auto why = m_history.forget(m_c->db.get(), storedKey))
        fail(failed(*why));
    if (exec("RELEASE removal") != SQLITE_OK)
        fail(failed(engineMessage()));
    undo.dismiss();
    m_history.drop(storedKey);
}

std::optional<QString> LevelStore::recordPlay(const QString& datei, const QDateTime& utc)
{
    if (!m_c)
        return QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar");
    commitOpenBatch();
    return m_history.record(m_c->db.get(), datei, utc);
}

// Appends out of key order touch pages all over the file: a larger cache keeps
// a batch's pages in memory until its commit instead of spilling them.
// Through the log every page would be written twice, into the log and back
// into the file, so the bulk goes through a rollback journal, which writes
// the new pages once and copies only the pages a batch changes. The switch
// needs the file to itself, which the exclusive lock gives; should the
// engine refuse it all the same, the log is folded back once, after the
// bulk, rather than after every batch.
void LevelStore::beginBulk()
{
    if (m_bulkDepth++ > 0)
        return;
    exec("PRAGMA cache_size = -65536");
    m_bulkJournal = setJournalMode("delete");
    if (!m_bulkJournal)
        exec("PRAGMA wal_autocheckpoint = 0");
}

void LevelStore::endBulk()
{
    if (m_bulkDepth == 0 || --m_bulkDepth > 0)
        return;
    // Also after a failed commit: the file goes back to the log, which a
    // refusal leaves in the journal's mode, as safe and only slower.
    const auto restore = qScopeGuard([this] {
        exec("PRAGMA cache_size = -2000");
        if (std::exchange(m_bulkJournal, false))
            (void)setJournalMode("wal");
    });
    // Through the log, the last commit folds it back.
    if (!m_bulkJournal)
        exec("PRAGMA wal_autocheckpoint = 1000");
    commitOpenBatch();
}

// Whether the file now keeps the given journal mode.
bool LevelStore::setJournalMode(const char* mode)
{
    sqlite3_stmt* raw = nullptr;
    const QByteArray sql = QByteArray("PRAGMA journal_mode = ") + mode;
    if (sqlite3_prepare_v2(m_c->db.get(), sql.constData(), -1, &raw, nullptr) != SQLITE_OK)
        return false;
    const Stmt pragma(raw);
    return sqlite3_step(pragma.get()) == SQLITE_ROW
        && qstricmp(reinterpret_cast<const char*>(sqlite3_column_text(pragma.get(), 0)), mode) == 0;
}

// A write outside an import is a transaction of its own, on disk when it returns.
void LevelStore::commitOpenBatch()
{
    if (m_inTransaction)
        commitTransaction();
}

void LevelStore::commitTransaction()
{
    m_inTransaction = false;
    m_transactionCount = 0;
    if (exec("COMMIT") == SQLITE_OK) {
        m_transactionKeys.clear();
        return;
    }
    const QString why = engineMessage();
    exec("ROLLBACK");
    dropBatch();
    fail(formatMessage(QStringLiteral("Tabelle %s kann nicht gespeichert werden: %s"), {m_fileName, why}));
}

void LevelStore::dropBatch()
{
    const std::vector<QString> keys = std::exchange(m_transactionKeys, {});
    m_dropUnstored(keys);
}

// Inserts one record; the reason when the file did not take exactly that one row.
std::optional<QString> LevelStore::insertOne(const PackedRecord& record) const
{
    sqlite3_stmt* stmt = m_c->insertStmt.get();
    bindPacked(stmt, record, m_c->utf8);
    if (step(stmt) != SQLITE_DONE)
        return writeErrorMessage(keyOf(record));
    if (sqlite3_changes(m_c->db.get()) != 1)
        return notTakenMessage(keyOf(record));
    return std::nullopt;
}

QString LevelStore::notTakenMessage(const QString& key) const
{
    return formatMessage(QStringLiteral("Datensatz '%s' kann nicht in Tabelle %s gespeichert werden: %s"),
                         {key, m_fileName, QStringLiteral("die Tabelle hat ihn nicht übernommen")});
}

// An update or delete that found no row to change is no success.
void LevelStore::requireOneChanged(const QString& storedKey) const
{
    if (sqlite3_changes(m_c->db.get()) != 1)
        fail(formatMessage(QStringLiteral("Datensatz '%s' ist in Tabelle %s nicht mehr vorhanden"), {storedKey, m_fileName}));
}

int LevelStore::exec(const char* sql) const
{
    return sqlite3_exec(m_c->db.get(), sql, nullptr, nullptr, nullptr);
}

QString LevelStore::engineMessage() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_c->db.get()));
}

QString LevelStore::openFailed(const QString& why) const
{
    return formatMessage(QStringLiteral("Tabelle %s kann nicht geöffnet werden: %s"), {m_fileName, why});
}

QString catalogueReplacedMessage(const QString& fileName)
{
    const QString pattern = systemLanguage() == SystemLanguage::English
        ? QStringLiteral("%s was replaced while it was being written; the levels were not saved")
        : QStringLiteral("%s wurde während des Schreibens ersetzt; die Level wurden nicht gespeichert");
    return formatMessage(pattern, {QFileInfo(fileName).fileName()});
}

void LevelStore::requireInPlace() const
{
    if (!m_c || !m_identity || fileIdentity(m_fileName) != m_identity)
        fail(catalogueReplacedMessage(m_fileName));
}

QString LevelStore::keyViolationMessage(const QString& key) const
{
    return formatMessage(QStringLiteral("Schlüsselverletzung: Datei-Name '%s' ist in Tabelle %s schon vorhanden"), {key, m_fileName});
}

QString LevelStore::writeErrorMessage(const QString& key) const
{
    if (sqlite3_extended_errcode(m_c->db.get()) == SQLITE_CONSTRAINT_PRIMARYKEY)
        return keyViolationMessage(key);
    return formatMessage(QStringLiteral("Datensatz '%s' kann nicht in Tabelle %s gespeichert werden: %s"), {key, m_fileName, engineMessage()});
}

} // namespace tolvex
