#pragma once

#include "platform/Fonts.h"

#include <QWidget>

class QLabel;

namespace tolvex {

// A secondary window: its show and close handlers run guarded, as every
// entry from the event loop does, and closing only hides it. The show handler
// runs when the program shows the window, not when the window system restores it.
class Form : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

protected:
    virtual void FormShow() {}
    virtual void FormClose() {}

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

// Closes a shown window; shows a hidden one in front, with the keyboard
// focus, as a window the user has just asked for.
void toggleWindow(QWidget* window);

// A label at its design position, sized to its text.
QLabel* designLabel(const QString& name, const QString& text, QPoint at, QWidget* parent);

} // namespace tolvex
