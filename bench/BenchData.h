#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tolvex::bench {

// The catalogue sizes every table operation is measured at.
inline constexpr int kSizes[] = {1'000, 10'000, 100'000};
inline constexpr int kLargest = 100'000;
// Each benchmark runs this often and the summary takes the median, so that a
// burst of other work on the machine moves no number by itself.
inline constexpr int kRepetitions = 3;

// The folder every benchmark's files live in, removed at exit.
[[nodiscard]] QString workPath(const QString& name);

// Generated level records as thirteen texts in field order: plausible file
// names and titles, 0 to 3 description lines, mixed flags. The same seed
// every run; a smaller catalogue is the front of the larger one.
[[nodiscard]] const std::vector<QStringList>& generatedLevels();

// A copy of the catalogue of the first `count` levels, made once per size
// and then copied, so that no benchmark sees another's changes. Each
// (name, count) pair gives its own file.
[[nodiscard]] QString catalogueCopy(const QString& name, int count);
// An empty catalogue of the program's schema, made afresh on each call.
[[nodiscard]] QString emptyCatalogue(const QString& name);

// A 1920×1080 screenshot-like JPEG, made once.
[[nodiscard]] const QString& screenshotFile();

// Removes a database file and its journal files.
void removeDatabase(const QString& path);

} // namespace tolvex::bench
