#pragma once

#include "platform/dataaware/Dataset.h"

#include <QPointer>
#include <QString>

#include <functional>

namespace tolvex {

// What every control bound to one field shares: the data source, the field
// by name, and the dataset's notifications turned into the control's own
// reactions.
class FieldDataLink {
public:
    struct Reactions {
        std::function<void()> stateChanged;   // editable or not
        std::function<void()> reload;         // show the field anew
        std::function<void()> updateRecord;   // write what the user typed
    };

    // Throws "Feld '%s' nicht gefunden" when the source's dataset has no
    // field of that name. The connections live as long as the owner.
    void bind(QObject* owner, DataSource* source, const QString& fieldName, Reactions reactions);

    [[nodiscard]] DataSource* source() const { return m_source; }
    [[nodiscard]] const QString& fieldName() const { return m_fieldName; }
    // The dataset while it is open, else nullptr.
    [[nodiscard]] Dataset* activeDataset() const;
    // The field's position in the open dataset, or -1.
    [[nodiscard]] int fieldPos() const;
    // True while the open dataset edits or inserts.
    [[nodiscard]] bool editing() const;

private:
    QPointer<DataSource> m_source;
    QString m_fieldName;
};

// True for a character a key types into the text, as opposed to a control
// character the edit handles itself (Backspace, Tab, Escape, Delete).
[[nodiscard]] inline bool isPrintable(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() != 0x7F;
}

} // namespace tolvex
