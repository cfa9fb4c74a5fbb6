#include "platform/dataaware/Dataset.h"

namespace tolvex {

DataSource::DataSource(QObject* parent)
    : QObject(parent)
{
}

void DataSource::setDataSet(Dataset* dataset)
{
    for (auto& c : m_connections)
        QObject::disconnect(c);
    m_dataset = dataset;
    if (!dataset)
        return;

    const auto live = [dataset] { return !dataset->controlsDisabled(); };
    m_connections[0] = connect(dataset, &Dataset::stateChanged, this, [this, live] {
        if (live())
            Q_EMIT stateChanged();
    });
    m_connections[1] = connect(dataset, &Dataset::recordChanged, this, [this, live] {
        if (live())
            Q_EMIT dataChanged();
    });
    m_connections[2] = connect(dataset, &Dataset::recordsChanged, this, [this, live] {
        if (live())
            Q_EMIT dataChanged();
    });
    m_connections[3] = connect(dataset, &Dataset::fieldChanged, this, [this, live](int pos) {
        if (live())
            Q_EMIT fieldChanged(pos);
    });
    m_connections[4] = connect(dataset, &Dataset::updateRecordRequested, this, &DataSource::updateRecordRequested);
    m_connections[5] = connect(dataset, &Dataset::controlsEnabled, this, [this] {
        Q_EMIT stateChanged();
        Q_EMIT dataChanged();
    });
    Q_EMIT stateChanged();
    Q_EMIT dataChanged();
}

} // namespace tolvex
