#include "platform/dataaware/DBGridModel.h"

#include <utility>

namespace tolvex {

DBGridModel::DBGridModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void DBGridModel::bind(DataSource* source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &DataSource::stateChanged, this, &DBGridModel::refresh);
        connect(source, &DataSource::dataChanged, this, &DBGridModel::refresh);
        connect(source, &DataSource::fieldChanged, this, &DBGridModel::showPendingField);
    }
    refresh();
}

int DBGridModel::pendingRow() const
{
    const Dataset* dataset = activeDataset();
    return dataset && dataset->state() == Dataset::State::Edit ? dataset->recNo() - 1 : -1;
}

void DBGridModel::showPendingField(int pos)
{
    const int row = pendingRow();
    if (row >= 0 && row < m_rows && pos >= 0 && pos < m_columns)
        Q_EMIT dataChanged(index(row, pos), index(row, pos), {Qt::DisplayRole});
}

Dataset* DBGridModel::activeDataset() const
{
    return m_source ? m_source->activeDataSet() : nullptr;
}

void DBGridModel::refresh()
{
    Q_EMIT refreshStarted();
    adjustCounts();
    Q_EMIT refreshFinished();
}

void DBGridModel::adjustCounts()
{
    const Dataset* dataset = activeDataset();
    const int rows = dataset ? dataset->recordCount() : 0;
    const int columns = dataset ? dataset->fieldCount() + calculatedColumnCount() : 0;
    if (columns != m_columns) {
        beginResetModel();
        m_rows = rows;
        m_columns = columns;
        endResetModel();
        return;
    }
    // Cells are read when shown, so a changed count only needs the row range
    // adjusted; the repaint below shows whatever moved.
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
    if (m_rows > 0 && m_columns > 0)
        Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1), {Qt::DisplayRole});
}

int DBGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DBGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant DBGridModel::data(const QModelIndex& index, int role) const
{
    const Dataset* dataset = activeDataset();
    if (!dataset || !index.isValid() || index.row() >= m_rows || index.column() >= m_columns)
        return {};
    // The dataset may already have shrunk while the view catches up.
    if (index.row() >= dataset->recordCount())
        return {};
    if (index.column() >= dataset->fieldCount())
        return calculatedData(index, role);
    const FieldDef& def = dataset->field(index.column());
    // The record being edited shows its values as they stand, not as stored.
    const bool pending = index.row() == pendingRow();
    switch (role) {
    case Qt::DisplayRole:
        if (def.kind == FieldKind::Memo) {
            const FieldValue v = pending ? dataset->value(index.column()) : dataset->valueAt(index.row(), index.column());
            const auto* text = std::get_if<QString>(&v);
            return text && !text->isEmpty() ? QStringLiteral("(MEMO)") : QStringLiteral("(Memo)");
        }
        return pending ? dataset->text(index.column()) : dataset->textAt(index.row(), index.column());
    case Qt::ForegroundRole:
        if (m_dimmed && m_dimmed(index.row()))
            return m_dimColour;
        return {};
    case Qt::TextAlignmentRole:
        if (def.kind == FieldKind::SmallInt)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    default:
        return {};
    }
}

QVariant DBGridModel::calculatedData(const QModelIndex& index, int role) const
{
    const auto column = size_t(index.column() - activeDataset()->fieldCount());
    if (column >= m_calculated.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_calculated[column].text(index.row());
    case Qt::ForegroundRole:
        if (m_dimmed && m_dimmed(index.row()))
            return m_dimColour;
        return {};
    case Qt::TextAlignmentRole:
        if (m_calculated[column].alignRight)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    default:
        return {};
    }
}

void DBGridModel::setCalculatedColumns(std::vector<CalculatedColumn> columns)
{
    beginResetModel();
    m_calculated = std::move(columns);
    const Dataset* dataset = activeDataset();
    m_columns = dataset ? dataset->fieldCount() + calculatedColumnCount() : 0;
    endResetModel();
}

void DBGridModel::setDimmedRows(RowTest test, const QColor& colour)
{
    m_dimmed = std::move(test);
    m_dimColour = colour;
    if (m_rows > 0 && m_columns > 0)
        Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1), {Qt::ForegroundRole});
}

QVariant DBGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    const Dataset* dataset = activeDataset();
    if (!dataset || section < 0 || section >= m_columns)
        return {};
    if (section >= dataset->fieldCount()) {
        const auto column = size_t(section - dataset->fieldCount());
        return column < m_calculated.size() ? QVariant(m_calculated[column].title) : QVariant();
    }
    return QString::fromUtf8(dataset->field(section).name);
}

bool DBGridModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role)
{
    // The fields are known before the dataset opens: titles are written while the window is built.
    const Dataset* dataset = m_source ? m_source->dataSet() : nullptr;
    const int fields = dataset ? dataset->fieldCount() : 0;
    const auto column = size_t(section - fields);
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) || section < fields
        || column >= m_calculated.size())
        return false;
    m_calculated[column].title = value.toString();
    Q_EMIT headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags DBGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace tolvex
