#pragma once

#include <QImage>
#include <QSize>

namespace tolvex {

struct MapGeometry;

inline constexpr QSize kPlanSize{640, 480};
inline constexpr int kPlanMargin = 24;
inline constexpr int kPlanQuality = 85;

// The colours of a plan, for whoever reads one back.
inline constexpr QRgb kPlanGround = 0xff101418;
inline constexpr QRgb kPlanWall = 0xff283038;
inline constexpr QRgb kPlanSpawn = 0xff40e060;
inline constexpr QRgb kPlanItem = 0xfff0c020;

// A top-down plan of a map: floors filled, lighter the higher they lie and
// drawn from the lowest up, walls as darker lines over them, spawn points and
// items as small marks, all fitted into the picture with a margin and the
// level's proportions kept, on a dark ground. A null image when the map has
// no floor or wall to draw.
[[nodiscard]] QImage drawPlan(const MapGeometry& geometry, QSize size = kPlanSize);

// The pictures a plan is drawn in, kept by whoever draws plan after plan, so
// that each plan does not take its memory afresh from the system.
struct PlanCanvas {
    QImage indexed; // the colour indices the plan is drawn in
    QImage picture;
};
// The same, drawn in the canvas: the plan shares the canvas's picture, which
// the next plan drawn there reuses once the plan before is let go.
[[nodiscard]] QImage drawPlan(const MapGeometry& geometry, PlanCanvas& canvas, QSize size = kPlanSize);

} // namespace tolvex
