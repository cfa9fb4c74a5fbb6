#pragma once

#include "platform/dataaware/Dataset.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>

#include <functional>
#include <vector>

namespace tolvex {

// The stored records of a data source's dataset as a read-only table: one
// row per record in the dataset's order, one column per field. Cells are read
// from the dataset when shown; nothing is copied, so large tables stay cheap.
// The row of a record being edited shows the edited values.
class DBGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit DBGridModel(QObject* parent = nullptr);

    void bind(DataSource* source);
    [[nodiscard]] DataSource* dataSource() const { return m_source; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Only a calculated column's title can be set; the fields' titles are their names.
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role = Qt::EditRole) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Brings the rows and columns in line with the dataset and shows the cells anew.
    void refresh();

    // Rows the test picks are drawn in the given colour. The test is asked
    // for every row painted, so it must be cheap; an empty test dims none.
    using RowTest = std::function<bool(int row)>;
    void setDimmedRows(RowTest test, const QColor& colour);

    // Columns after the fields whose cells are worked out per row when shown,
    // as a desktop dataset's calculated fields are.
    struct CalculatedColumn {
        QString title;
        std::function<QString(int row)> text;
        bool alignRight = false;
    };
    void setCalculatedColumns(std::vector<CalculatedColumn> columns);
    [[nodiscard]] int calculatedColumnCount() const { return int(m_calculated.size()); }

Q_SIGNALS:
    // Around a refresh: a view's current row may shift meanwhile without the dataset moving.
    void refreshStarted();
    void refreshFinished();

private:
    [[nodiscard]] Dataset* activeDataset() const;
    // The row of the record being edited, or -1.
    [[nodiscard]] int pendingRow() const;
    [[nodiscard]] QVariant calculatedData(const QModelIndex& index, int role) const;
    void showPendingField(int pos);
    void adjustCounts();

    QPointer<DataSource> m_source;
    RowTest m_dimmed;
    std::vector<CalculatedColumn> m_calculated;
    QColor m_dimColour;
    int m_rows = 0;
    int m_columns = 0;
};

} // namespace tolvex
