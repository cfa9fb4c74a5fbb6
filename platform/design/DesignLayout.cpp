#include "platform/design/DesignLayout.h"

#include "platform/design/SpeedButton.h"

#include <QGroupBox>
#include <QLabel>

namespace tolvex {

QFont windowFont()
{
    return designFont(QStringLiteral("MS Sans Serif"), 11);
}

QLabel* designLabel(const QString& name, const QString& text, QPoint at, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(at);
    label->adjustSize();
    return label;
}

QGroupBox* designGroup(const QString& name, const QString& title, const QRect& geometry, QWidget* parent)
{
    return placed(new QGroupBox(title, parent), name, geometry);
}

QWidget* designPanel(const QString& name, const QRect& geometry, QWidget* parent)
{
    return placed(new QWidget(parent), name, geometry);
}

void buildSpeedButtons(std::initializer_list<SpeedButtonDesign> buttons, QWidget* parent, std::optional<Anchors> anchors)
{
    for (const SpeedButtonDesign& b : buttons) {
        auto* button = new SpeedButton(QString::fromLatin1(b.name), parent);
        button->setGeometry(b.geometry);
        button->setPicture(b.picture);
        if (anchors)
            setAnchors(button, *anchors);
        *b.field = button;
    }
}

} // namespace tolvex
