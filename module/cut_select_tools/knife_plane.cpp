#include "cut_select_tools/knife_plane.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace tolvir {

using namespace VORNSDK;

KnifePlane knife_plane(Vector3d const& start, Vector3d const& end, Vector3d const& origin)
{
    Vector3d const u = unit(end - start), v = unit(origin - start);
    Vector3d const n = cross(v, u);
    return {n, -dot(start, n)};
}

KnifeSight::KnifeSight(Vector3d const& start, Vector3d const& end, Vector3d const& origin) : origin_(origin)
{
    Vector3d const middle = start + (end - start) * 0.5;
    view_ = middle - origin;
    view_length2_ = dot(view_, view_);
    start_image_ = image(start);
    span_ = image(end) - start_image_;
    span_length2_ = dot(span_, span_);
}

Vector3d KnifeSight::image(Vector3d const& p) const
{
    Vector3d const r = p - origin_;
    double const t = view_length2_ == 0 ? 0.0 : dot(r, view_) / view_length2_;
    if (t == 0)
        return {DBL_MAX, DBL_MAX, DBL_MAX};
    return r / t;
}

bool KnifeSight::within(Vector3d const& p) const
{
    if (span_length2_ == 0)
        return true;
    double const s = dot(image(p) - start_image_, span_) / span_length2_;
    return s >= 0 && s < 1;
}

double crossing_fraction(KnifePlane const& plane, Vector3d const& f, Vector3d const& t)
{
    double const along = dot(plane.normal, t - f);
    if (along == 0)
        return 0;
    double const s = (-plane.offset - dot(plane.normal, f)) / along;
    return std::isfinite(s) ? std::clamp(s, 0.0, 1.0) : 0.0;
}

} // namespace tolvir
