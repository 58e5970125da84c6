#pragma once

#include <cmath>

namespace tolvir {

// Arguments up to this size keep full precision in sin_cos; larger ones need the library's
// reduction.
inline constexpr double kSinCosLimit = 1e5;

// sin and cos of t for |t| <= kSinCosLimit, within an ulp or two of std::sin and std::cos. Unlike
// those it has no branches and no calls, so loops over many points around it vectorise: the
// deformers call it once per point. The argument is reduced by the nearest multiple of pi/2 (pi/2
// split in three parts, so that k times each part is exact), and the quadrant chooses and signs
// two polynomials on [-pi/4, pi/4].
inline void sin_cos(double t, double& s, double& c)
{
    // Adding and taking away 1.5 * 2^52 rounds a double to the nearest integer (ties to even).
    constexpr double kRound = 6755399441055744.0;
    auto const nearest = [](double x) { return (x + kRound) - kRound; };
    double const k = nearest(t * 0.63661977236758134308);
    double const r = ((t - k * 1.57079632673412561417e+00) - k * 6.07710050650619224932e-11) - k * 2.02226624879595063154e-21;
    double const r2 = r * r;
    double const sin_r =
        r + r * r2 *
                (-1.66666666666666324348e-01 +
                 r2 * (8.33333333332248946124e-03 +
                       r2 * (-1.98412698298579493134e-04 +
                             r2 * (2.75573137070700676789e-06 + r2 * (-2.50507602534068634195e-08 + r2 * 1.58969099521155010221e-10)))));
    double const cos_r =
        1.0 - 0.5 * r2 +
        r2 * r2 *
            (4.16666666666666019037e-02 +
             r2 * (-1.38888888888741095749e-03 +
                   r2 * (2.48015872894767294178e-05 +
                         r2 * (-2.75573143513906633035e-07 + r2 * (2.08757232129817482790e-09 + r2 * -1.13596475577881948265e-11)))));
    // The quadrant k mod 4 as q in {-2, -1, 0, 1, 2} and the parity of k, in doubles, so that the
    // choice stays in vector registers.
    double const q = k - 4.0 * nearest(k * 0.25);
    double const odd = k - 2.0 * nearest(k * 0.5);
    bool const swap = odd * odd > 0.5;
    double const s0 = swap ? cos_r : sin_r;
    double const c0 = swap ? sin_r : cos_r;
    s = (q >= 1.5 || q <= -0.5) ? -s0 : s0;
    c = (q >= 0.5 || q <= -1.5) ? -c0 : c0;
}

} // namespace tolvir
