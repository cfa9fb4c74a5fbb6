#pragma once

#include <QDateTime>
#include <QWidget>

#include <functional>
#include <random>

class QGroupBox;
class QLabel;
class QMenu;
class QAction;

namespace tolvex {

class SpeedButton;
class PictureBox;
class PictureCache;
class DataSource;
class LevelTable;
class DBEdit;
class DBMemo;
class DBCheckBox;
class DBRadioGroup;
class DBNavigator;

// The main level window: the current record of the level table, its
// screenshot, and the buttons of the whole program.
class TForm2 final : public QWidget {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);

    // Binds the data-aware controls to the level table through its data source.
    void bindData(LevelTable* table, DataSource* source);
    // Wires the secondary windows' show and close to the toggle buttons.
    void connectSecondaryWindows();
    // The random level draws from this generator; tests seed it.
    void seedRandomLevel(std::uint32_t seed) { m_random.seed(seed); }
    // The screenshots decoded for the picture, and those decoded ahead.
    [[nodiscard]] PictureCache* pictures() const { return m_pictures; }
    // The time a start of the game is recorded with; tests set their own.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // Level information
    QGroupBox* LevelInfo;
    QLabel* Xdateiname;
    DBEdit* DBEdit1;
    QLabel* XohneEndung;
    QLabel* Xlevelname;
    DBEdit* DBEdit2;
    QGroupBox* XSpieler;
    QLabel* Xmin;
    DBEdit* DBEdit3;
    QLabel* Xmax;
    DBEdit* DBEdit4;
    DBRadioGroup* XLevelTyp;
    QGroupBox* XBeschreibung;
    DBMemo* DBMemo1;
    QGroupBox* XWaffen;
    DBCheckBox* DBCheckBox1;
    DBCheckBox* DBCheckBox2;
    DBCheckBox* GrenadeLauncher;
    DBCheckBox* RocketLauncher;
    DBCheckBox* Hyperblaster;
    DBCheckBox* Railgun;
    DBCheckBox* BFG;
    QLabel* Label8;
    DBNavigator* DBNavigator1;
    QLabel* Label6;
    QLabel* Label7;

    // The EraserBot button's menu
    QMenu* PopupMenu1;
    QAction* optimum1;
    QMenu* wenig1;
    QMenu* mittel1;
    QMenu* viel1;

    // Panels
    QWidget* Panel1;
    QWidget* Panel2;
    QWidget* Panel3;
    QWidget* Panel4;
    PictureBox* Image1;

    // Bottom row
    SpeedButton* SpeedButton9;
    SpeedButton* SpeedButton7;
    SpeedButton* SpeedButton5;
    SpeedButton* SpeedButton4;
    SpeedButton* SpeedButton2;
    SpeedButton* SpeedButton6;
    SpeedButton* SpeedButton8;
    SpeedButton* SpeedButton3;
    SpeedButton* SpeedButton1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLevelPanels();
    void buildFooter();
    void buildBotMenu();
    void buildBottomRow();
    void showRecordCounter();

    void FormShow();
    // True when the settings reached konfig.ini and the window may close.
    bool FormClose();
    void DBEdit1Change();
    void Table1ControlsEnabled();
    void Table1FilterChange();
    void recordStart(const QString& level);
    void SpeedButton5Click();
    void SpeedButton7Click();
    void Specialbot(const QAction* item);
    void SpeedButton2Click();
    void SpeedButton9Click();
    void Label7Click();
    void BitBtn2Click();
    void SpeedButton4Click();
    void SpeedButton8Click();
    void SpeedButton3Click();
    void SpeedButton1Click();

    PictureCache* m_pictures;
    bool m_shownOnce = false;
    bool m_placementRestored = false;
    LevelTable* m_table = nullptr;
    int m_countShown = 0; // the total in the counter's text, "0/0" at design
    std::mt19937 m_random{std::random_device{}()};
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTimeUtc(); };
    // Why a start was not recorded is said once, not at every start.
    bool m_unrecordedSaid = false;
};

extern TForm2* Form2;

} // namespace tolvex
