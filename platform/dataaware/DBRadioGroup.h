#pragma once

#include "platform/dataaware/Dataset.h"
#include "platform/dataaware/FieldDataLink.h"

#include <QGroupBox>
#include <QString>
#include <QStringList>

class QButtonGroup;
class QVBoxLayout;

namespace tolvex {

// A group of radio buttons bound to a field. The button whose value equals
// the field's text exactly is selected, none for any other text. Choosing a
// button while the dataset edits or inserts writes its value at once; other
// clicks leave the selection as it is.
class DBRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    explicit DBRadioGroup(QWidget* parent = nullptr);
    explicit DBRadioGroup(const QString& title, QWidget* parent = nullptr);

    // One button per item, top to bottom.
    void setItems(const QStringList& items);
    [[nodiscard]] const QStringList& items() const { return m_items; }
    // The field text of each button; a button without one stands for its caption.
    void setValues(const QStringList& values);
    [[nodiscard]] const QStringList& values() const { return m_values; }
    [[nodiscard]] QString value(int index) const;

    // Throws when the source's dataset has no field of that name.
    void bind(DataSource* source, const QString& fieldName);
    [[nodiscard]] DataSource* dataSource() const { return m_link.source(); }
    [[nodiscard]] const QString& fieldName() const { return m_link.fieldName(); }

    // The selected button, -1 for none.
    [[nodiscard]] int itemIndex() const;

private:
    [[nodiscard]] int fieldPos() const { return m_link.fieldPos(); }
    [[nodiscard]] bool editing() const { return m_link.editing(); }

    void loadField();
    void select(int index);
    void buttonClicked(int index);

    FieldDataLink m_link;
    QStringList m_items;
    QStringList m_values;
    QButtonGroup* m_buttons;
    QVBoxLayout* m_layout;
};

} // namespace tolvex
