#include "platform/DBCheckBox.h"

#include "platform/ErrorReport.h"
#include "platform/TolvexError.h"

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
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_fieldName = fieldName;
    if (source && source->dataSet() && source->dataSet()->fieldIndex(fieldName) < 0)
        throw TolvexError(formatMessage(QStringLiteral("Feld '%s' nicht gefunden"), {fieldName}));
    if (source) {
        connect(source, &DataSource::dataChanged, this, &DBCheckBox::loadField);
        connect(source, &DataSource::fieldChanged, this, [this](int pos) {
            if (pos == fieldPos())
                loadField();
        });
    }
    loadField();
}

Dataset* DBCheckBox::activeDataset() const
{
    if (!m_source)
        return nullptr;
    Dataset* dataset = m_source->dataSet();
    if (!dataset || dataset->state() == Dataset::State::Inactive)
        return nullptr;
    return dataset;
}

int DBCheckBox::fieldPos() const
{
    const Dataset* dataset = activeDataset();
    return dataset ? dataset->fieldIndex(m_fieldName) : -1;
}

bool DBCheckBox::editing() const
{
    const Dataset* dataset = activeDataset();
    if (!dataset || fieldPos() < 0)
        return false;
    return dataset->state() == Dataset::State::Edit || dataset->state() == Dataset::State::Insert;
}

void DBCheckBox::loadField()
{
    const int pos = fieldPos();
    Qt::CheckState state = Qt::PartiallyChecked;
    if (pos >= 0) {
        if (const auto* flag = std::get_if<bool>(&m_source->dataSet()->value(pos)))
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
        runGuarded([&] { m_source->dataSet()->setValue(fieldPos(), checked); });
    }
    loadField();
}

} // namespace tolvex
