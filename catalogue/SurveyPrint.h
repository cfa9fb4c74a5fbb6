#pragma once

#include <QString>

#include <functional>

namespace tolvex {

class Canvas;
class Dataset;

[[nodiscard]] QString surveyDocumentName();

// Prints the whole level table as a survey: the heading in bold at (50, 50),
// then one line per record in key order, on as many pages as it needs.
// The display of the table's controls is suspended meanwhile; afterwards the
// cursor stands on the last record. When printing fails midway, the display
// resumes, the document is aborted and the error is passed on.
// progress, when given, hears the number of lines printed after each line.
void printSurvey(Dataset& table, Canvas& canvas, const std::function<void(int done)>& progress = {});

} // namespace tolvex
