#pragma once

#include "platform/dialogs/Dialogs.h"

#include "platform/design/Form.h"

#include <memory>
#include <optional>

class QLineEdit;
class QPrinter;

namespace tolvex {

class DataSource;
class DBGrid;
class FilterPanel;
struct LevelFilter;
struct GameMaps;
class LevelTable;
class SpeedButton;

// The level overview: every level in a read-only grid, an incremental
// search by file name, and the print, export and import buttons. It owns
// the level table and its data source, which the main window shares.
class TForm1 final : public Form {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    LevelTable* Table1;
    DataSource* DataSource1;

    QWidget* Panel1;
    QLineEdit* Edit1;
    FilterPanel* Panel2;
    SpeedButton* SpeedButton1;
    SpeedButton* SpeedButton3;
    SpeedButton* SpeedButton4;
    SpeedButton* SpeedButton6;
    SpeedButton* SpeedButton5;
    SpeedButton* SpeedButton2;
    DBGrid* DBGrid1;

    // The printer the print dialog sets up; it keeps the user's choices
    // from one print to the next.
    std::unique_ptr<QPrinter> PrintDialog1;
    FileDialogOptions SaveDialog1;
    FileDialogOptions OpenDialog1;
    FileDialogOptions OpenDialog2;

    // Installs downloaded level archives into the game's data folder, one
    // after the other, and adds the records of their levels; files dropped
    // onto the main window or this one come here too.
    void installLevelArchives(const QStringList& archives);
    // Shows the filter in the controls and applies it, as at start-up.
    void showFilter(const LevelFilter& filter);
    [[nodiscard]] LevelFilter filter() const;

Q_SIGNALS:
    // Pictures were saved for levels of the catalogue, perhaps for the one shown.
    void screenshotsMade();

protected:
    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Edit1Change();
    void Edit1Click();
    void DBGrid1CellClick();
    void SpeedButton2Click();
    void SpeedButton1Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void Panel2Change();
    void markInstalledLevels(std::optional<GameMaps> maps);
    void applyFilter();
    void showHistoryColumns();
    void connectHandlers();

    // The maps of the game folder as last gathered; rows of other names are dimmed.
    std::unique_ptr<GameMaps> m_installed;
};

extern TForm1* Form1;

} // namespace tolvex
