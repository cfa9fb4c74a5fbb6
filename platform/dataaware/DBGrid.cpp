#include "platform/dataaware/DBGrid.h"

#include "platform/dataaware/DBGridModel.h"
#include "platform/dialogs/ErrorReport.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tolvex {

DBGrid::DBGrid(QWidget* parent)
    : QTableView(parent)
    , m_model(new DBGridModel(this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSortingEnabled(false);

    verticalHeader()->hide();
    // Fixed heights keep a large table from being measured row by row.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);

    setFrameShape(QFrame::NoFrame);
    // The selected row stays visible when another window has the focus.
    QPalette pal = palette();
    const QColor menu = QApplication::palette("QMenu").color(QPalette::Active, QPalette::Window);
    pal.setColor(QPalette::Base, menu);
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &DBGrid::currentCellChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DBGrid::setInitialColumnWidths);
    // Rows removed under the current one shift it; that is no choice of the user.
    connect(m_model, &DBGridModel::refreshStarted, this, [this] { m_refreshing = true; });
    connect(m_model, &DBGridModel::refreshFinished, this, [this] { m_refreshing = false; });
}

namespace {

double luminance(const QColor& colour)
{
    const auto channel = [](float c) { return c <= 0.04045f ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

// The palette's disabled text, moved towards the normal text only as far as
// it must be to keep a row readable: a disabled colour is meant for controls
// nobody reads, and is about 2:1 on white.
QColor readableDimColour(const QPalette& palette)
{
    const QColor dim = palette.color(QPalette::Disabled, QPalette::Text).toRgb();
    const QColor text = palette.color(QPalette::Active, QPalette::Text).toRgb();
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    constexpr int kSteps = 20;
    for (int step = 0; step <= kSteps; ++step) {
        const float t = float(step) / kSteps;
        const QColor mixed = QColor::fromRgbF(dim.redF() + (text.redF() - dim.redF()) * t,
                                              dim.greenF() + (text.greenF() - dim.greenF()) * t,
                                              dim.blueF() + (text.blueF() - dim.blueF()) * t);
        if (contrastRatio(mixed, base) >= kReadableContrast)
            return mixed;
    }
    return text;
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void DBGrid::setDimmedRows(std::function<bool(int row)> test)
{
    m_model->setDimmedRows(std::move(test), readableDimColour(palette()));
}

void DBGrid::bind(DataSource* source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    // The model is connected first, so its rows are up to date when the grid follows.
    m_model->bind(source);
    if (source) {
        connect(source, &DataSource::stateChanged, this, &DBGrid::followCursor);
        connect(source, &DataSource::dataChanged, this, &DBGrid::followCursor);
    }
    followCursor();
}

void DBGrid::keyboardSearch(const QString&)
{
}

Dataset* DBGrid::activeDataset() const
{
    return m_source ? m_source->activeDataSet() : nullptr;
}

void DBGrid::currentCellChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (current.isValid())
        m_column = current.column();
    if (m_following || m_refreshing || !current.isValid() || current.row() == previous.row())
        return;
    Dataset* dataset = activeDataset();
    if (!dataset)
        return;
    if (dataset->recNo() != current.row() + 1 || dataset->state() == Dataset::State::Insert)
        runGuarded([&] { dataset->moveTo(current.row() + 1); });
    // After a refused move this puts the selection back on the record that stayed current.
    followCursor();
}

void DBGrid::followCursor()
{
    const QScopedValueRollback following(m_following, true);
    const Dataset* dataset = activeDataset();
    const int row = dataset && dataset->state() != Dataset::State::Insert ? dataset->recNo() - 1 : -1;
    if (row < 0 || row >= m_model->rowCount() || m_model->columnCount() == 0) {
        selectionModel()->clearSelection();
        selectionModel()->clearCurrentIndex();
        return;
    }
    const QModelIndex index = m_model->index(row, std::clamp(m_column, 0, m_model->columnCount() - 1));
    if (selectionModel()->currentIndex() != index || !selectionModel()->isRowSelected(row, {}))
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // Bring the row into view without jumping away from the columns the user scrolled to.
    const int horizontal = horizontalScrollBar()->value();
    scrollTo(index);
    horizontalScrollBar()->setValue(horizontal);
}

void DBGrid::setInitialColumnWidths()
{
    const Dataset* dataset = activeDataset();
    if (!dataset)
        return;
    const QFontMetrics metrics = fontMetrics();
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (column >= dataset->fieldCount()) {
            const QString title = m_model->headerData(column, Qt::Horizontal).toString();
            horizontalHeader()->resizeSection(column, metrics.horizontalAdvance(title) + 12);
            continue;
        }
        const FieldDef& def = dataset->field(column);
        int chars = 6;
        if (def.kind == FieldKind::Text)
            chars = std::clamp(def.size, 3, 20);
        else if (def.kind == FieldKind::Memo)
            chars = 7;
        const int titleWidth = metrics.horizontalAdvance(QString::fromUtf8(def.name)) + 12;
        horizontalHeader()->resizeSection(column, std::max(titleWidth, metrics.averageCharWidth() * chars + 8));
    }
}

void DBGrid::mousePressEvent(QMouseEvent* event)
{
    m_clickPending = false;
    const QModelIndex clicked = indexAt(event->position().toPoint());
    QTableView::mousePressEvent(event);
    followCursor();
    const Dataset* dataset = activeDataset();
    m_clickPending = event->button() == Qt::LeftButton && clicked.isValid() && dataset
        && dataset->state() != Dataset::State::Insert && dataset->recNo() == clicked.row() + 1;
}

void DBGrid::mouseMoveEvent(QMouseEvent* event)
{
    // Dragging with the button down would select rows the dataset never moved to.
    if (event->buttons() & Qt::LeftButton)
        return;
    QTableView::mouseMoveEvent(event);
}

void DBGrid::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !std::exchange(m_clickPending, false))
        return;
    Q_EMIT cellClicked();
}

} // namespace tolvex
