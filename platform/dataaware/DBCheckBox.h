#pragma once

#include "platform/dataaware/Dataset.h"
#include "platform/dataaware/FieldDataLink.h"

#include <QCheckBox>
#include <QString>

namespace tolvex {

// A check box bound to a Boolean field: checked for true, unchecked for
// false, greyed for an empty field. A click while the dataset edits or
// inserts writes the new value at once; other clicks change nothing.
class DBCheckBox : public QCheckBox {
    Q_OBJECT

public:
    explicit DBCheckBox(QWidget* parent = nullptr);
    explicit DBCheckBox(const QString& text, QWidget* parent = nullptr);

    // Throws when the source's dataset has no field of that name.
    void bind(DataSource* source, const QString& fieldName);
    [[nodiscard]] DataSource* dataSource() const { return m_link.source(); }
    [[nodiscard]] const QString& fieldName() const { return m_link.fieldName(); }

protected:
    void nextCheckState() override;

private:
    [[nodiscard]] int fieldPos() const { return m_link.fieldPos(); }
    [[nodiscard]] bool editing() const { return m_link.editing(); }

    void loadField();

    FieldDataLink m_link;
};

} // namespace tolvex
