#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <utility>
#include <vector>

namespace tolvex::mapwriter {

// A Quake 2 map file (IBSP, version 38) whose entity lump holds the text and
// whose other lumps are empty: enough for everything that reads entities.
[[nodiscard]] QByteArray bspFile(QByteArrayView entityText);

// A solid box brush: its six faces, each on its own plane, looking outward.
struct Box {
    std::array<float, 3> min{};
    std::array<float, 3> max{};
    QByteArray texture = "e1u1/floor1_1";
    qint32 flags = 0; // surface flags, e.g. 0x4 for sky
    bool top = true;  // false for a wall that meets the ceiling, which has no top face
};

// The classic map format, or today's compilers' and the re-release's: "QBSP"
// with 32-bit faces and edges, written with a BSPX block after the lumps.
enum class Format { Ibsp, Qbsp };

// A map file whose entity lump holds the text and whose faces, planes,
// edges, vertices and texture infos are those of the boxes. Throws
// TolvexError when the boxes need more corners than a map can index (65,536).
[[nodiscard]] QByteArray bspFile(QByteArrayView entityText, const std::vector<Box>& boxes, Format format = Format::Ibsp);

// A package file ("PACK") holding the files in the order given, by their
// names in the package (at most 56 bytes each).
[[nodiscard]] QByteArray pakFile(const std::vector<std::pair<QByteArray, QByteArray>>& files);

// The entity text of a map description, one line per thing the map holds:
//
//   # a comment
//   entity worldspawn message="The Edge"
//   entity info_player_deathmatch origin="0 0 24" * 8
//   box -512 -512 -16 512 512 0
//   box -512 -512 256 512 512 272 texture=sky1 flags=4
//   box -528 -512 0 -512 512 256 notop
//
// "entity CLASSNAME" with key=value pairs (a value with blanks in double
// quotes) and an optional "* N" to place it N times; "box" with the low and
// the high corner and optionally its texture, surface flags and "notop". Every line
// begins with the word for what it adds; other words are refused. Throws
// TolvexError naming the line for a fault.
[[nodiscard]] QByteArray entityText(const QString& description);
[[nodiscard]] std::vector<Box> boxes(const QString& description);
// The whole map of a description: its entities and its boxes.
[[nodiscard]] QByteArray mapFile(const QString& description, Format format = Format::Ibsp);

} // namespace tolvex::mapwriter
