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
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_fieldName = fieldName;
    if (source && source->dataSet() && source->dataSet()->fieldIndex(fieldName) < 0)
        throw TolvexError(formatMessage(QStringLiteral("Feld '%s' nicht gefunden"), {fieldName}));
    if (source) {
        connect(source, &DataSource::stateChanged, this, &DBMemo::updateState);
        connect(source, &DataSource::dataChanged, this, [this] {
            updateState();
            loadField();
        });
        connect(source, &DataSource::fieldChanged, this, [this](int pos) {
            if (pos == fieldPos())
                loadField();
        });
        // A failed write propagates to the dataset, which then keeps its
        // record where it is.
        connect(source, &DataSource::updateRecordRequested, this, &DBMemo::writeField);
    }
    updateState();
    loadField();
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

Dataset* DBMemo::activeDataset() const
{
    if (!m_source)
        return nullptr;
    Dataset* dataset = m_source->dataSet();
    if (!dataset || dataset->state() == Dataset::State::Inactive)
        return nullptr;
    return dataset;
}

int DBMemo::fieldPos() const
{
    const Dataset* dataset = activeDataset();
    return dataset ? dataset->fieldIndex(m_fieldName) : -1;
}

bool DBMemo::editing() const
{
    const Dataset* dataset = activeDataset();
    if (!dataset || fieldPos() < 0)
        return false;
    return dataset->state() == Dataset::State::Edit || dataset->state() == Dataset::State::Insert;
}

void DBMemo::updateState()
{
    setReadOnly(!editing());
}

void DBMemo::loadField()
{
    const int pos = fieldPos();
    const QString stored = pos >= 0 ? m_source->dataSet()->text(pos) : QString();
    const QString shown = shownText(stored);
    if (shownText(fieldText()) != shown)
        setPlainText(shown);
    document()->setModified(false);
}

void DBMemo::writeField()
{
    if (!isModified() || !editing())
        return;
    m_source->dataSet()->setText(fieldPos(), fieldText());
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
