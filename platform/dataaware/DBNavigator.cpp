#include "platform/dataaware/DBNavigator.h"

#include "platform/dialogs/Dialogs.h"
#include "platform/dialogs/ErrorReport.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QToolButton>

namespace tolvex {

namespace {

constexpr std::array<const char*, DBNavigator::kButtonCount> kObjectNames{
    "first", "prior", "next", "last", "insert", "delete", "edit", "post", "cancel", "refresh"};

constexpr int kGlyphSize = 16;

void drawTriangle(QPainter& p, qreal tipX, qreal baseX)
{
    p.drawPolygon(QPolygonF{{QPointF(tipX, 8), QPointF(baseX, 3), QPointF(baseX, 13)}});
}

struct Inks {
    QColor plain;
    QColor post;
    QColor cancel;
};

void drawGlyph(QPainter& p, DBNavigator::Button kind, const Inks& ink)
{
    using B = DBNavigator::Button;
    p.setPen(Qt::NoPen);
    p.setBrush(ink.plain);
    switch (kind) {
    case B::First:
        p.drawRect(QRectF(3, 3, 2, 10));
        drawTriangle(p, 5, 12);
        break;
    case B::Prior:
        drawTriangle(p, 4.5, 11.5);
        break;
    case B::Next:
        drawTriangle(p, 11.5, 4.5);
        break;
    case B::Last:
        drawTriangle(p, 11, 4);
        p.drawRect(QRectF(11, 3, 2, 10));
        break;
    case B::Insert:
        p.drawRect(QRectF(7, 3, 2, 10));
        p.drawRect(QRectF(3, 7, 10, 2));
        break;
    case B::Delete:
        p.drawRect(QRectF(3, 7, 10, 2));
        break;
    case B::Edit:
        p.drawPolygon(QPolygonF{{QPointF(8, 4), QPointF(13, 11), QPointF(3, 11)}});
        break;
    case B::Post:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink.post, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF{{QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}});
        break;
    case B::Cancel:
        p.setPen(QPen(ink.cancel, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case B::Refresh:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink.plain, 1.8));
        p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, 270 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(ink.plain);
        p.drawPolygon(QPolygonF{{QPointF(8, 0.5), QPointF(12, 3), QPointF(8, 5.5)}});
        break;
    }
}

QPixmap emptyGlyph()
{
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// The pictures are drawn, not loaded, so the library needs no image files.
// The disabled picture is drawn too: the style's greying keeps a dark glyph
// dark, and a disabled button would look as usable as an enabled one.
QIcon glyph(DBNavigator::Button kind)
{
    QPixmap normal = emptyGlyph();
    {
        QPainter p(&normal);
        p.setRenderHint(QPainter::Antialiasing);
        drawGlyph(p, kind, {QColor(0x20, 0x20, 0x20), QColor(0x10, 0x80, 0x10), QColor(0xB0, 0x10, 0x10)});
    }
    QPixmap disabled = emptyGlyph();
    {
        QPainter p(&disabled);
        p.setRenderHint(QPainter::Antialiasing);
        const Inks highlight{Qt::white, Qt::white, Qt::white};
        const QColor grey(0x80, 0x80, 0x80);
        p.translate(1, 1);
        drawGlyph(p, kind, highlight);
        p.translate(-1, -1);
        drawGlyph(p, kind, {grey, grey, grey});
    }
    QIcon icon(normal);
    icon.addPixmap(disabled, QIcon::Disabled);
    return icon;
}

} // namespace

DBNavigator::DBNavigator(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kButtonCount; ++i) {
        const auto kind = static_cast<Button>(i);
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(kObjectNames[static_cast<size_t>(i)]));
        b->setIcon(glyph(kind));
        b->setIconSize(QSize(kGlyphSize, kGlyphSize));
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        // The focus stays in the control being edited, as with the classic navigator.
        b->setFocusPolicy(Qt::NoFocus);
        b->setEnabled(false);
        connect(b, &QToolButton::clicked, this, [this, kind] { buttonClick(kind); });
        layout->addWidget(b);
        m_buttons[static_cast<size_t>(i)] = b;
    }
    setButtonVisible(Button::Refresh, false);
}

void DBNavigator::bind(DataSource* source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &DataSource::stateChanged, this, &DBNavigator::updateButtons);
        connect(source, &DataSource::dataChanged, this, &DBNavigator::updateButtons);
    }
    updateButtons();
}

void DBNavigator::setHints(const QStringList& hints)
{
    m_hints = hints;
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[static_cast<size_t>(i)]->setToolTip(i < hints.size() ? hints[i] : QString());
}

void DBNavigator::setDeleteQuestion(const QString& question, const QString& caption)
{
    m_deleteQuestion = question;
    m_deleteCaption = caption;
}

void DBNavigator::setButtonVisible(Button kind, bool visible)
{
    button(kind)->setVisible(visible);
}

QToolButton* DBNavigator::button(Button kind) const
{
    return m_buttons.at(static_cast<size_t>(kind));
}

void DBNavigator::buttonClick(Button kind)
{
    runGuarded([&] { runAction(kind); });
    updateButtons();
}

Dataset* DBNavigator::activeDataset() const
{
    return m_source ? m_source->activeDataSet() : nullptr;
}

void DBNavigator::runAction(Button kind)
{
    Dataset* dataset = activeDataset();
    if (!dataset)
        return;
    switch (kind) {
    case Button::First:
        dataset->first();
        break;
    case Button::Prior:
        dataset->prior();
        break;
    case Button::Next:
        dataset->next();
        break;
    case Button::Last:
        dataset->last();
        break;
    case Button::Insert:
        dataset->insert();
        break;
    case Button::Delete:
        if (Dialogs::instance().confirm(m_deleteQuestion, m_deleteCaption))
            removeRecord(*dataset);
        break;
    case Button::Edit:
        dataset->edit();
        break;
    case Button::Post:
        dataset->post();
        break;
    case Button::Cancel:
        dataset->cancel();
        break;
    case Button::Refresh:
        // Lifting a suspension shows the current record anew in every bound control.
        dataset->disableControls();
        dataset->enableControls();
        break;
    }
}

void DBNavigator::removeRecord(Dataset& dataset)
{
    // A record being inserted is not stored yet: deleting it drops it, and
    // must not take the stored record the cursor stood on with it.
    if (dataset.state() == Dataset::State::Insert) {
        dataset.cancel();
        return;
    }
    if (dataset.state() == Dataset::State::Edit)
        dataset.cancel();
    dataset.remove();
}

void DBNavigator::updateButtons()
{
    const Dataset* dataset = activeDataset();
    const bool active = dataset != nullptr;
    const bool editing = active && (dataset->state() == Dataset::State::Edit || dataset->state() == Dataset::State::Insert);
    const bool empty = active && dataset->isEmpty();
    const bool up = active && !dataset->bof();
    const bool down = active && !dataset->eof();
    button(Button::First)->setEnabled(up);
    button(Button::Prior)->setEnabled(up);
    button(Button::Next)->setEnabled(down);
    button(Button::Last)->setEnabled(down);
    button(Button::Insert)->setEnabled(active);
    button(Button::Delete)->setEnabled(active && !empty);
    // Editing an empty table starts a new record.
    button(Button::Edit)->setEnabled(active && !editing);
    button(Button::Post)->setEnabled(editing);
    button(Button::Cancel)->setEnabled(editing);
    button(Button::Refresh)->setEnabled(active && !editing);
}

} // namespace tolvex
