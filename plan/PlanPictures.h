#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace tolvex {

class LevelTable;
struct GameMaps;
struct MapGeometry;
struct GameMap;

// What drawing plans for the installed levels did.
struct PlansMade {
    int made = 0;
    int skipped = 0; // maps whose geometry could not be read or held nothing to draw
    QString failure; // the plan that could not be saved and why, when one ended the run
};

// Reads a map's geometry, or nothing when the map cannot be used.
using MapGeometryOf = std::function<std::optional<MapGeometry>(const GameMap&)>;

// A map whose level the table holds, and the name its plan's file gets.
struct PlanToMake {
    const GameMap* map = nullptr;
    QString name; // "<Datei>.jpg", Datei as the table writes it
};

// The plan the map's level would get, or nothing when the table holds no
// such level (compared like the key) or its name is no file name.
[[nodiscard]] std::optional<PlanToMake> planToMake(const LevelTable& table, const GameMap& map);

// How a run of plans is watched from another thread: how many maps it has
// handled, and whether it is to stop.
struct PlanProgress {
    std::atomic<int> done{0};
    std::atomic<bool> stop{false};
};

// Saves a plan as "<folder>/<name>" for every plan given whose file is not
// there yet; a file there, a screenshot or the user's own, is never replaced.
// Creates the folder when it is missing. The first plan that cannot be
// saved ends the run, keeping the plans saved before, and is named with the
// reason in the result's failure. The
// plans are drawn on a few threads of their own; read is called on the
// calling thread only, once per map and in the order given. A stop asked
// for through progress ends the run after the map being read, keeping the
// plans made so far and dropping those still being drawn.
PlansMade makePlans(const std::vector<PlanToMake>& plans, const QString& folder, const MapGeometryOf& read,
                    PlanProgress& progress);
// The same, reading the maps from the files the scan found.
PlansMade makePlans(const std::vector<PlanToMake>& plans, const QString& folder, PlanProgress& progress);

// The plans of every map of the scan whose level the table holds, made at
// once; throws TolvexError with the failure when a plan cannot be saved.
PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder,
                           const MapGeometryOf& read);
// The same, reading the maps from the files the scan found.
PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder);

} // namespace tolvex
