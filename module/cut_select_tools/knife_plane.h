#pragma once

#include "vornsdk/math.h"

namespace tolvir {

// The plane through a line drawn from start to end and the point it is seen from (the origin).
// The normal is not normalised; it is the zero vector when start meets end or the origin, and such
// a plane has every point above it. Side A of the cut lies below the plane: seen from the origin,
// with the line drawn from start to end, it is the part on the right of the line.
struct KnifePlane {
    VORNSDK::Vector3d normal;
    double offset = 0;

    // n.p + d: below the plane when negative; a point exactly on the plane counts as above.
    double side(VORNSDK::Vector3d const& p) const { return dot(normal, p) + offset; }
    bool degenerate() const { return normal == VORNSDK::Vector3d{}; }
};

KnifePlane knife_plane(VORNSDK::Vector3d const& start, VORNSDK::Vector3d const& end, VORNSDK::Vector3d const& origin);

// The drawn segment as the origin sees it: points are projected from the origin onto the plane
// through the segment's middle at right angles to the view of that middle, and a point counts as
// within the segment when its image falls between the images of the start (included) and the end
// (excluded). A segment seen end-on, its two images one, takes in every point.
class KnifeSight {
public:
    KnifeSight(VORNSDK::Vector3d const& start, VORNSDK::Vector3d const& end, VORNSDK::Vector3d const& origin);

    bool within(VORNSDK::Vector3d const& p) const;

private:
    // The image of p relative to the origin; DBL_MAX in every coordinate for a point level with
    // the origin across the view.
    VORNSDK::Vector3d image(VORNSDK::Vector3d const& p) const;

    VORNSDK::Vector3d origin_, view_;
    double view_length2_ = 0;
    VORNSDK::Vector3d start_image_, span_;
    double span_length2_ = 0;
};

// Where the knife plane crosses the side from f to t (whose ends lie on either side of it), as
// the fraction of the way from f; clamped into [0, 1].
double crossing_fraction(KnifePlane const& plane, VORNSDK::Vector3d const& f, VORNSDK::Vector3d const& t);

} // namespace tolvir
