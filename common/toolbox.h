#pragma once

#include <QString>

namespace tolvex {

// The folder of the running program file, ending in "/".
[[nodiscard]] QString ProgramDir();
// Tests run the windows in a program folder of their own.
void overrideProgramDir(const QString& dir);

// The path up to and including its last "/"; empty when it has none.
[[nodiscard]] QString DirPart(const QString& path);
// The path after its last "/"; the whole path when it has none.
[[nodiscard]] QString NamePart(const QString& path);

// Replaces the pattern until none is left, always at its leftmost occurrence,
// as if the search began again at the start after every replacement. Where
// the replacement itself contains the pattern, that rule would never end, so
// the text is then replaced in one left-to-right pass.
[[nodiscard]] QString ReplaceAll(const QString& source, const QString& pattern, const QString& replacement);

// A text longer than the width becomes its first width - 3 characters and
// "..."; a shorter one is padded with blanks on the right to the width.
[[nodiscard]] QString FitText(const QString& text, int width);

// A modal message with the information icon and OK.
void ShowInfo(const QString& message);

// "Version: 1.2.0 (Build 6)" from the version record of the running program
// file, read anew at every call. Throws when the file carries no record.
[[nodiscard]] QString VersionText();

} // namespace tolvex
