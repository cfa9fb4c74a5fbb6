#include "platform/dataaware/DBCheckBox.h"

#include "platform/dialogs/ErrorReport.h"
#include "platform/dialogs/TolvexError.h"

namespace tolvex {

DBCheckBox::DBCheckBox(QWidget* parent)
    : DBCheckBox(QString(), parent)
{
}

DBCheckBox::DBCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent)
{
    setTristate(true);
    setCheckState(Qt::PartiallyChecked);
}

void DBCheckBox::bind(DataSource* source, const QString& fieldName)
{
    m_link.bind(this, source, fieldName, {{}, [this] { loadField(); }, {}});
}

void DBCheckBox::loadField()
{
    const int pos = fieldPos();
    Qt::CheckState state = Qt::PartiallyChecked;
    if (pos >= 0) {
        if (const auto* flag = std::get_if<bool>(&m_link.source()->dataSet()->value(pos)))
            state = *flag ? Qt::Checked : Qt::Unchecked;
    }
    if (checkState() != state)
        setCheckState(state);
}

void DBCheckBox::nextCheckState()
{
    // Called from the button's own click handling, so a failed write is
    // reported here; the box then keeps showing the field.
    if (editing()) {
        const bool checked = checkState() != Qt::Checked;
        runGuarded([&] { m_link.source()->dataSet()->setValue(fieldPos(), checked); });
    }
    loadField();
}

} // namespace tolvex
