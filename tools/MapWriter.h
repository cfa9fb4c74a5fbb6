#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <utility>
#include <vector>

namespace tolvex::mapwriter {

// A Quake 2 map file (IBSP, version 38) whose entity lump holds the text and
// whose other lumps are empty: enough for everything that reads entities.
[[nodiscard]] QByteArray bspFile(QByteArrayView entityText);

// A package file ("PACK") holding the files in the order given, by their
// names in the package (at most 56 bytes each).
[[nodiscard]] QByteArray pakFile(const std::vector<std::pair<QByteArray, QByteArray>>& files);

// The entity text of a map description, one line per thing the map holds:
//
//   # a comment
//   entity worldspawn message="The Edge"
//   entity info_player_deathmatch origin="0 0 24" * 8
//
// "entity CLASSNAME" with key=value pairs (a value with blanks in double
// quotes) and an optional "* N" to place it N times. Every line begins with
// the word for what it adds; other words are refused, so the format can take
// more (box brushes) later. Throws TolvexError naming the line for a fault.
[[nodiscard]] QByteArray entityText(const QString& description);

} // namespace tolvex::mapwriter
