#include "cut_select_tools/lasso_raster.h"

#include <algorithm>
#include <cmath>

namespace tolvir {

using namespace VORNSDK;

LassoRaster::LassoRaster(int width, int height, std::span<Vector3d const> outline)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), rows_(static_cast<std::size_t>(height_))
{
    if (outline.empty() || width_ == 0 || height_ == 0)
        return;
    Vector3d previous = outline.back();
    for (Vector3d const& p : outline) {
        walk_side(previous, p);
        previous = p;
    }
}

// Only the steps that land on a row of the viewport are recorded: a row beyond the top or the
// bottom would be clamped onto the border row, where crossings of sides far outside would spoil
// its parity, and an outline reaching far out would cost a step per row it passes.
void LassoRaster::walk_side(Vector3d const& p, Vector3d const& q)
{
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(q.x) || !std::isfinite(q.y))
        return;
    double const dy = q.y - p.y;
    if (dy == 0)
        return;
    // A side less than a pixel high but far wide has a slope beyond doubles; its first step is
    // its first end all the same.
    double const slope = (q.x - p.x) / dy;
    double const steps = std::abs(dy);
    double const h = height_;
    // The walk starts a step before the first row of the viewport (against rounding) and each step
    // moves one row, so height + 2 steps cover the viewport; counting them also ends the walk where
    // the coordinates are too large for a step to change them.
    double const first = dy > 0 ? std::max(0.0, std::ceil(-p.y) - 1) : std::max(0.0, std::floor(p.y - h));
    for (int k = 0; k <= height_ + 1; ++k) {
        double const i = first + k;
        if (!(i < steps))
            break;
        double const y = dy > 0 ? p.y + i : p.y - i;
        if (y >= 0 && y < h)
            record(i == 0 ? p.x : dy > 0 ? p.x + i * slope : p.x - i * slope, y);
    }
}

double LassoRaster::clamp_x(double x) const { return x < 0 ? 0.0 : x >= width_ ? width_ - 1.0 : x; }
double LassoRaster::clamp_y(double y) const { return y < 0 ? 0.0 : y >= height_ ? height_ - 1.0 : y; }

void LassoRaster::record(double x, double y)
{
    // Sides whose ends differ by more than doubles hold have no slope to follow.
    if (std::isnan(x))
        return;
    x = clamp_x(x);
    std::vector<double>& row = rows_[static_cast<std::size_t>(clamp_y(y))];
    if (row.empty()) {
        row.push_back(std::floor(x));
        return;
    }
    auto const at = std::lower_bound(row.begin(), row.end(), x);
    // The outline is drawn to pixel accuracy: crossings closer than a thousandth of a pixel are one.
    if ((at != row.end() && *at - x < 0.001) || (at != row.begin() && x - *(at - 1) < 0.001))
        return;
    row.insert(at, x);
}

bool LassoRaster::contains(double x, double y) const
{
    if (rows_.empty() || std::isnan(x) || std::isnan(y))
        return false;
    std::vector<double> const& r = rows_[static_cast<std::size_t>(clamp_y(y))];
    if (r.size() % 2 != 0)
        return false;
    auto const below = std::lower_bound(r.begin(), r.end(), clamp_x(x)) - r.begin();
    return below % 2 != 0;
}

} // namespace tolvir
