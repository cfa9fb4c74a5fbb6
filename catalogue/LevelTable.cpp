#include "catalogue/LevelTable.h"

#include "catalogue/LevelTableImpl.h"

namespace tolvex {

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
    d->view.rebuild(d->rows, -1);
    d->state = State::Browse;
    d->cur = d->rowOrNone(d->view.nearest(d->rows, 0));
    d->bof = true;
    d->eof = d->cur < 0;
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
    d->view.clear();
    d->pinnedKey.clear();
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
    d->standOn(d->rowOrNone(d->view.nearest(d->rows, 0)), true, d->shown() == 0);
}

void LevelTable::prior()
{
    d->finishPending();
    if (d->bof)
        return;
    if (const int position = d->view.positionOf(d->cur); position > 0) {
        d->standOn(d->view.rowAt(position - 1), false, false);
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
    if (const int position = d->view.positionOf(d->cur); position >= 0 && position + 1 < d->shown()) {
        d->standOn(d->view.rowAt(position + 1), false, false);
    } else {
        d->eof = true;
        d->bof = false;
    }
}

void LevelTable::last()
{
    d->finishPending();
    d->standOn(d->rowOrNone(d->shown() - 1), d->shown() == 0, true);
}

void LevelTable::moveTo(int recNo)
{
    d->finishPending();
    if (d->shown() == 0)
        return;
    d->standOn(d->view.rowAt(std::clamp(recNo - 1, 0, d->shown() - 1)), false, false);
}

void LevelTable::findNearest(const QString& key)
{
    d->finishPending();
    if (d->shown() == 0)
        return;
    const QString searchKey = key.left(kLevelFields[Field::Datei].size);
    d->standOn(d->rowOrNone(d->view.nearest(d->rows, d->rows.lowerBound(searchKey))), false, false);
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
    return d->shown() == 0 && d->state != State::Insert;
}

int LevelTable::recNo() const
{
    d->requireOpen();
    if (d->state == State::Insert)
        return -1;
    return d->view.positionOf(d->cur) + 1;
}

int LevelTable::recordCount() const
{
    d->requireOpen();
    return d->shown();
}

QString LevelTable::textAt(int index, int pos) const
{
    return fieldText(pos, valueAt(index, pos));
}

FieldValue LevelTable::valueAt(int index, int pos) const
{
    d->requireOpen();
    Impl::requireField(pos);
    if (index < 0 || index >= d->shown())
        fail(listIndexMessage(index));
    return d->rows.value(d->view.rowAt(index), pos);
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
    if (d->cur < 0) {
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
    if (d->cur < 0)
        fail(QStringLiteral("Operation bei leerer Datenmenge nicht ausführbar"));
    d->store.remove(d->rows.key(d->cur));
    const bool wasEditing = d->state == State::Edit;
    d->leaveEditing();
    const int position = d->view.positionOf(d->cur);
    d->rows.erase(d->cur);
    d->view.erased(d->cur);
    d->unpin();
    d->cur = d->rowOrNone(std::min(position, d->shown() - 1));
    d->bof = d->eof = d->cur < 0;
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

void LevelTable::setFilter(RecordTest test)
{
    if (isOpen())
        d->finishPending();
    d->view.setTest(std::move(test));
    if (isOpen())
        d->applyFilter();
    Q_EMIT filterChanged();
}

bool LevelTable::isFiltered() const
{
    return d->view.active();
}

void LevelTable::refilter()
{
    d->finishPending();
    d->applyFilter();
    Q_EMIT filterChanged();
}

void LevelTable::keepCurrent()
{
    if (d->cur >= 0 && d->view.active())
        d->pinnedKey = d->rows.key(d->cur);
}

int LevelTable::recordIndex(int position) const
{
    d->requireOpen();
    if (position < 0 || position >= d->shown())
        fail(listIndexMessage(position));
    return d->view.rowAt(position);
}

int LevelTable::positionOf(int index) const
{
    d->requireOpen();
    return d->view.positionOf(index);
}

const PlayHistory& LevelTable::history() const
{
    return d->store.history();
}

std::optional<QString> LevelTable::recordPlay(const QString& datei, const QDateTime& utc)
{
    // A game started while no catalogue is open is no error of the start.
    if (!isOpen())
        return closedMessage();
    auto why = d->store.recordPlay(datei, utc);
    if (!why) {
        // A level just played stays in sight under "never played" until the cursor leaves it.
        if (d->cur >= 0 && compareKeys(d->rows.key(d->cur), datei) == 0)
            keepCurrent();
        Q_EMIT recordChanged();
    }
    return why;
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
