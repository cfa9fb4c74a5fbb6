#pragma once

#include <QString>

namespace tolvex {

// Texts of the current interface language that other windows show:
// German from program start.
extern QString MsgExported;
extern QString MsgImported;
extern QString MsgRecord;
// "%d added, %d already there, %d skipped" after levels were taken from the game folder.
extern QString MsgLevelsAdded;
extern QString MsgParadox;
// "… in %s …": the question at start-up when the folder holds no maps.DB.
extern QString MsgNoCatalogue;
// "%d preview pictures made", appended to the summary of levels added.
extern QString MsgPlansMade;

// Write one fixed set of texts into the main window, the overview, the map
// list editor, the information window and the configuration dialog, hidden
// or not, and set the message texts.
void ApplyEnglish();
void ApplyGerman();

} // namespace tolvex
