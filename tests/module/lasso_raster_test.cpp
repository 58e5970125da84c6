#include "cut_select_tools/lasso_raster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace VORNSDK;
using tolvir::LassoRaster;

namespace {

TEST(LassoRaster, EvenOddRuleWithEndRowsLeftToTheNextSide)
{
    // A square from (10, 10) to (30, 30), walked clockwise on screen: the right side crosses rows
    // 10 to 29 going down, the left side rows 30 to 11 going up, so only rows 11 to 29 pair up.
    std::vector<Vector3d> const square{{10, 10, 1}, {30, 10, 1}, {30, 30, 1}, {10, 30, 1}};
    LassoRaster const r(100, 100, square);
    EXPECT_EQ(r.row(11), (std::vector<double>{10, 30}));
    EXPECT_EQ(r.row(29), (std::vector<double>{10, 30}));
    EXPECT_EQ(r.row(10), (std::vector<double>{30}));
    EXPECT_EQ(r.row(30), (std::vector<double>{10}));
    EXPECT_TRUE(r.contains(20, 20));
    EXPECT_TRUE(r.contains(10.5, 11));
    EXPECT_TRUE(r.contains(30, 20));
    EXPECT_FALSE(r.contains(20, 10.5));
    EXPECT_FALSE(r.contains(30.5, 20));
    EXPECT_FALSE(r.contains(20, 30.5));
    EXPECT_FALSE(r.contains(5, 20));

    // A tip ending in row 40: that row holds an odd number of crossings and so nothing.
    std::vector<Vector3d> const tip{{50, 40, 1}, {70, 60, 1}, {30, 60, 1}, {50, 40.5, 1}};
    LassoRaster const t(100, 100, tip);
    EXPECT_EQ(t.row(40).size() % 2, 1u);
    EXPECT_FALSE(t.contains(50, 40.2));
    EXPECT_TRUE(t.contains(50, 50));

    // A figure eight drawn through itself: its middle row still pairs up, its loops are inside.
    std::vector<Vector3d> const eight{{10, 10, 1}, {30, 50, 1}, {10, 50, 1}, {30, 10, 1}};
    LassoRaster const e(100, 100, eight);
    EXPECT_TRUE(e.contains(20, 12));
    EXPECT_TRUE(e.contains(20, 48));
    EXPECT_FALSE(e.contains(12, 30));
}

TEST(LassoRaster, PointsAndOutlinesBeyondTheViewportMeetAtItsBorder)
{
    // An outline reaching past the right border catches points further right, tested at the last
    // column.
    std::vector<Vector3d> const right{{60, 10, 1}, {140, 10, 1}, {140, 30, 1}, {60, 30, 1}};
    LassoRaster const r(100, 100, right);
    EXPECT_TRUE(r.contains(1e6, 20));
    EXPECT_TRUE(r.contains(99, 20));
    EXPECT_FALSE(r.contains(1e6, 40));
    EXPECT_FALSE(r.contains(-5, 20));

    // A point far below the viewport counts as in the last row; an outline reaching far out costs
    // only the rows of the viewport and still reads the rows it covers.
    std::vector<Vector3d> const tall{{10, -1e12, 1}, {60, -1e12, 1}, {60, 1e12, 1}, {10, 1e12, 1}};
    LassoRaster const t(100, 100, tall);
    EXPECT_TRUE(t.contains(30, 1e9));
    EXPECT_TRUE(t.contains(30, 0));
    EXPECT_FALSE(t.contains(70, 50));

    // Nothing to rasterise: no outline, no pixels, outlines that are not numbers.
    EXPECT_FALSE(LassoRaster(100, 100, {}).contains(50, 50));
    EXPECT_FALSE(LassoRaster(0, 0, right).contains(0, 0));
    double const nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<Vector3d> const broken{{nan, 10, 1}, {20, nan, 1}, {20, 30, 1}};
    EXPECT_FALSE(LassoRaster(100, 100, broken).contains(15, 20));
    EXPECT_FALSE(r.contains(nan, 20));
    // Sides spanning more than doubles hold are walked without a slope and cost only the rows.
    std::vector<Vector3d> const huge{{-1.7e308, -1.7e308, 1}, {1.7e308, 50, 1}, {-1.7e308, 1.7e308, 1}};
    LassoRaster const h(100, 100, huge);
    for (int y = 0; y < 100; ++y)
        for (double x : h.row(y))
            EXPECT_FALSE(std::isnan(x));
}

} // namespace
