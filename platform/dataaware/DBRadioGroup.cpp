#include "platform/dataaware/DBRadioGroup.h"

#include "platform/dialogs/ErrorReport.h"
#include "platform/dialogs/TolvexError.h"

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
    m_link.bind(this, source, fieldName, {{}, [this] { loadField(); }, {}});
}

int DBRadioGroup::itemIndex() const
{
    return m_buttons->checkedId();
}

void DBRadioGroup::loadField()
{
    const int pos = fieldPos();
    int index = -1;
    if (pos >= 0) {
        const QString text = m_link.source()->dataSet()->text(pos);
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
        runGuarded([&] { m_link.source()->dataSet()->setText(fieldPos(), value(index)); });
    loadField();
}

} // namespace tolvex
