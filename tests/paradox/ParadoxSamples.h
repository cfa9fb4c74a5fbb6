#pragma once

#include "tests/paradox/ParadoxWriter.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

namespace tolvex::test {

// A thousand levels with every field kind, empty values, umlauts, two-line,
// long and short descriptions, and the texts the table must hold for them.
struct ParadoxSample {
    std::vector<ParadoxLevel> levels;
    std::vector<QStringList> texts; // in key order
};
[[nodiscard]] ParadoxSample thousandLevels();

// The level list an export of the converted table gives.
[[nodiscard]] QByteArray expectedExport(const std::vector<QStringList>& texts);

// Every file below the folder with its bytes, by relative path.
[[nodiscard]] QMap<QString, QByteArray> folderContents(const QString& folder);

} // namespace tolvex::test
