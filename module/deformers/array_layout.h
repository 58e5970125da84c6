#pragma once

#include "vornsdk/math.h"

#include <vector>

namespace tolvir {

// How the linear layout reads "Distance" ("disttype").
enum DistanceUse { kDistanceGap = 0, kDistanceOffset = 1, kDistanceTotal = 2, kDistanceBetween = 3 };

// The step between neighbouring cells of the linear layout, for counts number, the distance
// and the size of what is repeated: "Gap" leaves the distance between repeats (so a zero gap packs
// them edge to edge), "Offset" is the step itself, "Total" spreads the repeats over the distance
// and "Between" spreads the gaps between them over it. Counts below 1 divide as 1; an unknown
// use steps nowhere.
VORNSDK::Vector3d linear_step(VORNSDK::Vector3i const& number, VORNSDK::Vector3d const& distance,
                              VORNSDK::Vector3d const& size, int use);

// The offsets of the repeats of the linear layout, the cell (0, 0, 0) (the source itself) left
// out. For mesh repeats cells run i outer, k inner, and counts below 1 count as 1; for item
// repeats they run k outer, i inner, a count of 0 counts as 1 and a negative one makes none.
std::vector<VORNSDK::Vector3d> linear_offsets(VORNSDK::Vector3i const& number, VORNSDK::Vector3d const& step,
                                              bool mesh_repeats);

// The radial layout: count repeats (the source included, at least 2) over angle radians about an
// axis (0 x, 1 y, 2 z) through origin, lifted by rise along the axis over the whole count. A full
// turn (within 1/180 of one) spaces the repeats by angle / count; an open arc by
// angle / (count - 1), so that both its ends carry one.
struct RadialLayout {
    int count = 2;
    double angle_step = 0;
    double rise_step = 0;
    int axis = 1;
    VORNSDK::Vector3d origin;
};

RadialLayout radial_layout(int count, double angle, double rise, int axis, VORNSDK::Vector3d const& origin);

// Where repeat i (1 to count - 1) stands relative to the source: turned by i angle steps about
// the axis through the origin and lifted by i rise steps along it.
VORNSDK::Matrix4d radial_transform(RadialLayout const& layout, int i);

} // namespace tolvir
