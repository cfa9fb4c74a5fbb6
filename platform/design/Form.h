#pragma once

#include <QWidget>

namespace tolvex {

// A secondary window: its show and close handlers run guarded, as every
// entry from the event loop does, and closing only hides it. The show handler
// runs when the program shows the window, not when the window system restores it.
// The program's toggle buttons follow the window by its shown and closed signals.
class Form : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

Q_SIGNALS:
    // Before the show handler runs; after the close handler ran.
    void shown();
    void closed();

protected:
    virtual void FormShow() {}
    virtual void FormClose() {}

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

// Closes a shown window; shows a hidden one in front, with the keyboard
// focus, as a window the user has just asked for.
void toggleWindow(QWidget* window);

} // namespace tolvex
