#pragma once

#include "platform/design/Form.h"

#include <functional>

class QListWidget;

namespace tolvex {

class SpeedButton;

// The editor of EraserBot's map rotation file: the file's lines as a list,
// the current level appended, entries removed, the list saved back.
class Tmapform final : public Form {
    Q_OBJECT

public:
    explicit Tmapform(QWidget* parent = nullptr);

    // Where the append button takes the current level's file name from.
    void setCurrentLevelSource(std::function<QString()> source) { m_currentLevel = std::move(source); }

    QListWidget* ListBox1;
    QWidget* Panel1;
    SpeedButton* SpeedButton1;
    SpeedButton* SpeedButton2;
    SpeedButton* SpeedButton3;
    SpeedButton* SpeedButton4;

Q_SIGNALS:
    // Once the list is loaded: a list that could not be read leaves the window shown but not marked.
    void listShown();

protected:
    void FormShow() override;

private:
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();

    std::function<QString()> m_currentLevel;
};

extern Tmapform* mapform;

} // namespace tolvex
