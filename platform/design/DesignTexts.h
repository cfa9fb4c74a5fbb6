#pragma once

#include <QString>

#include <vector>

class QPlainTextEdit;
class QWidget;

namespace tolvex {

// Where a window's text goes on its control.
enum class TextRole {
    Caption,       // a label's, group's, menu's or button's caption; the window title without a control
    Hint,          // the tooltip
    MemoLine,      // one line of a text block, by its index
    NavigatorHint, // one button hint of a record navigator, by its index
    ListItem,      // one item of a combo box, by its index
    ColumnTitle,   // the title of a table view's column, by its index
};

// Which of a text's forms to show: the one the window is built with, or a language's.
enum class TextLanguage { Design, German, English };

// One text of a window, in every form it takes.
struct DesignText {
    const char* control; // nullptr: the window itself
    TextRole role;
    QString german;
    QString english;
    QString design = {}; // empty: the German text
    int index = 0;       // the memo line or navigator button

    [[nodiscard]] const QString& in(TextLanguage language) const;
};

// Writes every text of a window's table in one language. Each control is
// looked up by its designer name below the window; a name that finds no
// control is a fault of the table.
void applyTexts(QWidget* window, const std::vector<DesignText>& texts, TextLanguage language);

// Replaces one line of a text block in place; the number of lines stays.
void setMemoLine(QPlainTextEdit* memo, int line, const QString& text);
[[nodiscard]] QString memoLine(const QPlainTextEdit* memo, int line);

} // namespace tolvex
