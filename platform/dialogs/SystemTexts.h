#pragma once

#include <QString>

namespace tolvex {

enum class SystemLanguage { German, English };

// The language of Qt's own texts — the buttons and messages of the file,
// print and message dialogs. English is Qt's own; German comes from the
// system's Qt translations, and stays English where they are not installed.
void setSystemLanguage(SystemLanguage language);
// The language last set; German until then.
[[nodiscard]] SystemLanguage systemLanguage();

// The error box's text when memory ran out, in the language last set.
[[nodiscard]] QString outOfMemoryText();

} // namespace tolvex
