#include "platform/dataaware/FieldDataLink.h"

#include "platform/dialogs/TolvexError.h"

namespace tolvex {

void FieldDataLink::bind(QObject* owner, DataSource* source, const QString& fieldName, Reactions reactions)
{
    if (m_source)
        QObject::disconnect(m_source, nullptr, owner, nullptr);
    m_source = source;
    m_fieldName = fieldName;
    if (source && source->dataSet() && source->dataSet()->fieldIndex(fieldName) < 0)
        throw TolvexError(formatMessage(QStringLiteral("Feld '%s' nicht gefunden"), {fieldName}));
    const auto changed = [reactions] {
        if (reactions.stateChanged)
            reactions.stateChanged();
    };
    const auto reload = [reactions] {
        if (reactions.reload)
            reactions.reload();
    };
    if (source) {
        QObject::connect(source, &DataSource::stateChanged, owner, changed);
        QObject::connect(source, &DataSource::dataChanged, owner, [changed, reload] {
            changed();
            reload();
        });
        QObject::connect(source, &DataSource::fieldChanged, owner, [this, reload](int pos) {
            if (pos == fieldPos())
                reload();
        });
        // A failed write propagates to the dataset, which then keeps its record where it is.
        if (reactions.updateRecord)
            QObject::connect(source, &DataSource::updateRecordRequested, owner, reactions.updateRecord);
    }
    changed();
    reload();
}

Dataset* FieldDataLink::activeDataset() const
{
    return m_source ? m_source->activeDataSet() : nullptr;
}

int FieldDataLink::fieldPos() const
{
    const Dataset* dataset = activeDataset();
    return dataset ? dataset->fieldIndex(m_fieldName) : -1;
}

bool FieldDataLink::editing() const
{
    const Dataset* dataset = activeDataset();
    if (!dataset || fieldPos() < 0)
        return false;
    return dataset->state() == Dataset::State::Edit || dataset->state() == Dataset::State::Insert;
}

} // namespace tolvex
