#pragma once

#include <QDialog>

class QLabel;
class QTimer;

namespace tolvex {

class PictureBox;

// The start-up picture with the version; it closes itself after three
// seconds or at a click on the picture.
class Tsplash final : public QDialog {
    Q_OBJECT

public:
    explicit Tsplash(QWidget* parent = nullptr);

    PictureBox* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QTimer* Timer1;

    // Only the timer and a click on the picture close the splash.
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void Timer1Timer();
    void Image1Click();
};

extern Tsplash* splash;

} // namespace tolvex
