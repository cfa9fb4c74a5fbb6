#pragma once

#include <QString>

namespace tolvex {

// Where one archive entry goes in the game's data folder (baseq2).
struct EntryTarget {
    enum class Kind {
        Ignored, // not a file the game reads: readmes, editor sources, web pictures
        File,    // a game file at path, relative to the data folder
        Package, // a .pak or .pk3 for the data folder itself; path is its name there
        Unsafe,  // would leave the data folder: "..", an absolute name, a drive letter
    };
    Kind kind = Kind::Ignored;
    QString path; // lower case, "/" between the parts; empty unless File or Package
};

// The folders of the game whose files are installed, keeping their path from
// that folder on, whatever folders the archive puts above it.
[[nodiscard]] bool isGameFolderName(QStringView name);

// Maps an entry's name as the archive stores it ("/" or "\" between the parts).
// A file under one of the game's folders keeps its path from the first such
// folder on; a .bsp elsewhere goes to maps/; a .pak or .pk3 goes to the data
// folder itself; the rest is ignored. Only a name that could escape the data
// folder is Unsafe, whatever it would otherwise be.
[[nodiscard]] EntryTarget entryTarget(const QString& name);

} // namespace tolvex
