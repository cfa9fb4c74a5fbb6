#pragma once

#include <QString>
#include <QStringList>

namespace tolvex {

// The lines of the printed level survey, fixed-width columns for a
// fixed-pitch font: number, file, level, type, players and the item slots.

// "Nr. Datei           Level ..." , 68 characters.
[[nodiscard]] QString surveyHeading();

// One record's line, always 90 characters: the running number and the
// thirteen field texts in field order (their text forms).
[[nodiscard]] QString surveyLine(int number, const QStringList& fields);

} // namespace tolvex
