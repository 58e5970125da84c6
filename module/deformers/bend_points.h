#pragma once

#include "vornsdk/math.h"

#include <span>

namespace tolvir {

// What a bend does, in the mesh's own coordinates.
struct BendParameters {
    // Bend angle over the length of the range, radians; |angle| < 0.001 leaves points alone.
    double angle = 0;
    // Direction of the bend around the spine, radians: 0 curls towards the frame's x, pi/2
    // towards its z.
    double twist = 0;
    // Where the bend starts: the pivot of the range.
    VORNSDK::Vector3d start;
    // Length of the range along the spine; the bend turns by angle over it.
    double length = 0;
    // Mesh coordinates (relative to start) to the bend frame, whose y axis is the spine.
    VORNSDK::Matrix4d frame;
};

// The bent position of p; p itself when the bend bends nothing (below). In the frame (turned by
// twist about the spine), a point at height y on the spine moves onto the circle of radius
// R = length / angle around (R, 0): turned by theta = angle * y / length. There is no falloff and
// no clamp: points below the start or beyond the range keep turning at the same rate. A point off
// the spine keeps its distance from it along the radius.
VORNSDK::Vector3d bend_point(BendParameters const& bend, VORNSDK::Vector3d const& p);

// Whether the bend moves anything: an angle of at least 0.001 over a range that has a length.
bool bends(BendParameters const& bend);

// Bends every point in place, as bend_point does one.
void bend_points(BendParameters const& bend, std::span<VORNSDK::Vector3d> points);

} // namespace tolvir
