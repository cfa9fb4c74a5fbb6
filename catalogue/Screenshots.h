#pragma once

#include <QString>
#include <QStringList>

namespace tolvex {

class Dataset;

// The picture shown for a level: its screenshot in the program's screens
// folder, or the program's stand-in "nopic.jpg" when there is none. A file
// name is a name, never a way out of the screens folder.
[[nodiscard]] QString screenshotPath(const QString& datei);

// The pictures of the stored records around the current one in key order,
// nearest first and the next before the prior, up to `reach` records each
// way; none while a new record is being inserted.
[[nodiscard]] QStringList neighbourScreenshots(const Dataset& table, int reach);

} // namespace tolvex
