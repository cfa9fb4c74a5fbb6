#pragma once

#include "gamefolder/ByteSource.h"

#include <QByteArray>

#include <memory>
#include <optional>
#include <vector>

namespace tolvex {

struct GameMap;

// What a plan of a map needs of its geometry, read from the faces, edges,
// vertices, planes and texture infos of a Quake 2 map file, and its entities.
struct MapGeometry {
    struct Point {
        float x = 0;
        float y = 0;
        float z = 0;
    };
    struct Face {
        enum class Kind { Floor, Wall };
        Kind kind = Kind::Floor;
        float height = 0;     // the mean height of its corners
        std::size_t first = 0; // into points
        int count = 0;
    };
    struct Mark {
        enum class Kind { Spawn, Item };
        Kind kind = Kind::Spawn;
        float x = 0;
        float y = 0;
    };

    std::vector<Point> points;
    std::vector<Face> faces; // floors and walls only; ceilings and hidden faces are left out
    std::vector<Mark> marks;  // deathmatch spawn points and the catalogue's seven items
    int skippedLumps = 0;    // lumps outside the file or of a size no whole number of elements
    int skippedFaces = 0;    // faces whose indices, plane or corners cannot be used
};

// A face's corners are taken only up to this many; a real map's faces have a few dozen.
inline constexpr int kMaxFaceEdges = 4096;
// Corners further out than this are no level's; such a face is skipped.
inline constexpr float kMaxMapCoordinate = 65536.0f;

// The geometry of a map file, or nothing when it is no IBSP or QBSP map of version 38,
// is bigger than kMaxMapSize or has lumps that overlap; so what it reads is
// bounded by the file's size, before anything is read. The lumps are read in
// the order they lie, each once, and the entity text parsed once.
// Every lump is checked against the file, every index against the lump it
// points into; what does not fit is skipped and counted. Never more corners
// are kept than the file has surface edges, so a file cannot make the reader
// allocate or work by a size it only claims.
[[nodiscard]] std::optional<MapGeometry> readMapGeometry(ByteSource& source);

// Reads the geometry of the maps of one scan one after the other, keeping the
// package of the last one open.
class GeometryReader {
public:
    GeometryReader();
    ~GeometryReader();
    GeometryReader(const GeometryReader&) = delete;
    GeometryReader& operator=(const GeometryReader&) = delete;

    [[nodiscard]] std::optional<MapGeometry> geometryOf(const GameMap& map);

private:
    struct Open;
    std::unique_ptr<Open> m;
};

} // namespace tolvex
