#pragma once

#include "platform/dataaware/Dataset.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>

class QToolButton;

namespace tolvex {

// A row of buttons that move through a data source's dataset and edit it.
// The buttons follow the dataset's marks and state; an error thrown by a
// button's action is reported and leaves the dataset as it was.
class DBNavigator : public QWidget {
    Q_OBJECT

public:
    // In the order the buttons stand and their hints are given.
    enum class Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    static constexpr int kButtonCount = 10;

    // Every button but refresh is shown.
    explicit DBNavigator(QWidget* parent = nullptr);

    void bind(DataSource* source);
    [[nodiscard]] DataSource* dataSource() const { return m_source; }

    // One hint per button in the order of Button; missing ones are empty.
    void setHints(const QStringList& hints);
    [[nodiscard]] const QStringList& hints() const { return m_hints; }

    // What the delete button asks before it deletes; only OK deletes.
    void setDeleteQuestion(const QString& question, const QString& caption);

    void setButtonVisible(Button kind, bool visible);
    [[nodiscard]] QToolButton* button(Button kind) const;

    // What a click on the button does, guarded like the click itself.
    void buttonClick(Button kind);

private:
    [[nodiscard]] Dataset* activeDataset() const;
    void runAction(Button kind);
    void removeRecord(Dataset& dataset);
    void updateButtons();

    QPointer<DataSource> m_source;
    QStringList m_hints;
    QString m_deleteQuestion;
    QString m_deleteCaption;
    std::array<QToolButton*, kButtonCount> m_buttons{};
};

} // namespace tolvex
