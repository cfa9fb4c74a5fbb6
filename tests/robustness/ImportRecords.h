#pragma once

#include <QString>
#include <QStringList>

namespace tolvex::test {

// The record a crash test imports as number n of a run: its file name and
// the thirteen texts of every field, all derived from the two numbers, so
// the checker can tell a whole record from a damaged one.
[[nodiscard]] QString importName(int run, int n);
[[nodiscard]] QStringList importTexts(int run, int n);

} // namespace tolvex::test
