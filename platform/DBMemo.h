#pragma once

#include "platform/Dataset.h"
#include "platform/FieldDataLink.h"

#include <QPlainTextEdit>
#include <QString>

namespace tolvex {

// A multi-line edit bound to a memo field. The field keeps its line breaks as
// CR LF; the memo shows them as lines. Changes are taken only while the
// dataset edits or inserts, and written when the dataset asks for pending input.
class DBMemo : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit DBMemo(QWidget* parent = nullptr);

    // Throws when the source's dataset has no field of that name.
    void bind(DataSource* source, const QString& fieldName);
    [[nodiscard]] DataSource* dataSource() const { return m_link.source(); }
    [[nodiscard]] const QString& fieldName() const { return m_link.fieldName(); }

    // True when the user changed the text since it was loaded from the field.
    [[nodiscard]] bool isModified() const;
    // The text as the field stores it, line breaks as CR LF.
    [[nodiscard]] QString fieldText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    [[nodiscard]] int fieldPos() const { return m_link.fieldPos(); }
    [[nodiscard]] bool editing() const { return m_link.editing(); }

    void updateState();
    void loadField();
    void writeField();

    FieldDataLink m_link;
};

} // namespace tolvex
