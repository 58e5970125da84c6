#include "deformers/twist_points.h"
#include "deformers/point_blocks.h"

#include "deformers/sin_cos.h"
#include "deformers/vector_clones.h"

#include <algorithm>
#include <cmath>

namespace tolvir {

using namespace VORNSDK;

namespace {

// The twist with everything that does not depend on the point worked out once.
struct Twister {
    explicit Twister(TwistParameters const& t)
        : origin(t.far), axis(unit(t.near - t.far)), span(length(t.near - t.far)), from(t.twist_near),
          change(t.twist_far - t.twist_near)
    {
    }

    // The point relative to the far end, and its turn.
    double angle(Vector3d const& v) const
    {
        // t clamped to [0, 1] without a select (exact at both ends, within an ulp of 1 inside):
        // the compiler turns arithmetic after a select into branches, which would keep the loop
        // over many points out of vector registers.
        double const t = dot(v, axis) / span;
        double const clamped = 0.5 * (std::abs(t) - std::abs(t - 1.0) + 1.0);
        return change * clamped + from;
    }

    // Rodrigues' turn of v about the axis, given the sine and cosine of the angle.
    Vector3d turned(Vector3d const& v, double s, double c) const
    {
        double const along = dot(axis, v) * (1 - c);
        Vector3d const side = cross(axis, v);
        return {origin.x + v.x * c + side.x * s + axis.x * along, origin.y + v.y * c + side.y * s + axis.y * along,
                origin.z + v.z * c + side.z * s + axis.z * along};
    }

    Vector3d origin, axis;
    double span, from, change;
};

Vector3d twist_with(Twister const& t, Vector3d const& p)
{
    Vector3d const v = p - t.origin;
    double const a = t.angle(v);
    double s, c;
    if (std::abs(a) <= kSinCosLimit) {
        sin_cos(a, s, c);
    } else {
        s = std::sin(a);
        c = std::cos(a);
    }
    return t.turned(v, s, c);
}

// One block of points through the branch-free sine; answers whether an angle was past
// sin_cos's range, so that the block can be done again with the library's.
TOLVIR_VECTOR_CLONES bool twist_block(Twister const& t, Vector3d* points, std::size_t n)
{
    // A double flag set by a select keeps the loop in vector registers on every target.
    double beyond = 0;
    for (std::size_t i = 0; i < n; ++i) {
        Vector3d const v = points[i] - t.origin;
        double const a = t.angle(v);
        beyond = std::abs(a) > kSinCosLimit ? 1.0 : beyond;
        double s, c;
        sin_cos(a, s, c);
        points[i] = t.turned(v, s, c);
    }
    return beyond != 0;
}

} // namespace

bool twists(TwistParameters const& twist)
{
    return length(twist.near - twist.far) > kLengthEpsilon && (twist.twist_far != 0 || twist.twist_near != 0);
}

Vector3d twist_point(TwistParameters const& twist, Vector3d const& p) { return twists(twist) ? twist_with(Twister(twist), p) : p; }

void twist_points(TwistParameters const& twist, std::span<Vector3d> points)
{
    if (!twists(twist))
        return;
    Twister const t(twist);
    deform_in_blocks(points, [&](Vector3d* block, std::size_t n) { return twist_block(t, block, n); },
                     [&](Vector3d const& p) { return twist_with(t, p); });
}

} // namespace tolvir
