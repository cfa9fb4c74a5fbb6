#pragma once

#include <QIcon>
#include <QToolButton>

namespace tolvex {

// A flat button with a picture and a hint. As a toggle it latches: a click
// flips its down state first and then reports the click. Buttons sharing a
// group keep exactly one of them down; clicking the one that is down keeps
// it down and still reports the click.
class SpeedButton final : public QToolButton {
    Q_OBJECT

public:
    SpeedButton(const QString& objectName, QWidget* parent);

    void setPicture(const QIcon& picture);
    void setHint(const QString& hint) { setToolTip(hint); }
    [[nodiscard]] QString hint() const { return toolTip(); }

    void setToggle(bool toggle) { setCheckable(toggle); }
    // The latched state of a toggle, set without reporting a click.
    void setDown(bool down) { setChecked(down); }
    [[nodiscard]] bool isDown() const { return isChecked(); }

    // Makes the buttons one group of which exactly one is down.
    static void group(std::initializer_list<SpeedButton*> buttons);
};

} // namespace tolvex
