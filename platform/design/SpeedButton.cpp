#include "platform/design/SpeedButton.h"

#include <QButtonGroup>

namespace tolvex {

SpeedButton::SpeedButton(const QString& objectName, QWidget* parent)
    : QToolButton(parent)
{
    setObjectName(objectName);
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void SpeedButton::setPicture(const QIcon& picture)
{
    setIcon(picture);
    setIconSize(QSize(16, 16));
}

void SpeedButton::group(std::initializer_list<SpeedButton*> buttons)
{
    if (buttons.size() == 0)
        return;
    auto* group = new QButtonGroup((*buttons.begin())->parent());
    group->setExclusive(true);
    for (SpeedButton* b : buttons) {
        b->setCheckable(true);
        group->addButton(b);
    }
}

} // namespace tolvex
