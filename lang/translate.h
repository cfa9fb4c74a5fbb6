#pragma once

#include <QString>

namespace tolvex {

// Texts of the current interface language that other windows show:
// German from program start.
extern QString MsgExported;
extern QString MsgImported;
extern QString MsgRecord;
// After the counter while a filter is set: "Datensatz: 3/12 (Filter)".
extern QString MsgFiltered;
// "… in %s …: %s", said once when a start of the game could not be recorded.
extern QString MsgStartNotRecorded;
// A message with a count, in its form for one and its form for any other number.
struct CountedText {
    QString one;
    QString other;
    [[nodiscard]] const QString& operator()(qint64 count) const { return count == 1 ? one : other; }
};

// "%d added, %d already there, %d skipped" after levels were taken from the
// game folder, its form chosen by the number added.
extern CountedText MsgLevelsAdded;
extern QString MsgParadox;
// "… in %s …": the question at start-up when the folder holds no maps.DB.
extern QString MsgNoCatalogue;
// "%d preview pictures made", appended to the summary of levels added.
extern CountedText MsgPlansMade;
// "Searched: %s", the summary's last line: the data folders searched.
extern QString MsgSearched;

// "%d files installed into %s", ", %d levels added", ", %d preview pictures
// made.": the summary's first line after level archives were installed,
// each part in the form its own count asks for.
extern CountedText MsgFilesInstalled;
extern CountedText MsgArchiveLevels;
extern CountedText MsgArchivePlans;
// "%s: nothing installed", for an archive left out.
extern QString MsgArchiveLeftOut;
// "%s gibt es schon mit anderem Inhalt. Ersetzen?", asked before an archive replaces files.
extern QString MsgReplaceFiles;
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
