#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tolvex {

class SpeedButton;

// The configuration dialog: the game executable, extra console parameters,
// the EraserBot map list file and the interface language.
class TKonfigForm final : public QDialog {
    Q_OBJECT

public:
    explicit TKonfigForm(QWidget* parent = nullptr);

    QLabel* Label2;
    QLineEdit* Edit1;
    SpeedButton* SpeedButton1;
    QLabel* Label1;
    QLineEdit* Edit2;
    QLabel* Label3;
    QLineEdit* Edit3;
    SpeedButton* SpeedButton2;
    SpeedButton* SpeedButton3;
    QPushButton* BitBtn1;
    SpeedButton* SpeedButton4;

Q_SIGNALS:
    // Whether the files behind the main window's buttons exist, after OK.
    void mapListFileChecked(bool exists);
    void gameFileChecked(bool exists);
    void gameAndMapListChecked(bool bothExist);
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void reject() override;

private:
    void FormShow();
    void FormClose();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void BitBtn1Click();
};

extern TKonfigForm* KonfigForm;

} // namespace tolvex
