#pragma once

#include "platform/Dataset.h"

#include <QCheckBox>
#include <QPointer>
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
    [[nodiscard]] DataSource* dataSource() const { return m_source; }
    [[nodiscard]] const QString& fieldName() const { return m_fieldName; }

protected:
    void nextCheckState() override;

private:
    [[nodiscard]] Dataset* activeDataset() const;
    [[nodiscard]] int fieldPos() const;
    [[nodiscard]] bool editing() const;

    void loadField();

    QPointer<DataSource> m_source;
    QString m_fieldName;
};

} // namespace tolvex
