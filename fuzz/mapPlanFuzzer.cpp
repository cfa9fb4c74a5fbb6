// A map file's geometry and its plan: read only from a map whose lumps lie
// apart; every kept corner is a finite number
// within the map limit and belongs to exactly one kept face, no more corners
// are kept than the file holds surface edges, and the plan is the picture's
// size or, with nothing to draw, no picture at all.

#include "FuzzSupport.h"

#include "gamefolder/MapGeometry.h"
#include "plan/MapPlan.h"

#include <cmath>

using namespace tolvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    MemorySource source(input);
    const auto geometry = readMapGeometry(source);
    if (!geometry)
        return 0;
    FUZZ_CHECK(fuzz::mapLumpsApart(input), QString());
    FUZZ_CHECK(qsizetype(geometry->points.size()) <= input.size() / 4, QString::number(geometry->points.size()));
    std::size_t next = 0;
    for (const MapGeometry::Face& face : geometry->faces) {
        FUZZ_CHECK(face.first == next && face.count >= 3 && face.count <= kMaxFaceEdges, QString::number(face.first));
        FUZZ_CHECK(std::isfinite(face.height), QString());
        next += std::size_t(face.count);
    }
    FUZZ_CHECK(next == geometry->points.size(), QString::number(next));
    for (const MapGeometry::Point& p : geometry->points)
        FUZZ_CHECK(std::abs(p.x) <= kMaxMapCoordinate && std::abs(p.y) <= kMaxMapCoordinate
                       && std::abs(p.z) <= kMaxMapCoordinate,
                   QString());
    const QImage plan = drawPlan(*geometry);
    FUZZ_CHECK(plan.isNull() == geometry->faces.empty(), QString());
    FUZZ_CHECK(plan.isNull() || plan.size() == kPlanSize, QString());
    return 0;
}
