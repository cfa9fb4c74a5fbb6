#pragma once

#include <QWidget>

class QLineEdit;

namespace tolvex {

class DataSource;
class DBGrid;
class LevelTable;
class SpeedButton;

// The level overview: every level in a read-only grid, an incremental
// search by file name, and the print, export and import buttons. It owns
// the level table and its data source, which the main window shares.
class TForm1 final : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);

    LevelTable* Table1;
    DataSource* DataSource1;

    QWidget* Panel1;
    QLineEdit* Edit1;
    SpeedButton* SpeedButton1;
    SpeedButton* SpeedButton3;
    SpeedButton* SpeedButton4;
    SpeedButton* SpeedButton2;
    DBGrid* DBGrid1;

Q_SIGNALS:
    void shown();
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void FormClose();
    void Edit1Change();
    void Edit1Click();
    void DBGrid1CellClick();
    void SpeedButton2Click();
};

extern TForm1* Form1;

} // namespace tolvex
