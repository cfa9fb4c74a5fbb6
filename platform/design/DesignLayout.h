#pragma once

#include "platform/design/Anchors.h"
#include "platform/design/Fonts.h"

#include <QIcon>
#include <QRect>
#include <QString>

#include <initializer_list>
#include <optional>

class QGroupBox;
class QLabel;
class QWidget;

namespace tolvex {

class SpeedButton;

// Every window builds its controls at their design places with these, so a
// control gets its designer name and geometry the same way everywhere.

// The font every window was laid out with.
[[nodiscard]] QFont windowFont();

// A control at its design place under its designer name.
template <typename Control>
Control* placed(Control* control, const QString& name, const QRect& geometry)
{
    control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}

// A label at its design position, sized to its text.
QLabel* designLabel(const QString& name, const QString& text, QPoint at, QWidget* parent);
QGroupBox* designGroup(const QString& name, const QString& title, const QRect& geometry, QWidget* parent);
// A plain area that holds other controls.
QWidget* designPanel(const QString& name, const QRect& geometry, QWidget* parent);

// One speed button of a window's button row or column; its hint comes with the window's texts.
struct SpeedButtonDesign {
    SpeedButton** field;
    const char* name;
    QRect geometry;
    QIcon picture;
};

// Builds the buttons in the given order and stores each in its field; anchored
// as given, or left at the top left corner without.
void buildSpeedButtons(std::initializer_list<SpeedButtonDesign> buttons, QWidget* parent,
                       std::optional<Anchors> anchors = std::nullopt);

} // namespace tolvex
