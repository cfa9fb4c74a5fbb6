#include "platform/Form.h"

#include "platform/ErrorReport.h"

#include <QCloseEvent>
#include <QLabel>

namespace tolvex {

void Form::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
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
