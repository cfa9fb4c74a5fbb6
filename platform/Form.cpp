#include "platform/Form.h"

#include "platform/ErrorReport.h"

#include <QCloseEvent>

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

QFont designFont(const QString& family, int pixelHeight)
{
    QFont font(family);
    font.setPixelSize(pixelHeight);
    return font;
}

} // namespace tolvex
