#include "deformers/bend_points.h"
#include "deformers/point_blocks.h"

#include "deformers/sin_cos.h"
#include "deformers/vector_clones.h"

#include <algorithm>
#include <cmath>

namespace tolvir {

using namespace VORNSDK;

namespace {

// Below this angle the bend is taken as none.
constexpr double kMinAngle = 0.001;

// M x (p, 1) for an affine M, whose last row is (0, 0, 0, 1).
inline Vector3d affine(Matrix4d const& m, double x, double y, double z)
{
    return {m.m[0] * x + m.m[1] * y + m.m[2] * z + m.m[3], m.m[4] * x + m.m[5] * y + m.m[6] * z + m.m[7],
            m.m[8] * x + m.m[9] * y + m.m[10] * z + m.m[11]};
}

// M x (p, 1) divided by its w (unless w is 0): for an affine M, w is 1 and the result the affine
// product's.
inline Vector3d project(Matrix4d const& m, double x, double y, double z)
{
    Vector3d const r = affine(m, x, y, z);
    double const w = m.m[12] * x + m.m[13] * y + m.m[14] * z + m.m[15];
    return w != 0 ? r / w : r;
}

bool is_affine(Matrix4d const& m) { return m.m[12] == 0 && m.m[13] == 0 && m.m[14] == 0 && m.m[15] == 1; }

// The bend with everything that does not depend on the point worked out once. Projective frames
// take the divides; affine ones (all the tool makes) leave them out, which keeps the loop over
// many points free of branches.
struct Bender {
    explicit Bender(BendParameters const& b)
        : start(b.start), frame(b.frame), back(inverse(b.frame)), cos_twist(std::cos(b.twist)),
          sin_twist(std::sin(b.twist)), radius(b.length / b.angle), rate(b.angle / b.length),
          affine_frames(is_affine(frame) && is_affine(back))
    {
    }

    // The turn of a point at height y of the frame.
    double theta(Vector3d const& d) const { return rate * d.y; }

    template <bool Projective>
    Vector3d to_frame(Vector3d const& p) const
    {
        return Projective ? project(frame, p.x - start.x, p.y - start.y, p.z - start.z)
                          : affine(frame, p.x - start.x, p.y - start.y, p.z - start.z);
    }

    // The bent point, from its frame coordinates d and the sine and cosine of its turn.
    template <bool Projective>
    Vector3d bent(Vector3d const& d, double s, double c) const
    {
        double const x1 = d.x * cos_twist + d.z * sin_twist;
        double const z1 = d.z * cos_twist - d.x * sin_twist;
        double const x2 = radius + (x1 - radius) * c;
        double const y2 = -(x1 - radius) * s;
        double const x3 = x2 * cos_twist - z1 * sin_twist;
        double const z3 = z1 * cos_twist + x2 * sin_twist;
        Vector3d const r = Projective ? project(back, x3, y2, z3) : affine(back, x3, y2, z3);
        return {start.x + r.x, start.y + r.y, start.z + r.z};
    }

    Vector3d start;
    Matrix4d frame, back;
    double cos_twist, sin_twist, radius, rate;
    bool affine_frames;
};

Vector3d bend_with(Bender const& b, Vector3d const& p)
{
    Vector3d const d = b.to_frame<true>(p);
    double const t = b.theta(d);
    double s, c;
    if (std::abs(t) <= kSinCosLimit) {
        sin_cos(t, s, c);
    } else {
        s = std::sin(t);
        c = std::cos(t);
    }
    return b.bent<true>(d, s, c);
}

// One block of points, with affine frames, through the branch-free sine; answers whether a turn
// was past sin_cos's range, so that the block can be done again with the library's.
TOLVIR_VECTOR_CLONES bool bend_block(Bender const& b, Vector3d* points, std::size_t n)
{
    // A double flag set by a select keeps the loop in vector registers on every target.
    double beyond = 0;
    for (std::size_t i = 0; i < n; ++i) {
        Vector3d const d = b.to_frame<false>(points[i]);
        double const t = b.theta(d);
        beyond = std::abs(t) > kSinCosLimit ? 1.0 : beyond;
        double s, c;
        sin_cos(t, s, c);
        points[i] = b.bent<false>(d, s, c);
    }
    return beyond != 0;
}

} // namespace

bool bends(BendParameters const& bend) { return std::abs(bend.angle) >= kMinAngle && std::abs(bend.length) > kLengthEpsilon; }

Vector3d bend_point(BendParameters const& bend, Vector3d const& p) { return bends(bend) ? bend_with(Bender(bend), p) : p; }

void bend_points(BendParameters const& bend, std::span<Vector3d> points)
{
    if (!bends(bend))
        return;
    Bender const b(bend);
    if (!b.affine_frames) {
        for (Vector3d& p : points)
            p = bend_with(b, p);
        return;
    }
    // NaN turns fail the fast path's comparison and stay as they are: the bent point is NaN
    // either way.
    deform_in_blocks(points, [&](Vector3d* block, std::size_t n) { return bend_block(b, block, n); },
                     [&](Vector3d const& p) { return bend_with(b, p); });
}

} // namespace tolvir
