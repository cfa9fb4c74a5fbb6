#include "platform/dataaware/DBMemo.h"

#include "platform/dialogs/ErrorReport.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <limits>
#include <memory>

namespace tolvex {

namespace {

// Line breaks of the field in any of the three conventions become lines.
QString shownText(const QString& stored)
{
    // Most texts hold no CR; a description of megabytes need not be copied then.
    if (!stored.contains(u'\r'))
        return stored;
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

// A text layout costs what its block holds; a piece of this length is laid
// out in well under a millisecond.
constexpr qsizetype kPieceLength = 2048;
// A piece ends after a blank when there is one this near its end, so that
// its edge looks like an ordinary wrap.
constexpr qsizetype kBlankReach = 200;
// The block format property of a block that continues the line of the block
// before it. A format, unlike a block's user state, comes back with an undo.
constexpr int kContinuesLine = QTextFormat::UserProperty + 1;

[[nodiscard]] bool continuesLine(const QTextBlock& block)
{
    return block.blockFormat().boolProperty(kContinuesLine);
}

[[nodiscard]] QTextBlockFormat lineFormat(bool continues)
{
    QTextBlockFormat format;
    if (continues)
        format.setProperty(kContinuesLine, true);
    return format;
}

[[nodiscard]] qsizetype pieceEnd(QStringView line, qsizetype from)
{
    const qsizetype end = from + kPieceLength;
    if (end >= line.size())
        return line.size();
    for (qsizetype i = end; i > end - kBlankReach; --i) {
        if (line[i - 1] == u' ')
            return i;
    }
    return line[end - 1].isHighSurrogate() ? end - 1 : end;
}

// The first part of a long text is shown at once, enough to fill the memo;
// the rest follows in parts between events, so that a record change never
// waits for megabytes to be laid into the document.
constexpr qsizetype kFirstPart = 64 * 1024;
constexpr qsizetype kLaterPart = 256 * 1024;

} // namespace

// Writes a text into the document at a cursor, long lines in pieces, as much
// as asked for at a time.
class DBMemo::PieceWriter {
public:
    explicit PieceWriter(QString text) : m_text(std::move(text)) {}

    [[nodiscard]] bool done() const { return m_done; }

    // About `amount` characters; whole pieces, at least one. One change of
    // the document, so that the view follows once.
    void write(QTextCursor& cursor, qsizetype amount)
    {
        cursor.beginEditBlock();
        while (!m_done && amount > 0) {
            // Searched once per line: a line of megabytes is many pieces.
            if (m_lineEnd < m_pos) {
                m_lineEnd = m_text.indexOf(u'\n', m_pos);
                if (m_lineEnd < 0)
                    m_lineEnd = m_text.size();
            }
            const qsizetype lineEnd = m_lineEnd;
            if (m_started)
                cursor.insertBlock(lineFormat(!m_newLine));
            m_started = true;
            const qsizetype to = pieceEnd(QStringView(m_text).first(lineEnd), m_pos);
            if (to > m_pos)
                cursor.insertText(m_text.sliced(m_pos, to - m_pos));
            amount -= to - m_pos + 1;
            m_newLine = to == lineEnd;
            m_pos = m_newLine ? lineEnd + 1 : to;
            m_done = m_newLine && lineEnd == m_text.size();
        }
        cursor.endEditBlock();
    }

    // What is still to come, as shown: with the line break that leads to it.
    [[nodiscard]] QString rest() const
    {
        QString rest;
        if (m_done)
            return rest;
        if (m_newLine)
            rest += u'\n';
        rest += QStringView(m_text).sliced(m_pos);
        return rest;
    }

private:
    QString m_text;
    qsizetype m_pos = 0;
    qsizetype m_lineEnd = -1;
    bool m_started = false;
    bool m_newLine = false;
    bool m_done = false;
};

DBMemo::DBMemo(QWidget* parent)
    : QPlainTextEdit(parent)
{
    m_loadTimer.setSingleShot(true);
    connect(&m_loadTimer, &QTimer::timeout, this, guarded(this, &DBMemo::loadMore));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Tab leaves the memo, as in the other controls of a form.
    setTabChangesFocus(true);
    setReadOnly(true);
}

DBMemo::~DBMemo() = default;

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
    QString text = textBetween(0, document()->characterCount() - 1, u"\r\n");
    if (m_loading)
        text += m_loading->rest().replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

QString DBMemo::textBetween(int from, int to, QStringView lineBreak) const
{
    QString text;
    text.reserve(to - from);
    const QTextDocument* doc = document();
    const QTextBlock last = doc->findBlock(to);
    for (QTextBlock block = doc->findBlock(from); block.isValid(); block = block.next()) {
        const int begin = std::max(from, block.position()) - block.position();
        const int end = std::min(to, block.position() + block.length() - 1) - block.position();
        if (block.position() > from && !continuesLine(block))
            text += lineBreak;
        // The raw text keeps no-break spaces, which toPlainText() would turn into blanks.
        text += QStringView(block.text()).sliced(begin, std::max(0, end - begin));
        if (block == last)
            break;
    }
    text.replace(QChar(QChar::LineSeparator), lineBreak.toString());
    return text;
}

// A short text by the load the edit itself offers; a longer one by pieces,
// its first part at once and the rest between events (all at once while
// editing). Either way with no undo step and the cursor at the start.
void DBMemo::showText(const QString& shown)
{
    if (m_loading) {
        m_loading.reset();
        m_loadTimer.stop();
        document()->setUndoRedoEnabled(true);
    }
    m_shown = shown;
    if (shown.size() <= kPieceLength) {
        setPlainText(shown);
        return;
    }
    setPlainText(QString());
    document()->setUndoRedoEnabled(false);
    m_loading = std::make_unique<PieceWriter>(shown);
    QTextCursor cursor(document());
    m_loading->write(cursor, editing() ? shown.size() : kFirstPart);
    moveCursor(QTextCursor::Start);
    finishPart();
}

void DBMemo::loadMore()
{
    if (!m_loading)
        return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    m_loading->write(cursor, kLaterPart);
    finishPart();
}

void DBMemo::loadAll()
{
    if (!m_loading)
        return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    m_loading->write(cursor, std::numeric_limits<qsizetype>::max());
    finishPart();
}

void DBMemo::finishPart()
{
    document()->setModified(false);
    if (!m_loading->done()) {
        m_loadTimer.start(0);
        return;
    }
    m_loading.reset();
    document()->setUndoRedoEnabled(true);
}

void DBMemo::updateState()
{
    // What the user edits is there in full, and the undo steps are theirs alone.
    if (editing())
        loadAll();
    setReadOnly(!editing());
}

void DBMemo::loadField()
{
    const int pos = fieldPos();
    const QString stored = pos >= 0 ? m_link.source()->dataSet()->text(pos) : QString();
    const QString shown = shownText(stored);
    // Reloading the same text would move the cursor and the view to the start.
    if (document()->isModified() || shown != m_shown)
        showText(shown);
    document()->setModified(false);
}

void DBMemo::writeField()
{
    if (!isModified() || !editing())
        return;
    Dataset* dataset = m_link.source()->dataSet();
    const QString written = fieldText();
    m_shown = shownText(written);
    // Lines are all the memo shows. When they read as the field's, the user
    // changed nothing (typed and took it back), and the field keeps its own
    // line breaks, a lone CR or LF from an import included.
    if (m_shown != shownText(dataset->text(fieldPos())))
        dataset->setText(fieldPos(), written);
    document()->setModified(false);
}

void DBMemo::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && editing()) {
        loadField();
        event->accept();
        return;
    }
    if (handledAtPieceEdge(event)) {
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

// Backspace at the start of a piece, or Delete at the end of the one before,
// would only join the pieces: it deletes the character beyond the edge instead.
// Return in a piece starts a line, which a new block would not by the format
// it takes over from the piece.
bool DBMemo::handledAtPieceEdge(const QKeyEvent* event)
{
    QTextCursor cursor = textCursor();
    const bool inPiece = continuesLine(cursor.block());
    if (isReadOnly() || (!inPiece && !continuesLine(cursor.block().next())))
        return false;
    const bool lineBreak = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && !event->modifiers().testFlag(Qt::ShiftModifier);
    if (lineBreak && inPiece) {
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        cursor.insertBlock(lineFormat(false));
        cursor.endEditBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
        return true;
    }
    const bool backward = event->key() == Qt::Key_Backspace && cursor.atBlockStart() && inPiece;
    const bool forward = event->key() == Qt::Key_Delete && cursor.atBlockEnd() && continuesLine(cursor.block().next());
    if (!cursor.hasSelection() && (backward || forward)) {
        cursor.movePosition(backward ? QTextCursor::PreviousCharacter : QTextCursor::NextCharacter);
        setTextCursor(cursor);
    }
    return false;
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
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    PieceWriter pasted(shownText(keptText(source->text()).replace(QChar::ParagraphSeparator, u'\n')));
    pasted.write(cursor, std::numeric_limits<qsizetype>::max());
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

QMimeData* DBMemo::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    data->setText(textBetween(cursor.selectionStart(), cursor.selectionEnd(), u"\n"));
    return data;
}

} // namespace tolvex
