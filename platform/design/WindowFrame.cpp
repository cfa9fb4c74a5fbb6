#include "platform/design/WindowFrame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <optional>
#include <utility>

namespace tolvex {

namespace {

// The frame a window manager put around the last window it framed: the best
// guess for a window that is not up yet. Zero until one has been seen, and on
// a display without a window manager.
QMargins g_lastFrame;

QMargins frameOf(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    if (!handle || !window->isVisible())
        return {};
    return handle->frameMargins();
}

QRect clientFor(const QRect& outer, const QMargins& frame)
{
    const QRect client = outer.marginsRemoved(frame);
    return {client.topLeft(), client.size().expandedTo(QSize(1, 1))};
}

// Holds a window to the outer geometry it was given. The frame of an X11
// window is known only once the window manager has taken it in, after the
// window is mapped; until then the client area is placed with the best guess
// of the frame and corrected as soon as the real frame shows. Qt is only
// ever given client geometry, so the position never depends on which window
// gravity the window manager honours.
class PlacementKeeper final : public QObject {
public:
    explicit PlacementKeeper(QWidget* window)
        : QObject(window)
        , m_window(window)
    {
        window->installEventFilter(this);
    }

    static PlacementKeeper* of(const QWidget* window)
    {
        for (QObject* child : window->children()) {
            if (auto* keeper = dynamic_cast<PlacementKeeper*>(child))
                return keeper;
        }
        return nullptr;
    }

    static PlacementKeeper* ensure(QWidget* window)
    {
        PlacementKeeper* keeper = of(window);
        return keeper ? keeper : new PlacementKeeper(window);
    }

    void centreAtFirstShow(Placement placement) { m_placement = placement; }

    void setOuter(const QRect& outer)
    {
        m_outer = outer;
        m_frame = m_window->isVisible() && m_frameSeen ? frameOf(m_window) : g_lastFrame;
        apply();
    }

    // The outer geometry as it stands: the one it was given while the client
    // area is still where that put it (a frame measured in rounded logical
    // pixels must not shift a window that nobody moved), otherwise what the
    // window system reports.
    [[nodiscard]] std::optional<QRect> heldOuter() const
    {
        if (m_outer.isNull() || m_window->geometry() != m_client)
            return std::nullopt;
        return m_outer;
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window) {
            switch (event->type()) {
            case QEvent::Show:
                watchHandle();
                firstShow();
                frameMayHaveChanged();
                break;
            case QEvent::Move:
            case QEvent::Resize:
                frameMayHaveChanged();
                break;
            default:
                break;
            }
        } else if (watched == m_handle && event->type() == QEvent::Expose) {
            frameMayHaveChanged();
        }
        return false;
    }

private:
    void apply()
    {
        const QRect wanted = clientFor(m_outer, m_frame);
        m_window->setGeometry(wanted);
        m_client = m_window->geometry();
        // A window of fixed size keeps its client area; the frame goes around it.
        if (m_client.size() != wanted.size())
            m_outer.setSize(m_client.marginsAdded(m_frame).size());
    }

    void watchHandle()
    {
        QWindow* handle = m_window->windowHandle();
        if (handle && handle != m_handle) {
            m_handle = handle;
            handle->installEventFilter(this);
        }
    }

    void firstShow()
    {
        if (!std::exchange(m_shown, true)) {
            const QScreen* screen = QGuiApplication::primaryScreen();
            if (screen && m_placement != Placement::AsDesigned) {
                const QRect area = m_placement == Placement::CentreOnScreen ? screen->geometry() : screen->virtualGeometry();
                const QRect outer = outerGeometry(m_window);
                const int left = qMax(0, area.x() + (area.width() - outer.width()) / 2);
                const int top = qMax(0, area.y() + (area.height() - outer.height()) / 2);
                setOuter(QRect(QPoint(left, top), outer.size()));
            }
            m_placement = Placement::AsDesigned;
            keepOnScreen(m_window);
        }
    }

    // Once the window manager has framed the window, the client area is made
    // to fit the real frame, unless someone has moved or sized the window since.
    void frameMayHaveChanged()
    {
        const QMargins frame = frameOf(m_window);
        if (frame.isNull())
            return;
        g_lastFrame = frame;
        m_frameSeen = true;
        if (frame == m_frame || m_outer.isNull() || m_window->geometry() != m_client)
            return;
        m_frame = frame;
        apply();
    }

    QWidget* m_window;
    QPointer<QWindow> m_handle;
    Placement m_placement = Placement::AsDesigned;
    bool m_shown = false;
    QRect m_outer;       // the outer geometry asked for; null until one is
    QRect m_client;      // the client geometry that outer geometry gave
    QMargins m_frame;    // the frame m_client was worked out with
    bool m_frameSeen = false;
};

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
    PlacementKeeper::ensure(window);
}

void setPlacement(QWidget* window, Placement placement)
{
    PlacementKeeper::ensure(window)->centreAtFirstShow(placement);
}

QRect outerGeometry(const QWidget* window)
{
    if (const PlacementKeeper* keeper = PlacementKeeper::of(window)) {
        if (const auto held = keeper->heldOuter())
            return *held;
    }
    return window->frameGeometry();
}

void setOuterGeometry(QWidget* window, const QRect& outer)
{
    PlacementKeeper::ensure(window)->setOuter(outer);
}

bool isUsableOuterSize(const QWidget* window, QSize outer)
{
    const QSize smallest = window->minimumSize().expandedTo(kSmallestOuterSize);
    return outer.width() >= smallest.width() && outer.height() >= smallest.height();
}

bool isOnAnyScreen(const QRect& outer)
{
    const auto screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(),
                       [&outer](const QScreen* screen) { return screen->geometry().intersects(outer); });
}

QRect keptInside(const QRect& outer, const QRect& area, QSize smallest)
{
    if (area.isEmpty())
        return outer;
    const QSize size = outer.size().boundedTo(area.size()).expandedTo(smallest.boundedTo(outer.size()));
    // The right and bottom edges first, so that the left and top edges win
    // for a window that cannot shrink into the area.
    int left = std::min(outer.left(), area.left() + area.width() - size.width());
    int top = std::min(outer.top(), area.top() + area.height() - size.height());
    left = std::max(left, area.left());
    top = std::max(top, area.top());
    return {QPoint(left, top), size};
}

QRect workAreaFor(const QRect& outer)
{
    const QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->geometry().intersected(outer);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    if (!best)
        best = QGuiApplication::primaryScreen();
    return best ? best->availableGeometry() : QRect();
}

void keepOnScreen(QWidget* window)
{
    const QRect outer = outerGeometry(window);
    const QMargins frame = frameOf(window).isNull() ? g_lastFrame : frameOf(window);
    QSize smallest = window->minimumSize().grownBy(frame).expandedTo(kSmallestOuterSize);
    if (window->minimumSize() == window->maximumSize())
        smallest = outer.size();
    const QRect kept = keptInside(outer, workAreaFor(outer), smallest);
    if (kept != outer)
        setOuterGeometry(window, kept);
}

} // namespace tolvex
