#include "platform/WindowFrame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tolvex {

namespace {

class FirstShowCentring final : public QObject {
public:
    FirstShowCentring(QWidget* window, Placement placement)
        : QObject(window)
        , m_placement(placement)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Show) {
            auto* window = static_cast<QWidget*>(parent());
            window->removeEventFilter(this);
            centre(window);
            deleteLater();
        }
        return false;
    }

private:
    void centre(QWidget* window) const
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect area = m_placement == Placement::CentreOnScreen ? screen->geometry() : screen->virtualGeometry();
        const QRect outer = outerGeometry(window);
        const int left = qMax(0, area.x() + (area.width() - outer.width()) / 2);
        const int top = qMax(0, area.y() + (area.height() - outer.height()) / 2);
        window->move(left, top);
    }

    Placement m_placement;
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
    if (placement != Placement::AsDesigned)
        new FirstShowCentring(window, placement);
}

QRect outerGeometry(const QWidget* window)
{
    return window->frameGeometry();
}

void setOuterGeometry(QWidget* window, const QRect& outer)
{
    const QSize extra = frameExtra(window);
    window->move(outer.topLeft());
    window->resize(qMax(0, outer.width() - extra.width()), qMax(0, outer.height() - extra.height()));
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
    window->resize(qMax(0, width - frameExtra(window).width()), window->height());
}

void setOuterHeight(QWidget* window, int height)
{
    window->resize(window->width(), qMax(0, height - frameExtra(window).height()));
}

} // namespace tolvex
