#pragma once

#include "platform/dataaware/Dataset.h"

#include <functional>

#include <QPointer>
#include <QTableView>

namespace tolvex {

class DBGridModel;

// A read-only grid over a data source's dataset: one row per record, one
// column per field titled with its name. The selected row is always the
// dataset's current record: choosing a row moves the dataset there, and a
// move of the dataset selects and shows its row. While a new record is being
// inserted no row is selected, since the pending record has no row yet.
// Columns can be widened and dragged elsewhere; that changes only the view.
// No border; the cells lie on the system's menu colour.
class DBGrid : public QTableView {
    Q_OBJECT

public:
    explicit DBGrid(QWidget* parent = nullptr);

    void bind(DataSource* source);
    [[nodiscard]] DataSource* dataSource() const { return m_source; }
    [[nodiscard]] DBGridModel* gridModel() const { return m_model; }

    // Rows the test picks are drawn in the palette's disabled text colour;
    // the test is asked per painted row, so it must be cheap.
    void setDimmedRows(std::function<bool(int row)> test);

    // Rows are not searched by typing: that would read every record.
    void keyboardSearch(const QString& search) override;

Q_SIGNALS:
    // A left click on a data cell made its row the current record.
    void cellClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] Dataset* activeDataset() const;
    void currentCellChanged(const QModelIndex& current, const QModelIndex& previous);
    void followCursor();
    void setInitialColumnWidths();

    QPointer<DataSource> m_source;
    DBGridModel* m_model;
    bool m_following = false;
    bool m_refreshing = false;
    bool m_clickPending = false;
    int m_column = 0;
};

} // namespace tolvex
