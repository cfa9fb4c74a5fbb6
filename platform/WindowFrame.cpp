#include "platform/WindowFrame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tolvex {

namespace {

// Looks after a window's placement around its showing: an outer size asked
// for while the frame was not known yet is made good once it is, and a
// centring rule is applied at the first showing only.
class PlacementKeeper final : public QObject {
public:
    explicit PlacementKeeper(QWidget* window)
        : QObject(window)
    {
        window->installEventFilter(this);
    }

    static PlacementKeeper* of(QWidget* window)
    {
        for (QObject* child : window->children()) {
            if (auto* keeper = dynamic_cast<PlacementKeeper*>(child))
                return keeper;
        }
        return new PlacementKeeper(window);
    }

    void centreAtFirstShow(Placement placement) { m_placement = placement; }
    void wantOuterSize(QSize size) { m_wantedOuter = size; }
    [[nodiscard]] bool frameKnown() const { return m_frameKnown; }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != parent())
            return false;
        auto* window = static_cast<QWidget*>(parent());
        if (event->type() == QEvent::Show) {
            m_frameKnown = true;
            applyWantedSize(window);
            if (m_placement != Placement::AsDesigned) {
                centre(window, m_placement);
                m_placement = Placement::AsDesigned;
            }
        } else if (event->type() == QEvent::Move && m_frameKnown) {
            // Some window managers add the frame only after the window is up.
            applyWantedSize(window);
            m_wantedOuter = QSize();
        }
        return false;
    }

private:
    void applyWantedSize(QWidget* window) const
    {
        if (!m_wantedOuter.isValid())
            return;
        const QSize extra = window->frameGeometry().size() - window->geometry().size();
        window->resize((m_wantedOuter - extra).expandedTo(QSize(0, 0)));
    }

    static void centre(QWidget* window, Placement placement)
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect area = placement == Placement::CentreOnScreen ? screen->geometry() : screen->virtualGeometry();
        const QRect outer = outerGeometry(window);
        const int left = qMax(0, area.x() + (area.width() - outer.width()) / 2);
        const int top = qMax(0, area.y() + (area.height() - outer.height()) / 2);
        window->move(left, top);
    }

    Placement m_placement = Placement::AsDesigned;
    QSize m_wantedOuter;
    bool m_frameKnown = false;
};

QSize frameExtra(const QWidget* window)
{
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return {outer.width() - inner.width(), outer.height() - inner.height()};
}

} // namespace

void setFrame(QWidget* window, Frame frame, bool stayOnTop)
{
    Qt::WindowFlags flags;
    switch (frame) {
    case Frame::Sizeable:
        flags = Qt::Window;
        break;
    case Frame::SizeableTool:
    case Frame::FixedTool:
        flags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    case Frame::FixedNoButtons:
        flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        break;
    case Frame::None:
        flags = Qt::Window | Qt::FramelessWindowHint;
        break;
    }
    if (stayOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    window->setWindowFlags(flags);
    if (frame == Frame::FixedTool || frame == Frame::FixedNoButtons)
        window->setFixedSize(window->size());
}

void setPlacement(QWidget* window, Placement placement)
{
    PlacementKeeper::of(window)->centreAtFirstShow(placement);
}

QRect outerGeometry(const QWidget* window)
{
    return window->frameGeometry();
}

namespace {

void resizeOuter(QWidget* window, QSize outer)
{
    window->resize((outer - frameExtra(window)).expandedTo(QSize(0, 0)));
    // Until the window has been shown its frame is unknown: size it again then.
    PlacementKeeper* keeper = PlacementKeeper::of(window);
    if (!keeper->frameKnown())
        keeper->wantOuterSize(outer);
}

} // namespace

void setOuterGeometry(QWidget* window, const QRect& outer)
{
    window->move(outer.topLeft());
    resizeOuter(window, outer.size());
}

void setOuterLeft(QWidget* window, int left)
{
    window->move(left, outerGeometry(window).top());
}

void setOuterTop(QWidget* window, int top)
{
    window->move(outerGeometry(window).left(), top);
}

void setOuterWidth(QWidget* window, int width)
{
    resizeOuter(window, QSize(width, outerGeometry(window).height()));
}

void setOuterHeight(QWidget* window, int height)
{
    resizeOuter(window, QSize(outerGeometry(window).width(), height));
}

} // namespace tolvex
