#pragma once

#include "vornsdk/math.h"

#include <span>

namespace tolvir {

// What a twist does, in the mesh's own coordinates.
struct TwistParameters {
    // The ends of the axis.
    VORNSDK::Vector3d far, near;
    // The turn at each end, radians: twist_near at the far end, twist_far at the near end.
    double twist_far = 0, twist_near = 0;
};

// The twisted position of p: turned about the axis from far to near (right-handed about the
// direction near - far) by an angle that runs linearly from twist_near at the far end to
// twist_far at the near end, measured along the axis. Points beyond either end turn by that
// end's angle. A twist that twists nothing (below) leaves p exactly as it is.
VORNSDK::Vector3d twist_point(TwistParameters const& twist, VORNSDK::Vector3d const& p);

// Whether the twist moves anything: an axis with a length and a turn at either end.
bool twists(TwistParameters const& twist);

// Twists every point in place, as twist_point does one.
void twist_points(TwistParameters const& twist, std::span<VORNSDK::Vector3d> points);

} // namespace tolvir
