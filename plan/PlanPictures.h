#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tolvex {

class LevelTable;
struct GameMaps;
struct MapGeometry;
struct GameMap;

// What drawing plans for the installed levels did.
struct PlansMade {
    int made = 0;
    int skipped = 0; // maps whose geometry could not be read or held nothing to draw
};

// Reads a map's geometry, or nothing when the map cannot be used.
using MapGeometryOf = std::function<std::optional<MapGeometry>(const GameMap&)>;

// Saves a plan as "<folder>/<Datei>.jpg" for every map of the scan whose level
// the table holds (compared like the key, named as the table writes it) and
// that has no such file yet; a file there, a screenshot or the user's own, is
// never replaced. Creates the folder when it is missing. Throws TolvexError
// naming the file when a plan cannot be saved. The plans are drawn on a few
// threads of their own; read is called on the calling thread only, once per
// map and in the maps' order.
PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder,
                           const MapGeometryOf& read);
// The same, reading the maps from the files the scan found.
PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder);

} // namespace tolvex
