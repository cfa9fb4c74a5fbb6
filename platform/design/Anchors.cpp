#include "platform/design/Anchors.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <vector>

namespace tolvex {

namespace {

struct AnchoredChild {
    QPointer<QWidget> widget;
    Anchors anchors;
    QRect design;      // the child's geometry when anchored
    QSize parentSize;  // the parent's size at that moment
};

class AnchorKeeper final : public QObject {
public:
    explicit AnchorKeeper(QWidget* parent)
        : QObject(parent)
    {
        parent->installEventFilter(this);
    }

    void add(QWidget* child, Anchors anchors)
    {
        for (auto& entry : m_children) {
            if (entry.widget == child) {
                entry = {child, anchors, child->geometry(), parentWidget()->size()};
                return;
            }
        }
        m_children.push_back({child, anchors, child->geometry(), parentWidget()->size()});
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Resize)
            arrange();
        return false;
    }

private:
    [[nodiscard]] QWidget* parentWidget() const { return static_cast<QWidget*>(parent()); }

    void arrange()
    {
        const QSize now = parentWidget()->size();
        for (const auto& entry : m_children) {
            if (!entry.widget)
                continue;
            const int dx = now.width() - entry.parentSize.width();
            const int dy = now.height() - entry.parentSize.height();
            QRect r = entry.design;
            // Along an axis it does not stretch on, a child keeps the size it has now:
            // a label sized to a new caption must not fall back to its design width.
            if (!(entry.anchors.testFlag(Anchor::Left) && entry.anchors.testFlag(Anchor::Right)))
                r.setWidth(entry.widget->width());
            if (!(entry.anchors.testFlag(Anchor::Top) && entry.anchors.testFlag(Anchor::Bottom)))
                r.setHeight(entry.widget->height());
            place(r, dx, entry.anchors.testFlag(Anchor::Left), entry.anchors.testFlag(Anchor::Right), true);
            place(r, dy, entry.anchors.testFlag(Anchor::Top), entry.anchors.testFlag(Anchor::Bottom), false);
            entry.widget->setGeometry(r);
        }
    }

    // Neither edge anchored keeps the child centred on its design share.
    static void place(QRect& r, int delta, bool nearEdge, bool farEdge, bool horizontal)
    {
        int pos = horizontal ? r.x() : r.y();
        int extent = horizontal ? r.width() : r.height();
        if (nearEdge && farEdge)
            extent = qMax(0, extent + delta);
        else if (farEdge)
            pos += delta;
        else if (!nearEdge)
            pos += delta / 2;
        if (horizontal) {
            r.moveLeft(pos);
            r.setWidth(extent);
        } else {
            r.moveTop(pos);
            r.setHeight(extent);
        }
    }

    std::vector<AnchoredChild> m_children;
};

} // namespace

void setAnchors(QWidget* child, Anchors anchors)
{
    QWidget* parent = child->parentWidget();
    if (!parent)
        return;
    AnchorKeeper* keeper = nullptr;
    for (QObject* object : parent->children()) {
        if ((keeper = dynamic_cast<AnchorKeeper*>(object)))
            break;
    }
    if (!keeper)
        keeper = new AnchorKeeper(parent);
    keeper->add(child, anchors);
}

} // namespace tolvex
