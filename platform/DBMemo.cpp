#include "platform/DBMemo.h"

#include "platform/Cp1252.h"
#include "platform/TolvexError.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextDocument>

namespace tolvex {

namespace {

// Line breaks of the field in any of the three conventions become lines.
QString shownText(const QString& stored)
{
    QString text = stored;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QString keptText(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (cp1252::representable(c) || c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            kept.append(c);
    }
    return kept;
}

[[nodiscard]] bool isPrintable(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() != 0x7F;
}

} // namespace

DBMemo::DBMemo(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Tab leaves the memo, as in the other controls of a form.
    setTabChangesFocus(true);
    setReadOnly(true);
}

void DBMemo::bind(DataSource* source, const QString& fieldName)
{
    m_link.bind(this, source, fieldName, {[this] { updateState(); }, [this] { loadField(); }, [this] { writeField(); }});
}

bool DBMemo::isModified() const
{
    return document()->isModified();
}

QString DBMemo::fieldText() const
{
    // The raw text keeps no-break spaces, which toPlainText() would turn into blanks.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return text;
}

void DBMemo::updateState()
{
    setReadOnly(!editing());
}

void DBMemo::loadField()
{
    const int pos = fieldPos();
    const QString stored = pos >= 0 ? m_link.source()->dataSet()->text(pos) : QString();
    const QString shown = shownText(stored);
    if (shownText(fieldText()) != shown)
        setPlainText(shown);
    document()->setModified(false);
}

void DBMemo::writeField()
{
    if (!isModified() || !editing())
        return;
    Dataset* dataset = m_link.source()->dataSet();
    // Lines are all the memo shows. When they read as the field's, the user
    // changed nothing (typed and took it back), and the field keeps its own
    // line breaks, a lone CR or LF from an import included.
    if (shownText(fieldText()) != shownText(dataset->text(fieldPos())))
        dataset->setText(fieldPos(), fieldText());
    document()->setModified(false);
}

void DBMemo::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && editing()) {
        loadField();
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && isPrintable(typed.front()) && keptText(typed) != typed) {
        QApplication::beep();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void DBMemo::inputMethodEvent(QInputMethodEvent* event)
{
    const QString kept = keptText(event->commitString());
    if (kept == event->commitString()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&filtered);
}

void DBMemo::insertFromMimeData(const QMimeData* source)
{
    if (!source || !source->hasText() || isReadOnly())
        return;
    textCursor().insertText(keptText(source->text()));
    ensureCursorVisible();
}

} // namespace tolvex
