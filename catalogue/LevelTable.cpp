#include "catalogue/LevelTable.h"

#include "catalogue/LevelSchema.h"
#include "platform/SafeFile.h"
#include "platform/TolvexError.h"

#include <QFile>
#include <QScopeGuard>

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace tolvex {

namespace {

// Appends of an import share a transaction this long: few syncs, and a crash
// loses at most the unfinished batch, never the file.
constexpr int kBulkBatch = 4096;

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

QString closedMessage()
{
    return QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar");
}

// SQLite's NOCASE on UTF-8: ASCII letters folded, everything else by code
// point. UTF-16 units are shifted so that surrogates sort above the rest of
// the BMP, which gives code point order.
char32_t keyWeight(char16_t u)
{
    if (u >= u'A' && u <= u'Z')
        return u + (u'a' - u'A');
    if (u >= 0xE000)
        return u - 0x800;
    if (u >= 0xD800)
        return u + 0x2000;
    return u;
}

int compareKeys(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t x = keyWeight(a[i].unicode());
        const char32_t y = keyWeight(b[i].unicode());
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

QString keyOf(const LevelRecord& record)
{
    const auto* key = std::get_if<QString>(&record[Field::Datei]);
    return key ? *key : QString();
}

int bindValue(sqlite3_stmt* stmt, int param, const FieldValue& value)
{
    if (const auto* text = std::get_if<QString>(&value)) {
        const QByteArray utf8 = text->toUtf8();
        return sqlite3_bind_text(stmt, param, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    if (const auto* n = std::get_if<int>(&value))
        return sqlite3_bind_int(stmt, param, *n);
    if (const auto* flag = std::get_if<bool>(&value))
        return sqlite3_bind_int(stmt, param, *flag ? 1 : 0);
    return sqlite3_bind_null(stmt, param);
}

QString columnList()
{
    QStringList names;
    for (const FieldDef& def : kLevelFields)
        names << u'"' + QLatin1String(def.name) + u'"';
    return names.join(u", ");
}

// The records in key order. The records themselves stay where they were
// stored; the order is a list of slot numbers, so an insertion in the middle
// of a large table moves a few bytes per record, not the records.
class KeyOrderedRecords {
public:
    [[nodiscard]] int size() const { return int(m_order.size()); }
    [[nodiscard]] bool empty() const { return m_order.empty(); }
    [[nodiscard]] LevelRecord& operator[](int index) { return m_slots[m_order[size_t(index)]]; }
    [[nodiscard]] const LevelRecord& operator[](int index) const { return m_slots[m_order[size_t(index)]]; }

    void insert(int index, LevelRecord record)
    {
        uint32_t slot = 0;
        if (m_free.empty()) {
            slot = uint32_t(m_slots.size());
            m_slots.push_back(std::move(record));
        } else {
            slot = m_free.back();
            m_free.pop_back();
            m_slots[slot] = std::move(record);
        }
        m_order.insert(m_order.begin() + index, slot);
    }

    void append(LevelRecord record) { insert(size(), std::move(record)); }

    void erase(int index)
    {
        const uint32_t slot = m_order[size_t(index)];
        m_slots[slot] = {};
        m_free.push_back(slot);
        m_order.erase(m_order.begin() + index);
    }

    void clear()
    {
        m_order.clear();
        m_free.clear();
        m_slots.clear();
    }

    // The first position whose key is not less than the given one.
    [[nodiscard]] int lowerBound(QStringView key) const
    {
        // A list exported in key order and imported into a table of smaller
        // names appends at the end every time: one comparison instead of a search.
        if (m_order.empty() || compareKeys(keyOf(m_slots[m_order.back()]), key) < 0)
            return size();
        const auto it = std::lower_bound(m_order.begin(), m_order.end(), key, [this](uint32_t slot, QStringView k) {
            return compareKeys(keyOf(m_slots[slot]), k) < 0;
        });
        return int(it - m_order.begin());
    }

    void sortByKey()
    {
        const auto less = [this](uint32_t a, uint32_t b) { return compareKeys(keyOf(m_slots[a]), keyOf(m_slots[b])) < 0; };
        if (!std::is_sorted(m_order.begin(), m_order.end(), less))
            std::stable_sort(m_order.begin(), m_order.end(), less);
    }

private:
    std::deque<LevelRecord> m_slots;
    std::vector<uint32_t> m_free;
    std::vector<uint32_t> m_order;
};

} // namespace

struct LevelTable::Impl {
    explicit Impl(LevelTable* table) : q(table) {}

    LevelTable* q;
    QString fileName = QStringLiteral("maps.DB");
    Db db;
    Stmt insertStmt;
    Stmt updateStmt;
    Stmt deleteStmt;

    KeyOrderedRecords rows;
    State state = State::Inactive;
    int cur = -1;
    bool bof = true;
    bool eof = true;

    LevelRecord pending;
    bool modified = false;
    bool bofBeforeInsert = true;
    bool eofBeforeInsert = true;

    int disabled = 0;
    int bulkDepth = 0;
    bool inTransaction = false;
    int transactionCount = 0;
    std::vector<QString> transactionKeys;

    void requireOpen() const
    {
        if (state == State::Inactive)
            fail(closedMessage());
    }

    void requireEditing() const
    {
        if (state != State::Edit && state != State::Insert)
            fail(QStringLiteral("Datenmenge befindet sich nicht im Editier- oder Einfüge-Modus"));
    }

    static void requireField(int pos)
    {
        if (pos < 0 || pos >= kFieldCount)
            fail(listIndexMessage(pos));
    }

    [[nodiscard]] QString engineMessage() const { return QString::fromUtf8(sqlite3_errmsg(db.get())); }

    int exec(const char* sql) const { return sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr); }

    Stmt prepare(const QString& sql) const
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v3(db.get(), sql.toUtf8().constData(), -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr) != SQLITE_OK)
            fail(formatMessage(QStringLiteral("Tabelle %s kann nicht gelesen werden: %s"), {fileName, engineMessage()}));
        return Stmt(raw);
    }

    // The first position whose key is not less than the given one.
    [[nodiscard]] int lowerBound(QStringView key) const
    {
        return rows.lowerBound(key);
    }

    [[nodiscard]] int indexOf(QStringView key) const
    {
        const int pos = lowerBound(key);
        return pos < rows.size() && compareKeys(keyOf(rows[pos]), key) == 0 ? pos : -1;
    }

    int insertRow(LevelRecord record)
    {
        const int pos = lowerBound(keyOf(record));
        rows.insert(pos, std::move(record));
        return pos;
    }

    void checkRequiredAndKey(const LevelRecord& record, int ownIndex) const
    {
        for (const int pos : {int(Field::Datei), int(Field::Level)}) {
            if (tolvex::isEmpty(record[size_t(pos)]))
                fail(formatMessage(QStringLiteral("Feld '%s' muß einen Wert haben"), {QLatin1String(kLevelFields[size_t(pos)].name)}));
        }
        const int other = indexOf(keyOf(record));
        if (other >= 0 && other != ownIndex)
            fail(keyViolationMessage(keyOf(record)));
    }

    [[nodiscard]] QString keyViolationMessage(const QString& key) const
    {
        return formatMessage(QStringLiteral("Schlüsselverletzung: Datei-Name '%s' ist in Tabelle %s schon vorhanden"), {key, fileName});
    }

    [[nodiscard]] QString writeErrorMessage(const QString& key) const
    {
        if (sqlite3_extended_errcode(db.get()) == SQLITE_CONSTRAINT_PRIMARYKEY)
            return keyViolationMessage(key);
        return formatMessage(QStringLiteral("Datensatz '%s' kann nicht in Tabelle %s gespeichert werden: %s"), {key, fileName, engineMessage()});
    }

    // Runs one prepared write; the extra key names the stored record an update or delete replaces.
    int run(sqlite3_stmt* stmt, const LevelRecord* record, const QString* storedKey) const
    {
        int param = 1;
        if (record) {
            for (const FieldValue& value : *record)
                bindValue(stmt, param++, value);
        }
        if (storedKey)
            bindValue(stmt, param, *storedKey);
        const int rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        return rc;
    }

    // A write outside an import is a transaction of its own, on disk when it returns.
    void commitOpenBatch()
    {
        if (inTransaction)
            commitTransaction();
    }

    void commitTransaction()
    {
        inTransaction = false;
        transactionCount = 0;
        if (exec("COMMIT") == SQLITE_OK) {
            transactionKeys.clear();
            return;
        }
        const QString why = engineMessage();
        exec("ROLLBACK");
        dropUnstored();
        fail(formatMessage(QStringLiteral("Tabelle %s kann nicht gespeichert werden: %s"), {fileName, why}));
    }

    // The records of a batch that never reached the disk leave memory too.
    void dropUnstored()
    {
        for (const QString& key : transactionKeys) {
            const int pos = indexOf(key);
            if (pos >= 0)
                rows.erase(pos);
        }
        transactionKeys.clear();
        cur = rows.empty() ? -1 : std::clamp(cur, 0, rows.size() - 1);
        bof = eof = rows.empty();
        Q_EMIT q->recordsChanged();
        Q_EMIT q->recordChanged();
    }

    // Inserts one record; the reason when the file did not take exactly that one row.
    [[nodiscard]] std::optional<QString> insertOne(const LevelRecord& record) const
    {
        if (run(insertStmt.get(), &record, nullptr) != SQLITE_DONE)
            return writeErrorMessage(keyOf(record));
        if (sqlite3_changes(db.get()) != 1)
            return formatMessage(QStringLiteral("Datensatz '%s' kann nicht in Tabelle %s gespeichert werden: %s"),
                                 {keyOf(record), fileName, QStringLiteral("die Tabelle hat ihn nicht übernommen")});
        return std::nullopt;
    }

    // An update or delete that found no row to change is no success.
    void requireOneChanged(const QString& storedKey) const
    {
        if (sqlite3_changes(db.get()) != 1)
            fail(formatMessage(QStringLiteral("Datensatz '%s' ist in Tabelle %s nicht mehr vorhanden"), {storedKey, fileName}));
    }

    void storeNew(const LevelRecord& record)
    {
        const QString key = keyOf(record);
        if (bulkDepth == 0) {
            commitOpenBatch();
            if (const auto failure = insertOne(record))
                fail(*failure);
            return;
        }
        if (!inTransaction) {
            if (exec("BEGIN IMMEDIATE") != SQLITE_OK)
                fail(writeErrorMessage(key));
            inTransaction = true;
        }
        // A refused INSERT is undone by SQLite on its own and leaves the
        // earlier records of the batch in place; those are committed at once,
        // since the import stops here.
        if (const auto failure = insertOne(record)) {
            const QString message = *failure;
            if (sqlite3_get_autocommit(db.get())) {
                inTransaction = false;
                transactionCount = 0;
                dropUnstored();
            } else {
                commitTransaction();
            }
            fail(message);
        }
        transactionKeys.push_back(key);
        if (++transactionCount >= kBulkBatch)
            commitTransaction();
    }

    void storePending()
    {
        const bool inserting = state == State::Insert;
        checkRequiredAndKey(pending, inserting ? -1 : cur);
        commitOpenBatch();
        const QString key = keyOf(pending);
        bool reordered = inserting;
        if (inserting) {
            if (const auto failure = insertOne(pending))
                fail(*failure);
            cur = insertRow(pending);
        } else {
            const QString storedKey = keyOf(rows[cur]);
            if (run(updateStmt.get(), &pending, &storedKey) != SQLITE_DONE)
                fail(writeErrorMessage(key));
            requireOneChanged(storedKey);
            if (compareKeys(storedKey, key) != 0) {
                rows.erase(cur);
                cur = insertRow(pending);
                reordered = true;
            } else {
                rows[cur] = pending;
            }
        }
        leaveEditing();
        bof = eof = false;
        Q_EMIT q->stateChanged();
        if (reordered)
            Q_EMIT q->recordsChanged();
        Q_EMIT q->recordChanged();
    }

    void dropPending()
    {
        if (state == State::Insert) {
            bof = bofBeforeInsert;
            eof = eofBeforeInsert;
        }
        leaveEditing();
        Q_EMIT q->stateChanged();
        Q_EMIT q->recordChanged();
    }

    void leaveEditing()
    {
        state = State::Browse;
        pending = {};
        modified = false;
    }

    // Every move first finishes a pending edit: stored when changed, dropped when not.
    void finishPending()
    {
        requireOpen();
        if (state != State::Edit && state != State::Insert)
            return;
        Q_EMIT q->updateRecordRequested();
        if (state != State::Edit && state != State::Insert)
            return;
        if (modified)
            storePending();
        else
            dropPending();
    }

    void standOn(int index, bool newBof, bool newEof)
    {
        cur = index;
        bof = newBof;
        eof = newEof;
        Q_EMIT q->recordChanged();
    }

    void prepareWrites()
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
        insertStmt = prepare(QStringLiteral("INSERT OR ABORT INTO \"maps\" (%1) VALUES (%2)").arg(columns, placeholders.join(u", ")));
        updateStmt = prepare(QStringLiteral("UPDATE OR ABORT \"maps\" SET %1 WHERE \"Datei\" = ?%2").arg(assignments.join(u", ")).arg(kFieldCount + 1));
        deleteStmt = prepare(QStringLiteral("DELETE FROM \"maps\" WHERE \"Datei\" = ?1"));
    }

    // A record refused at open, by its place in key order and, when it could
    // be read, its file name: both find it in another program.
    static QString recordName(int number, const LevelRecord& record)
    {
        const auto* key = std::get_if<QString>(&record[Field::Datei]);
        return key ? QStringLiteral("%1 ('%2')").arg(number).arg(*key) : QString::number(number);
    }

    void load()
    {
        const Stmt select = prepare(QStringLiteral("SELECT %1 FROM \"maps\" ORDER BY \"Datei\"").arg(columnList()));
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
            LevelRecord record;
            if (const auto why = LevelSchema::readRecord(select.get(), record))
                fail(formatMessage(QStringLiteral("Tabelle %s kann nicht geöffnet werden: Datensatz %s: %s"),
                                   {fileName, recordName(rows.size() + 1, record), *why}));
            rows.append(std::move(record));
        }
        if (rc != SQLITE_DONE)
            fail(formatMessage(QStringLiteral("Tabelle %s kann nicht gelesen werden: %s"), {fileName, engineMessage()}));
        rows.sortByKey();
        // Only a damaged key index lets two stored records share a key; a
        // write to one of them would reach both.
        for (int i = 1; i < rows.size(); ++i) {
            if (compareKeys(keyOf(rows[i - 1]), keyOf(rows[i])) == 0)
                fail(formatMessage(QStringLiteral("Tabelle %s kann nicht geöffnet werden: Datensatz %s: %s"),
                                   {fileName, recordName(i + 1, rows[i]), QStringLiteral("Feld 'Datei' kommt zweimal vor")}));
        }
    }
};

LevelTable::LevelTable(QObject* parent)
    : Dataset(parent)
    , d(std::make_unique<Impl>(this))
{
}

LevelTable::~LevelTable()
{
    // Controls may already be gone; nothing is shown of a table being destroyed.
    blockSignals(true);
    close();
}

void LevelTable::setFileName(const QString& fileName)
{
    if (isOpen())
        fail(QStringLiteral("Operation bei geöffneter Datenmenge nicht ausführbar"));
    d->fileName = fileName;
}

QString LevelTable::fileName() const
{
    return d->fileName;
}

namespace {

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

} // namespace

void LevelTable::open()
{
    if (isOpen())
        return;
    const QString& name = d->fileName;
    const auto openFailed = [&name](const QString& why) {
        return formatMessage(QStringLiteral("Tabelle %s kann nicht geöffnet werden: %s"), {name, why});
    };
    // Never created here: without SQLITE_OPEN_CREATE a missing file stays missing.
    if (!fileExists(name))
        fail(formatMessage(QStringLiteral("Tabelle %s nicht gefunden"), {name}));

    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(name).constData(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE, nullptr);
    Db db(raw);
    if (opened != SQLITE_OK)
        fail(openFailed(db ? QString::fromUtf8(sqlite3_errmsg(db.get())) : QString::fromUtf8(sqlite3_errstr(opened))));
    // SQLite falls back to reading only when it may not write, and root may write anything.
    if (sqlite3_db_readonly(db.get(), "main") == 1 || isWriteProtected(name))
        fail(formatMessage(QStringLiteral("Tabelle %s ist schreibgeschützt"), {name}));

    d->db = std::move(db);
    try {
        sqlite3* h = d->db.get();
        if (!guardAgainstTheFile(h))
            fail(openFailed(d->engineMessage()));
        sqlite3_busy_timeout(h, 0);
        // The exclusive lock is taken now and held until close, so a second
        // program fails at its open instead of at its first write.
        if (d->exec("PRAGMA locking_mode = EXCLUSIVE") != SQLITE_OK)
            fail(openFailed(d->engineMessage()));
        const int begun = d->exec("BEGIN EXCLUSIVE");
        if (begun != SQLITE_OK) {
            switch (sqlite3_errcode(h) & 0xff) {
            case SQLITE_BUSY:
            case SQLITE_LOCKED:
                fail(formatMessage(QStringLiteral("Tabelle %s wird von einem anderen Programm benutzt"), {name}));
            case SQLITE_NOTADB:
                fail(formatMessage(QStringLiteral("Datei %s ist keine SQLite-Datenbank"), {name}));
            default:
                fail(openFailed(d->engineMessage()));
            }
        }
        if (const auto why = LevelSchema::mismatch(h)) {
            d->exec("ROLLBACK");
            fail(formatMessage(QStringLiteral("Tabelle %s hat nicht den erwarteten Aufbau: %s"), {name, *why}));
        }
        d->load();
        d->prepareWrites();
        // Everything so far only read. Ending without a commit also drops
        // what SQLite repairs on its own in a damaged header, so that a table
        // refused up to here is left exactly as it was found.
        if (d->exec("ROLLBACK") != SQLITE_OK)
            fail(openFailed(d->engineMessage()));

        // WAL: a post costs one sync of the log instead of the journal's
        // several syncs and a file deletion (see bench/tableBench.cpp). In
        // exclusive locking mode the log index lives in memory, so there is
        // no -shm file, and the -wal file is folded back at close.
        if (d->exec("PRAGMA journal_mode = WAL") != SQLITE_OK || d->exec("PRAGMA synchronous = FULL") != SQLITE_OK
            || d->exec("BEGIN EXCLUSIVE") != SQLITE_OK || d->exec("COMMIT") != SQLITE_OK)
            fail(openFailed(d->engineMessage()));
    } catch (...) {
        d->insertStmt.reset();
        d->updateStmt.reset();
        d->deleteStmt.reset();
        d->rows.clear();
        d->db.reset();
        throw;
    }

    d->state = State::Browse;
    d->cur = d->rows.empty() ? -1 : 0;
    d->bof = true;
    d->eof = d->rows.empty();
    Q_EMIT stateChanged();
    Q_EMIT recordsChanged();
    Q_EMIT recordChanged();
}

void LevelTable::close()
{
    if (!isOpen())
        return;
    // Closing drops an unposted edit, as leaving a dialog with Cancel would.
    if (d->inTransaction && d->exec("COMMIT") != SQLITE_OK)
        d->exec("ROLLBACK");
    d->inTransaction = false;
    d->transactionKeys.clear();
    d->bulkDepth = 0;
    d->insertStmt.reset();
    d->updateStmt.reset();
    d->deleteStmt.reset();
    d->db.reset();
    d->rows.clear();
    d->leaveEditing();
    d->state = State::Inactive;
    d->cur = -1;
    d->bof = d->eof = true;
    Q_EMIT stateChanged();
    Q_EMIT recordsChanged();
    Q_EMIT recordChanged();
}

bool LevelTable::isOpen() const
{
    return d->state != State::Inactive;
}

Dataset::State LevelTable::state() const
{
    return d->state;
}

int LevelTable::fieldCount() const
{
    return kFieldCount;
}

const FieldDef& LevelTable::field(int pos) const
{
    Impl::requireField(pos);
    return kLevelFields[size_t(pos)];
}

int LevelTable::fieldIndex(const QString& name) const
{
    return levelFieldIndex(name);
}

const FieldValue& LevelTable::value(int pos) const
{
    static const FieldValue kEmpty;
    d->requireOpen();
    Impl::requireField(pos);
    if (d->state == State::Edit || d->state == State::Insert)
        return d->pending[size_t(pos)];
    if (d->cur < 0)
        return kEmpty;
    return d->rows[d->cur][size_t(pos)];
}

QString LevelTable::text(int pos) const
{
    return fieldText(pos, value(pos));
}

void LevelTable::setText(int pos, const QString& text)
{
    d->requireOpen();
    d->requireEditing();
    Impl::requireField(pos);
    d->pending[size_t(pos)] = fieldFromText(pos, text);
    d->modified = true;
    Q_EMIT fieldChanged(pos);
}

void LevelTable::setValue(int pos, const FieldValue& value)
{
    d->requireOpen();
    d->requireEditing();
    Impl::requireField(pos);
    d->pending[size_t(pos)] = checkedFieldValue(pos, value);
    d->modified = true;
    Q_EMIT fieldChanged(pos);
}

bool LevelTable::isModified() const
{
    return d->modified;
}

void LevelTable::first()
{
    d->finishPending();
    d->standOn(d->rows.empty() ? -1 : 0, true, d->rows.empty());
}

void LevelTable::prior()
{
    d->finishPending();
    if (d->bof)
        return;
    if (d->cur > 0) {
        d->standOn(d->cur - 1, false, false);
    } else {
        d->bof = true;
        d->eof = false;
    }
}

void LevelTable::next()
{
    d->finishPending();
    if (d->eof)
        return;
    if (d->cur + 1 < d->rows.size()) {
        d->standOn(d->cur + 1, false, false);
    } else {
        d->eof = true;
        d->bof = false;
    }
}

void LevelTable::last()
{
    d->finishPending();
    d->standOn(d->rows.size() - 1, d->rows.empty(), true);
}

void LevelTable::moveTo(int recNo)
{
    d->finishPending();
    if (d->rows.empty())
        return;
    d->standOn(std::clamp(recNo - 1, 0, d->rows.size() - 1), false, false);
}

void LevelTable::findNearest(const QString& key)
{
    d->finishPending();
    if (d->rows.empty())
        return;
    const QString searchKey = key.left(kLevelFields[Field::Datei].size);
    d->standOn(std::min(d->lowerBound(searchKey), d->rows.size() - 1), false, false);
}

bool LevelTable::bof() const
{
    return d->bof;
}

bool LevelTable::eof() const
{
    return d->eof;
}

bool LevelTable::isEmpty() const
{
    return d->rows.empty() && d->state != State::Insert;
}

int LevelTable::recNo() const
{
    d->requireOpen();
    if (d->state == State::Insert)
        return -1;
    return d->cur + 1;
}

int LevelTable::recordCount() const
{
    d->requireOpen();
    return d->rows.size();
}

QString LevelTable::textAt(int index, int pos) const
{
    return fieldText(pos, valueAt(index, pos));
}

const FieldValue& LevelTable::valueAt(int index, int pos) const
{
    d->requireOpen();
    Impl::requireField(pos);
    if (index < 0 || index >= d->rows.size())
        fail(listIndexMessage(index));
    return d->rows[index][size_t(pos)];
}

void LevelTable::insert()
{
    d->finishPending();
    d->bofBeforeInsert = d->bof;
    d->eofBeforeInsert = d->eof;
    d->pending = {};
    d->modified = false;
    d->state = State::Insert;
    Q_EMIT stateChanged();
    Q_EMIT recordChanged();
}

void LevelTable::edit()
{
    d->requireOpen();
    if (d->state == State::Edit || d->state == State::Insert)
        return;
    // Editing an empty table starts a new record, as there is none to change.
    if (d->rows.empty()) {
        insert();
        return;
    }
    d->pending = d->rows[d->cur];
    d->modified = false;
    d->state = State::Edit;
    Q_EMIT stateChanged();
}

void LevelTable::post()
{
    d->requireOpen();
    if (d->state != State::Edit && d->state != State::Insert)
        return;
    Q_EMIT updateRecordRequested();
    if (d->state == State::Edit || d->state == State::Insert)
        d->storePending();
}

void LevelTable::cancel()
{
    d->requireOpen();
    if (d->state == State::Edit || d->state == State::Insert)
        d->dropPending();
}

void LevelTable::remove()
{
    d->requireOpen();
    if (d->state == State::Insert) {
        d->dropPending();
        return;
    }
    if (d->rows.empty())
        fail(QStringLiteral("Operation bei leerer Datenmenge nicht ausführbar"));
    d->commitOpenBatch();
    const QString key = keyOf(d->rows[d->cur]);
    if (d->run(d->deleteStmt.get(), nullptr, &key) != SQLITE_DONE)
        fail(formatMessage(QStringLiteral("Datensatz '%s' kann nicht aus Tabelle %s gelöscht werden: %s"), {key, d->fileName, d->engineMessage()}));
    d->requireOneChanged(key);
    const bool wasEditing = d->state == State::Edit;
    d->leaveEditing();
    d->rows.erase(d->cur);
    d->cur = std::min(d->cur, d->rows.size() - 1);
    d->bof = d->eof = d->rows.empty();
    if (wasEditing)
        Q_EMIT stateChanged();
    Q_EMIT recordsChanged();
    Q_EMIT recordChanged();
}

void LevelTable::checkBrowseMode()
{
    if (d->state != State::Inactive)
        d->finishPending();
}

void LevelTable::appendRecord(const QStringList& texts)
{
    d->finishPending();
    if (texts.size() != kFieldCount)
        fail(formatMessage(QStringLiteral("Ein Datensatz hat %d Felder, nicht %d"), {QString::number(kFieldCount), QString::number(texts.size())}));
    LevelRecord record;
    for (int pos = 0; pos < kFieldCount; ++pos)
        record[size_t(pos)] = fieldFromText(pos, texts.at(pos));
    d->checkRequiredAndKey(record, -1);
    d->storeNew(record);
    d->cur = d->insertRow(std::move(record));
    d->bof = d->eof = false;
    Q_EMIT recordsChanged();
    Q_EMIT recordChanged();
}

void LevelTable::beginBulk()
{
    d->requireOpen();
    // Appends out of key order touch pages all over the file; a larger cache
    // keeps a batch's pages in memory until its commit instead of spilling them.
    if (d->bulkDepth++ == 0)
        d->exec("PRAGMA cache_size = -65536");
}

void LevelTable::endBulk()
{
    // Also the clean-up after a failed import, so a closed table is no error here.
    if (!isOpen() || d->bulkDepth == 0)
        return;
    if (--d->bulkDepth > 0)
        return;
    const auto restoreCache = qScopeGuard([this] { d->exec("PRAGMA cache_size = -2000"); });
    d->commitOpenBatch();
}

int LevelTable::indexOfKey(const QString& datei) const
{
    d->requireOpen();
    return d->indexOf(datei);
}

void LevelTable::disableControls()
{
    ++d->disabled;
}

void LevelTable::enableControls()
{
    if (d->disabled == 0)
        return;
    if (--d->disabled == 0)
        Q_EMIT controlsEnabled();
}

bool LevelTable::controlsDisabled() const
{
    return d->disabled > 0;
}

} // namespace tolvex
