#pragma once

#include "vornsdk/math.h"

#include <span>
#include <vector>

namespace tolvir {

// A closed outline in viewport pixels scan-converted for the even-odd rule: one sorted list of
// crossings per pixel row. Each side of the outline records a crossing at every whole row step
// from its first end, leaving its last row to the next side, so a vertex of the outline counts
// once; a level side records nothing. Coordinates are clamped into the viewport, so a point
// beyond a border is tested at the nearest border pixel.
class LassoRaster {
public:
    // outline: pixel points (x, y, any z), walked as a closed polygon from the last point to the
    // first and then point to point.
    LassoRaster(int width, int height, std::span<VORNSDK::Vector3d const> outline);

    // Whether the pixel point lies inside. A row crossed an odd number of times (a tip of the
    // outline that ends in the row) holds nothing.
    bool contains(double x, double y) const;

    // The crossings of row y, ascending.
    std::vector<double> const& row(int y) const { return rows_[static_cast<std::size_t>(y)]; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    void walk_side(VORNSDK::Vector3d const& p, VORNSDK::Vector3d const& q);
    void record(double x, double y);
    double clamp_x(double x) const;
    double clamp_y(double y) const;

    int width_ = 0, height_ = 0;
    std::vector<std::vector<double>> rows_;
};

} // namespace tolvir
