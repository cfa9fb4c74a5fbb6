#pragma once

#include "platform/dataaware/Dataset.h"
#include "platform/dataaware/FieldDataLink.h"

#include <QPlainTextEdit>
#include <QString>
#include <QTimer>

#include <memory>

namespace tolvex {

// A multi-line edit bound to a memo field. The field keeps its line breaks as
// CR LF; the memo shows them as lines. Changes are taken only while the
// dataset edits or inserts, and written when the dataset asks for pending input.
// A line of thousands of characters is held in pieces, each a block of its
// own that continues the line before it, so that showing, scrolling and
// editing a description of megabytes lays out only what is in view; the
// pieces wrap like one line, and the field, a copy and the keys that delete
// across a piece's edge see one line. A text of megabytes comes into the
// document part by part between events while it is browsed.
class DBMemo : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit DBMemo(QWidget* parent = nullptr);
    ~DBMemo() override;

    // Throws when the source's dataset has no field of that name.
    void bind(DataSource* source, const QString& fieldName);
    [[nodiscard]] DataSource* dataSource() const { return m_link.source(); }
    [[nodiscard]] const QString& fieldName() const { return m_link.fieldName(); }

    // True when the user changed the text since it was loaded from the field.
    [[nodiscard]] bool isModified() const;
    // The text as the field stores it, line breaks as CR LF.
    [[nodiscard]] QString fieldText() const;
    // True while a long text is still coming into the document.
    [[nodiscard]] bool isLoading() const { return m_loading != nullptr; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    [[nodiscard]] QMimeData* createMimeDataFromSelection() const override;

private:
    [[nodiscard]] int fieldPos() const { return m_link.fieldPos(); }
    [[nodiscard]] bool editing() const { return m_link.editing(); }

    // The text between two positions, the pieces of a line joined, the
    // lines joined by the break given.
    [[nodiscard]] QString textBetween(int from, int to, QStringView lineBreak) const;
    void showText(const QString& shown);
    void loadMore();
    void loadAll();
    void finishPart();
    [[nodiscard]] bool handledAtPieceEdge(const QKeyEvent* event);

    void updateState();
    void loadField();
    void writeField();

    class PieceWriter;

    FieldDataLink m_link;
    // A long text on its way into the document, and what brings the next part.
    std::unique_ptr<PieceWriter> m_loading;
    QTimer m_loadTimer;
    // The text last loaded or written, as shown.
    QString m_shown;
};

} // namespace tolvex
