#include "platform/design/DesignTexts.h"

#include "platform/dataaware/DBNavigator.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace tolvex {

namespace {

void setCaption(QObject* target, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(target)) {
        // Labels are sized to their text: a longer caption must not be cut off.
        label->setText(text);
        label->adjustSize();
    } else if (auto* group = qobject_cast<QGroupBox*>(target))
        group->setTitle(text);
    else if (auto* menu = qobject_cast<QMenu*>(target))
        menu->setTitle(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(target))
        button->setText(text);
    else
        Q_ASSERT_X(false, "applyTexts", "a caption for a control without one");
}

void setNavigatorHint(QObject* target, int index, const QString& text)
{
    auto* navigator = qobject_cast<DBNavigator*>(target);
    Q_ASSERT_X(navigator, "applyTexts", "a navigator hint for another control");
    QStringList hints = navigator->hints();
    while (hints.size() <= index)
        hints.append(QString());
    hints[index] = text;
    navigator->setHints(hints);
}

void apply(QWidget* window, QObject* target, const DesignText& t, const QString& text)
{
    switch (t.role) {
    case TextRole::Caption:
        if (target == window)
            window->setWindowTitle(text);
        else
            setCaption(target, text);
        break;
    case TextRole::Hint:
        qobject_cast<QWidget*>(target)->setToolTip(text);
        break;
    case TextRole::MemoLine: {
        auto* memo = qobject_cast<QPlainTextEdit*>(target);
        Q_ASSERT_X(memo && t.index < memo->document()->blockCount(), "applyTexts", "a memo line the memo does not have");
        setMemoLine(memo, t.index, text);
        break;
    }
    case TextRole::NavigatorHint:
        setNavigatorHint(target, t.index, text);
        break;
    case TextRole::ListItem: {
        auto* combo = qobject_cast<QComboBox*>(target);
        Q_ASSERT_X(combo && t.index < combo->count(), "applyTexts", "an item the combo box does not have");
        combo->setItemText(t.index, text);
        break;
    }
    case TextRole::ColumnTitle: {
        auto* view = qobject_cast<QAbstractItemView*>(target);
        Q_ASSERT_X(view && view->model(), "applyTexts", "a column title for a control without columns");
        view->model()->setHeaderData(t.index, Qt::Horizontal, text);
        break;
    }
    }
}

} // namespace

const QString& DesignText::in(TextLanguage language) const
{
    switch (language) {
    case TextLanguage::English:
        return english;
    case TextLanguage::Design:
        if (!design.isEmpty())
            return design;
        break;
    case TextLanguage::German:
        break;
    }
    return german;
}

void applyTexts(QWidget* window, const std::vector<DesignText>& texts, TextLanguage language)
{
    for (const DesignText& t : texts) {
        QObject* target = t.control ? window->findChild<QObject*>(QLatin1String(t.control)) : window;
        Q_ASSERT_X(target, "applyTexts", t.control);
        if (target)
            apply(window, target, t, t.in(language));
    }
}

void setMemoLine(QPlainTextEdit* memo, int line, const QString& text)
{
    QTextBlock block = memo->document()->findBlockByNumber(line);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

QString memoLine(const QPlainTextEdit* memo, int line)
{
    return memo->document()->findBlockByNumber(line).text();
}

} // namespace tolvex
