#pragma once

#include "level/LevelFields.h"
#include "platform/dataaware/Dataset.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace tolvex {

class LevelRecords;
class PlayHistory;

// The level table: one SQLite file, "maps.DB" by default, holding the table
// "maps", used through one cursor. The records are held in key order in
// memory (loaded once at open); every post, delete and append is written
// through to the file at once.
//
// Every operation on a table that is not open throws
// "Operation bei geschlossener Datenmenge nicht ausführbar".
class LevelTable final : public Dataset {
    Q_OBJECT

public:
    explicit LevelTable(QObject* parent = nullptr);
    ~LevelTable() override;

    // A relative name is looked up in the current directory when opened.
    void setFileName(const QString& fileName);
    [[nodiscard]] QString fileName() const;

    // Opens for exclusive use and stands on the first record. A missing file,
    // a file that is no SQLite database, a table of another shape or with a
    // trigger or a view hung on it, a stored record that breaks a field's
    // rules, or a file in use by another program fails at once with a clear
    // message naming the file; the file is left untouched and the table stays
    // closed. Nothing stored in the file runs: no trigger, no extension.
    void open();
    void close();
    [[nodiscard]] bool isOpen() const;

    [[nodiscard]] State state() const override;
    [[nodiscard]] int fieldCount() const override;
    [[nodiscard]] const FieldDef& field(int pos) const override;
    [[nodiscard]] int fieldIndex(const QString& name) const override;

    [[nodiscard]] const FieldValue& value(int pos) const override;
    [[nodiscard]] QString text(int pos) const override;
    // Only while editing or inserting. Conversion errors are thrown and the
    // field keeps its previous value.
    void setText(int pos, const QString& text) override;
    void setValue(int pos, const FieldValue& value) override;
    [[nodiscard]] bool isModified() const override;

    // Each move first finishes a pending edit or insert: a changed record is
    // posted (a failed post stops the move), an unchanged one dropped.
    void first() override;
    void prior() override; // on the first record: stays, and sets the begin mark
    void next() override;  // on the last record: stays, and sets the end mark
    void last() override;
    void moveTo(int recNo) override;
    // Makes the key the search key for "Datei" (cut to 15 characters) and
    // moves to the first record not less than it in key order, or to the
    // last when all are less; nothing moves on an empty table.
    void findNearest(const QString& key);

    [[nodiscard]] bool bof() const override;
    [[nodiscard]] bool eof() const override;
    [[nodiscard]] bool isEmpty() const override;
    [[nodiscard]] int recNo() const override;
    [[nodiscard]] int recordCount() const override;
    [[nodiscard]] QString textAt(int index, int pos) const override;
    [[nodiscard]] FieldValue valueAt(int index, int pos) const override;

    void insert() override;
    void edit() override;
    // Post, remove and append fail unless the file changed exactly the one row they meant.
    void post() override;   // the required-field test, the key test, then on disk
    void cancel() override;
    void remove() override; // the caller asks first
    // Finishes a pending edit or insert the way every move does, without
    // moving: stored when changed, dropped when not. Nothing on a closed table.
    void checkBrowseMode();

    // Stores a new record from thirteen texts in field order through the text
    // forms and makes it current. Finishes a pending edit first.
    void appendRecord(const QStringList& texts);
    // Between these calls appends share transactions. A record is still never
    // half-stored, and a failure keeps every record appended before it.
    void beginBulk();
    void endBulk();
    // Throws catalogueReplacedMessage when the file at the table's name is no
    // longer the one open; asked before a bulk write reports its records.
    void requireInPlace() const;

    // The index in records() of a stored "Datei" equal to the given one
    // under the key's collation, or -1; filtered out or not. Does not move.
    [[nodiscard]] int indexOfKey(const QString& datei) const;
    // The stored records in key order, every one whatever the filter, for
    // writers that walk all of them without moving the cursor.
    [[nodiscard]] const LevelRecords& records() const;

    // With a test set, the cursor, the counts and the positions see only the
    // records it lets through, in key order; appends and the key check still
    // work on every record. A record posted or marked with keepCurrent()
    // stays seen, though it no longer passes, until the cursor leaves it.
    // The test is asked once per record here, and for each record stored
    // later. An empty test shows every record.
    using RecordTest = std::function<bool(const LevelRecords& records, int index)>;
    void setFilter(RecordTest test);
    [[nodiscard]] bool isFiltered() const;
    // Asks the test anew for every record, after what it reads changed.
    void refilter();
    // Keeps the current record seen until the next move.
    void keepCurrent();
    // The index in records() of the record at a 0-based position, and back
    // (-1 for a record the filter hides).
    [[nodiscard]] int recordIndex(int position) const;
    [[nodiscard]] int positionOf(int index) const;

    // When each level was last played and how often.
    [[nodiscard]] const PlayHistory& history() const;
    // Stores a start of the level in the catalogue; the reason when it was
    // not stored (the table refused at open, or the file would not take it).
    [[nodiscard]] std::optional<QString> recordPlay(const QString& datei, const QDateTime& utc);

    void disableControls() override;
    void enableControls() override;
    [[nodiscard]] bool controlsDisabled() const override;

Q_SIGNALS:
    // The filter was set, cleared or applied anew.
    void filterChanged();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace tolvex
