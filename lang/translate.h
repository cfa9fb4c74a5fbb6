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
// "%d preview pictures made", appended to the summary of levels added.
extern QString MsgPlansMade;
// The add from the game folder: its phases, its cancel button, and what its
// summary says when it was cancelled or its plans could not be saved ("%s": why).
extern QString MsgScanningGame;
extern QString MsgAddingLevels;
extern QString MsgDrawingPlans;
extern QString MsgCancelWork;
extern QString MsgAddCancelled;
extern QString MsgPlansFailed;

// Write one fixed set of texts into the main window, the overview, the map
// list editor, the information window and the configuration dialog, hidden
// or not, and set the message texts.
void ApplyEnglish();
void ApplyGerman();

} // namespace tolvex
