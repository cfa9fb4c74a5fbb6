#include "platform/design/Form.h"

#include "platform/dialogs/ErrorReport.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace tolvex {

void Form::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window restored or re-exposed by the window system gets a spontaneous
    // show event; the handler is for the program's own showing only, or a
    // restore would reload the window over what the user did meanwhile.
    if (event->spontaneous())
        return;
    runGuarded([this] {
        Q_EMIT shown();
        FormShow();
    });
}

void Form::closeEvent(QCloseEvent* event)
{
    runGuarded([this] {
        FormClose();
        Q_EMIT closed();
    });
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

} // namespace tolvex
