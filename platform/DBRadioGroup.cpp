#include "platform/DBRadioGroup.h"

#include "platform/ErrorReport.h"
#include "platform/TolvexError.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tolvex {

DBRadioGroup::DBRadioGroup(QWidget* parent)
    : DBRadioGroup(QString(), parent)
{
}

DBRadioGroup::DBRadioGroup(const QString& title, QWidget* parent)
    : QGroupBox(title, parent)
    , m_buttons(new QButtonGroup(this))
    , m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(8, 2, 4, 2);
    m_layout->setSpacing(0);
    connect(m_buttons, &QButtonGroup::idClicked, this, &DBRadioGroup::buttonClicked);
}

void DBRadioGroup::setItems(const QStringList& items)
{
    m_items = items;
    for (QAbstractButton* button : m_buttons->buttons()) {
        m_buttons->removeButton(button);
        delete button;
    }
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        m_buttons->addButton(button, i);
        m_layout->addWidget(button);
    }
    loadField();
}

void DBRadioGroup::setValues(const QStringList& values)
{
    m_values = values;
    loadField();
}

QString DBRadioGroup::value(int index) const
{
    if (index < 0 || index >= m_items.size())
        return {};
    return index < m_values.size() ? m_values[index] : m_items[index];
}

void DBRadioGroup::bind(DataSource* source, const QString& fieldName)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_fieldName = fieldName;
    if (source && source->dataSet() && source->dataSet()->fieldIndex(fieldName) < 0)
        throw TolvexError(formatMessage(QStringLiteral("Feld '%s' nicht gefunden"), {fieldName}));
    if (source) {
        connect(source, &DataSource::dataChanged, this, &DBRadioGroup::loadField);
        connect(source, &DataSource::fieldChanged, this, [this](int pos) {
            if (pos == fieldPos())
                loadField();
        });
    }
    loadField();
}

int DBRadioGroup::itemIndex() const
{
    return m_buttons->checkedId();
}

Dataset* DBRadioGroup::activeDataset() const
{
    if (!m_source)
        return nullptr;
    Dataset* dataset = m_source->dataSet();
    if (!dataset || dataset->state() == Dataset::State::Inactive)
        return nullptr;
    return dataset;
}

int DBRadioGroup::fieldPos() const
{
    const Dataset* dataset = activeDataset();
    return dataset ? dataset->fieldIndex(m_fieldName) : -1;
}

bool DBRadioGroup::editing() const
{
    const Dataset* dataset = activeDataset();
    if (!dataset || fieldPos() < 0)
        return false;
    return dataset->state() == Dataset::State::Edit || dataset->state() == Dataset::State::Insert;
}

void DBRadioGroup::loadField()
{
    const int pos = fieldPos();
    int index = -1;
    if (pos >= 0) {
        const QString text = m_source->dataSet()->text(pos);
        for (int i = 0; i < m_items.size() && index < 0; ++i) {
            if (value(i) == text)
                index = i;
        }
    }
    select(index);
}

void DBRadioGroup::select(int index)
{
    if (m_buttons->checkedId() == index)
        return;
    if (index >= 0) {
        m_buttons->button(index)->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its last button.
    m_buttons->setExclusive(false);
    for (QAbstractButton* button : m_buttons->buttons())
        button->setChecked(false);
    m_buttons->setExclusive(true);
}

void DBRadioGroup::buttonClicked(int index)
{
    // The button has already taken the click; the field decides what stays selected.
    if (editing())
        runGuarded([&] { m_source->dataSet()->setText(fieldPos(), value(index)); });
    loadField();
}

} // namespace tolvex
