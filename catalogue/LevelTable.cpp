#include "catalogue/LevelTable.h"

#include "catalogue/LevelRecords.h"
#include "catalogue/LevelStore.h"
#include "platform/dialogs/TolvexError.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace tolvex {

namespace {

[[noreturn]] void fail(const QString& message)
{
    throw TolvexError(message);
}

QString closedMessage()
{
    return QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar");
}

} // namespace

struct LevelTable::Impl {
    explicit Impl(LevelTable* table)
        : q(table)
        , store([this](const std::vector<QString>& keys) { dropUnstored(keys); })
    {
    }

    LevelTable* q;
    QString fileName = QStringLiteral("maps.DB");
    LevelStore store;

    LevelRecords rows;
    // The current record as values, for the cursor's references; made again
    // whenever the cursor or the records changed since.
    mutable LevelRecord current;
    mutable int currentIndex = -1;
    mutable std::uint64_t currentGeneration = 0;
    State state = State::Inactive;
    int cur = -1;
    bool bof = true;
    bool eof = true;

    LevelRecord pending;
    bool modified = false;
    bool bofBeforeInsert = true;
    bool eofBeforeInsert = true;

    int disabled = 0;

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

    // Returns the position the record's key has in key order.
    int checkRequiredAndKey(const PackedRecord& record, int ownIndex) const
    {
        for (const int pos : {int(Field::Datei), int(Field::Level)}) {
            if (record.field(pos).kind == StoredField::Kind::Empty)
                fail(formatMessage(QStringLiteral("Feld '%s' muß einen Wert haben"), {QLatin1String(kLevelFields[size_t(pos)].name)}));
        }
        return checkKey(keyOf(record), ownIndex);
    }

    int checkKey(const QString& key, int ownIndex) const
    {
        bool taken = false;
        const int at = rows.lowerBound(key, &taken);
        if (taken && at != ownIndex)
            fail(store.keyViolationMessage(key));
        return at;
    }

    void appendChecked(PackedRecord record)
    {
        const int at = checkRequiredAndKey(record, -1);
        store.append(record);
        rows.insert(at, std::move(record));
        cur = at;
        bof = eof = false;
        Q_EMIT q->recordsChanged();
        Q_EMIT q->recordChanged();
    }

    // The records of a batch that never reached the disk leave memory too.
    void dropUnstored(const std::vector<QString>& keys)
    {
        for (const QString& key : keys) {
            const int pos = rows.indexOf(key);
            if (pos >= 0)
                rows.erase(pos);
        }
        cur = rows.empty() ? -1 : std::clamp(cur, 0, rows.size() - 1);
        bof = eof = rows.empty();
        Q_EMIT q->recordsChanged();
        Q_EMIT q->recordChanged();
    }

    void storePending()
    {
        const bool inserting = state == State::Insert;
        PackedRecord record(pending);
        const int at = checkRequiredAndKey(record, inserting ? -1 : cur);
        bool reordered = inserting;
        if (inserting) {
            store.insert(record);
            rows.insert(at, std::move(record));
            cur = at;
        } else {
            const QString storedKey = rows.key(cur);
            const QString key = keyOf(record);
            store.update(storedKey, record);
            if (compareKeys(storedKey, key) != 0) {
                rows.erase(cur);
                cur = rows.lowerBound(key);
                rows.insert(cur, std::move(record));
                reordered = true;
            } else {
                rows.replace(cur, std::move(record));
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

    const LevelRecord& currentRecord() const
    {
        if (currentIndex != cur || currentGeneration != rows.generation()) {
            current = rows.record(cur);
            currentIndex = cur;
            currentGeneration = rows.generation();
        }
        return current;
    }

    void standOn(int index, bool newBof, bool newEof)
    {
        cur = index;
        bof = newBof;
        eof = newEof;
        Q_EMIT q->recordChanged();
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

void LevelTable::open()
{
    if (isOpen())
        return;
    d->store.open(d->fileName, d->rows);
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
    d->store.close();
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
    return d->currentRecord()[size_t(pos)];
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
    d->standOn(std::min(d->rows.lowerBound(searchKey), d->rows.size() - 1), false, false);
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

FieldValue LevelTable::valueAt(int index, int pos) const
{
    d->requireOpen();
    Impl::requireField(pos);
    if (index < 0 || index >= d->rows.size())
        fail(listIndexMessage(index));
    return d->rows.value(index, pos);
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
    d->pending = d->rows.record(d->cur);
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
    d->store.remove(d->rows.key(d->cur));
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
    PackedRecord::Writer writer;
    for (int pos = 0; pos < kFieldCount; ++pos)
        writer.add(fieldFromText(pos, texts.at(pos)));
    d->appendChecked(writer.finish());
}

void LevelTable::beginBulk()
{
    d->requireOpen();
    d->store.beginBulk();
}

void LevelTable::endBulk()
{
    // Also the clean-up after a failed import, so a closed table is no error here.
    if (isOpen())
        d->store.endBulk();
}

void LevelTable::requireInPlace() const
{
    d->requireOpen();
    d->store.requireInPlace();
}

const LevelRecords& LevelTable::records() const
{
    d->requireOpen();
    return d->rows;
}

int LevelTable::indexOfKey(const QString& datei) const
{
    d->requireOpen();
    return d->rows.indexOf(datei);
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
