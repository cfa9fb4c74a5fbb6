#pragma once

// The state behind LevelTable, shared by its source files only.

#include "catalogue/LevelRecords.h"
#include "catalogue/LevelStore.h"
#include "catalogue/LevelTable.h"
#include "catalogue/RecordView.h"
#include "platform/dialogs/TolvexError.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace tolvex {

namespace tabledetail {

[[noreturn]] inline void fail(const QString& message)
{
    throw TolvexError(message);
}

inline QString closedMessage()
{
    return QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar");
}

} // namespace tabledetail

using tabledetail::closedMessage;
using tabledetail::fail;

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
    // The records the cursor sees, and the one it keeps seeing until it leaves it.
    RecordView view;
    QString pinnedKey;
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

    [[nodiscard]] int shown() const { return view.count(rows); }
    [[nodiscard]] int rowOrNone(int position) const { return position < 0 ? -1 : view.rowAt(position); }

    // Leaving the kept record lets the filter decide about it again.
    void unpin()
    {
        if (pinnedKey.isEmpty())
            return;
        const int row = rows.indexOf(pinnedKey);
        pinnedKey.clear();
        if (row >= 0)
            view.replaced(rows, row, false);
    }

    void pin(int row)
    {
        unpin();
        if (view.active())
            pinnedKey = rows.key(row);
    }

    void applyFilter()
    {
        pinnedKey.clear();
        view.rebuild(rows, -1);
        cur = rowOrNone(view.nearest(rows, std::max(cur, 0)));
        bof = eof = cur < 0;
        Q_EMIT q->recordsChanged();
        Q_EMIT q->recordChanged();
    }

    // An appended record the filter hides leaves the cursor on the nearest one shown.
    void appendChecked(PackedRecord record)
    {
        const int at = checkRequiredAndKey(record, -1);
        store.append(record);
        rows.insert(at, std::move(record));
        view.inserted(rows, at, false);
        unpin();
        cur = rowOrNone(view.nearest(rows, at));
        bof = eof = cur < 0;
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
        view.rebuild(rows, pinnedKey.isEmpty() ? -1 : rows.indexOf(pinnedKey));
        cur = rowOrNone(view.nearest(rows, std::max(cur, 0)));
        bof = eof = cur < 0;
        Q_EMIT q->recordsChanged();
        Q_EMIT q->recordChanged();
    }

    void storePending()
    {
        const bool inserting = state == State::Insert;
        PackedRecord record(pending);
        const int at = checkRequiredAndKey(record, inserting ? -1 : cur);
        bool reordered = inserting;
        // The record just stored stays in sight even when the filter would hide it.
        if (inserting) {
            store.insert(record);
            rows.insert(at, std::move(record));
            cur = at;
            pin(cur);
            view.inserted(rows, cur, true);
        } else {
            const QString storedKey = rows.key(cur);
            const QString key = keyOf(record);
            store.update(storedKey, record);
            if (compareKeys(storedKey, key) != 0) {
                rows.erase(cur);
                view.erased(cur);
                cur = rows.lowerBound(key);
                rows.insert(cur, std::move(record));
                pin(cur);
                view.inserted(rows, cur, true);
                reordered = true;
            } else {
                rows.replace(cur, std::move(record));
                pin(cur);
                view.replaced(rows, cur, true);
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
        if (index != cur)
            unpin();
        cur = index;
        bof = newBof;
        eof = newEof;
        Q_EMIT q->recordChanged();
    }
};

} // namespace tolvex
