#pragma once

#include <QObject>
#include <QString>

#include <variant>

namespace tolvex {

enum class FieldKind { Text, SmallInt, Memo, Boolean };

struct FieldDef {
    const char* name;
    FieldKind kind;
    int size;      // characters for text fields; the declared size for a memo
    bool required;
};

// A stored value: empty, text (text and memo fields), a number, or a flag.
using FieldValue = std::variant<std::monostate, QString, int, bool>;

[[nodiscard]] inline bool isEmpty(const FieldValue& v) { return std::holds_alternative<std::monostate>(v); }

// A table used through one cursor, as data-aware controls see it: browse,
// edit and insert states, begin and end marks, and one current record.
class Dataset : public QObject {
    Q_OBJECT

public:
    enum class State { Inactive, Browse, Edit, Insert };

    using QObject::QObject;

    [[nodiscard]] virtual State state() const = 0;
    [[nodiscard]] virtual int fieldCount() const = 0;
    [[nodiscard]] virtual const FieldDef& field(int pos) const = 0;
    [[nodiscard]] virtual int fieldIndex(const QString& name) const = 0; // -1 when unknown

    // The current record (the pending one while editing or inserting).
    [[nodiscard]] virtual const FieldValue& value(int pos) const = 0;
    [[nodiscard]] virtual QString text(int pos) const = 0;
    virtual void setText(int pos, const QString& text) = 0;
    virtual void setValue(int pos, const FieldValue& value) = 0;
    [[nodiscard]] virtual bool isModified() const = 0;

    virtual void first() = 0;
    virtual void prior() = 0;
    virtual void next() = 0;
    virtual void last() = 0;
    virtual void moveTo(int recNo) = 0; // 1-based
    [[nodiscard]] virtual bool bof() const = 0;
    [[nodiscard]] virtual bool eof() const = 0;
    [[nodiscard]] virtual bool isEmpty() const = 0;
    [[nodiscard]] virtual int recNo() const = 0; // -1 while inserting
    [[nodiscard]] virtual int recordCount() const = 0;
    // The text form of a field of the stored record at a 0-based position, without moving.
    [[nodiscard]] virtual QString textAt(int index, int pos) const = 0;
    // A copy: the records need not be held as values.
    [[nodiscard]] virtual FieldValue valueAt(int index, int pos) const = 0;

    virtual void insert() = 0;
    virtual void edit() = 0;
    virtual void post() = 0;
    virtual void cancel() = 0;
    virtual void remove() = 0;

    virtual void disableControls() = 0;
    virtual void enableControls() = 0;
    [[nodiscard]] virtual bool controlsDisabled() const = 0;

Q_SIGNALS:
    void stateChanged();
    void recordChanged();       // the cursor moved, or the current record was reloaded
    void fieldChanged(int pos); // a value of the pending record changed
    void recordsChanged();      // records were added, removed or re-ordered
    // Before a post or a move: bound controls write what the user typed.
    void updateRecordRequested();
    void controlsEnabled();     // the last suspension was lifted
};

// Connects a dataset to its bound controls. While the dataset's controls are
// disabled it holds back everything but the request to write pending input,
// and refreshes the controls once when the last suspension is lifted.
class DataSource : public QObject {
    Q_OBJECT

public:
    explicit DataSource(QObject* parent = nullptr);

    void setDataSet(Dataset* dataset);
    [[nodiscard]] Dataset* dataSet() const { return m_dataset; }
    // The dataset while it is open, else nullptr.
    [[nodiscard]] Dataset* activeDataSet() const
    {
        return m_dataset && m_dataset->state() != Dataset::State::Inactive ? m_dataset : nullptr;
    }

Q_SIGNALS:
    void stateChanged();
    void dataChanged();          // show the current record anew (and, for a grid, the rows)
    void fieldChanged(int pos);
    void updateRecordRequested();

private:
    Dataset* m_dataset = nullptr;
    QMetaObject::Connection m_connections[6];
};

} // namespace tolvex
