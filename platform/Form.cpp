#include "platform/Form.h"

#include "platform/ErrorReport.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QLabel>

namespace tolvex {

void Form::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window restored or re-exposed by the window system gets a spontaneous
    // show event; the handler is for the program's own showing only, or a
    // restore would reload the window over what the user did meanwhile.
    if (!event->spontaneous())
        runGuarded([this] { FormShow(); });
}

void Form::closeEvent(QCloseEvent* event)
{
    runGuarded([this] { FormClose(); });
    event->accept();
}

void toggleWindow(QWidget* window)
{
    if (window->isVisible()) {
        window->close();
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

QLabel* designLabel(const QString& name, const QString& text, QPoint at, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(at);
    label->adjustSize();
    return label;
}

} // namespace tolvex
