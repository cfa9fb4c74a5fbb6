#include "platform/dataaware/DBEdit.h"

#include "platform/dataaware/Dataset.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"

#include <QApplication>
#include <QKeyEvent>
#include <QValidator>

#include <functional>
#include <utility>

namespace tolvex {

namespace {

// Drops what the field cannot take from pasted or dropped text; typed
// characters are refused earlier, with a beep.
class CharFilter final : public QValidator {
public:
    CharFilter(std::function<bool(QChar)> accepts, QObject* parent)
        : QValidator(parent)
        , m_accepts(std::move(accepts))
    {
    }

    State validate(QString& input, int& pos) const override
    {
        QString kept;
        kept.reserve(input.size());
        int keptBeforeCursor = 0;
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (!m_accepts(input[i]))
                continue;
            kept.append(input[i]);
            if (i < pos)
                ++keptBeforeCursor;
        }
        input = kept;
        pos = keptBeforeCursor;
        return Acceptable;
    }

private:
    std::function<bool(QChar)> m_accepts;
};

} // namespace

DBEdit::DBEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setValidator(new CharFilter([this](QChar c) { return acceptsChar(c); }, this));
    setReadOnly(true);
    connect(this, &QLineEdit::textEdited, this, [this] { m_modified = true; });
}

void DBEdit::bind(DataSource* source, const QString& fieldName)
{
    m_link.bind(this, source, fieldName, {[this] { updateState(); }, [this] { loadField(); }, [this] { writeField(); }});
}

bool DBEdit::acceptsChar(QChar c) const
{
    if (!cp1252::representable(c))
        return false;
    const int pos = fieldPos();
    if (pos >= 0 && m_link.source()->dataSet()->field(pos).kind == FieldKind::SmallInt)
        return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-';
    return true;
}

void DBEdit::updateState()
{
    setReadOnly(!editing());
    const int pos = fieldPos();
    int maxLength = 32767;
    if (pos >= 0) {
        const FieldDef& def = m_link.source()->dataSet()->field(pos);
        if (def.kind == FieldKind::Text && def.size > 0)
            maxLength = def.size;
    }
    if (this->maxLength() != maxLength)
        setMaxLength(maxLength);
}

void DBEdit::loadField()
{
    const int pos = fieldPos();
    const QString fieldText = pos >= 0 ? m_link.source()->dataSet()->text(pos) : QString();
    m_modified = false;
    // Listeners of textChanged react to a shown change only.
    if (text() != fieldText) {
        setText(fieldText);
        setCursorPosition(0);
    }
}

void DBEdit::writeField()
{
    if (!m_modified || !editing())
        return;
    m_link.source()->dataSet()->setText(fieldPos(), text());
    m_modified = false;
}

void DBEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && editing()) {
        loadField();
        selectAll();
        event->accept();
        return;
    }
    // Shortcuts such as Ctrl+A or Ctrl+C are no typing.
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const QString typed = event->text();
    if (!shortcut && !typed.isEmpty() && isPrintable(typed.front())) {
        for (const QChar c : typed) {
            if (!acceptsChar(c)) {
                QApplication::beep();
                event->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace tolvex
