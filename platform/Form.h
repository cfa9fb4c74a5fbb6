#pragma once

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

// A font by its pixel height, as the windows were laid out for.
[[nodiscard]] QFont designFont(const QString& family, int pixelHeight);

// A label at its design position, sized to its text.
QLabel* designLabel(const QString& name, const QString& text, QPoint at, QWidget* parent);

} // namespace tolvex
