#pragma once

#include "platform/dataaware/Dataset.h"
#include "platform/dataaware/FieldDataLink.h"

#include <QLineEdit>
#include <QString>

namespace tolvex {

// A one-line edit bound to one field of a data source. It shows the field's
// text form and takes changes only while the dataset edits or inserts; what
// the user typed is written when the dataset asks for pending input.
class DBEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit DBEdit(QWidget* parent = nullptr);

    // Throws when the source's dataset has no field of that name.
    void bind(DataSource* source, const QString& fieldName);
    [[nodiscard]] DataSource* dataSource() const { return m_link.source(); }
    [[nodiscard]] const QString& fieldName() const { return m_link.fieldName(); }

    // True when the user changed the text since it was loaded from the field.
    [[nodiscard]] bool isModified() const { return m_modified; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    [[nodiscard]] int fieldPos() const { return m_link.fieldPos(); }
    [[nodiscard]] bool editing() const { return m_link.editing(); }
    [[nodiscard]] bool acceptsChar(QChar c) const;

    void updateState();
    void loadField();
    void writeField();

    FieldDataLink m_link;
    bool m_modified = false;
};

} // namespace tolvex
