#include "module_fixture.h"

#include "edge_tools/edge_loop.h"
#include "edge_tools/edge_ring.h"

using namespace VORNSDK;
using namespace tolvir;

namespace {

class EdgeTraversal : public ModuleFixture {
protected:
    // Each ring member as "v1-v2", in ring order.
    static std::vector<std::string> text(EdgeRing const& ring)
    {
        std::vector<std::string> out;
        for (VertexPair const& e : ring)
            out.push_back(std::to_string(e.v1) + '-' + std::to_string(e.v2));
        return out;
    }
    static std::vector<Index> vertices(VertexLoop const& loop) { return {loop.begin(), loop.end()}; }

};

} // namespace

TEST_F(EdgeTraversal, RingAcrossAStripRunsInStripOrderOrientedLikeTheStartEdge)
{
    make_grid(3, 1); // rungs (0,4) (1,5) (2,6) (3,7)
    EXPECT_EQ(text(build_ring(*mesh, {5, 1})), (std::vector<std::string>{"7-3", "6-2", "5-1", "4-0"}));
    EXPECT_EQ(text(build_ring(*mesh, {2, 6})), (std::vector<std::string>{"0-4", "1-5", "2-6", "3-7"}));
}

TEST_F(EdgeTraversal, RingAroundAClosedBandHoldsEveryRungOnce)
{
    make_band();
    for (Index s = 0; s < 4; ++s) {
        EdgeRing const ring = build_ring(*mesh, {s, s + 4});
        ASSERT_EQ(ring.size(), 4u) << s;
        for (Index t = 0; t < 4; ++t)
            EXPECT_TRUE(ring.contains({t, t + 4}));
        for (VertexPair const& e : ring)
            EXPECT_LT(e.v1, 4u); // all oriented like the start edge
    }
}

TEST_F(EdgeTraversal, RingStopsBeforeTrianglesAndAtNonManifoldEdges)
{
    make_grid(2, 1);
    Index const apex = mesh->add_point({3, 0, 0.5});
    mesh->add_polygon({2, 5, apex});
    EdgeRing const ring = build_ring(*mesh, {1, 4});
    EXPECT_EQ(ring.size(), 3u);
    EXPECT_FALSE(ring.contains({5, apex}));

    Index const fin = mesh->add_point({1, 1, 0.5});
    Index const fin2 = mesh->add_point({0, 1, 0.5});
    mesh->add_polygon({1, 4, fin, fin2}); // a third polygon on the edge (1,4)
    EXPECT_TRUE(opposite_edge(*mesh, {1, 4}).invalid());
    EXPECT_TRUE(opposite_edge(*mesh, {4, 1}).invalid());
    EXPECT_EQ(build_ring(*mesh, {99, 100}).size(), 1u);
}

TEST_F(EdgeTraversal, LoopsStopAtPolesAndFollowBordersAroundCorners)
{
    make_grid(2, 2);
    EXPECT_EQ(vertices(build_vertex_loop(*mesh, 3, 4)), (std::vector<Index>{3, 4, 5}));
    EXPECT_EQ(build_edge_loop(*mesh, {3, 4}).size(), 2u); // open: n - 1 edges

    EdgeLoop const border = build_edge_loop(*mesh, {0, 1});
    EXPECT_EQ(border.size(), 8u); // closed: n edges
    for (VertexPair const& e : border)
        EXPECT_TRUE(mesh->edge_exists(e));

    // Splitting the quad at the centre's corner into two triangles gives the centre five edges.
    mesh->remove_polygon(0);
    mesh->add_polygon({0, 3, 4});
    mesh->add_polygon({0, 4, 1});
    EXPECT_EQ(vertices(build_vertex_loop(*mesh, 7, 4)), (std::vector<Index>{7, 4}));
    EXPECT_FALSE(next_loop_vertex(*mesh, 7, 4).has_value());
}

TEST_F(EdgeTraversal, NearestEdgeMeasuresToTheLineAndKeepsTheFirstOfTies)
{
    make_grid(1, 1); // square 0 (0,0,0) 1 (1,0,0) 2 (0,0,1) 3 (1,0,1)
    VertexPair const sides[] = {{0, 1}, {1, 3}, {3, 2}, {2, 0}};
    EXPECT_TRUE(nearest_edge(*mesh, sides, {0.5, 0, 0.1}).same_direction({0, 1}));
    EXPECT_TRUE(nearest_edge(*mesh, sides, {0.9, 0, 0.5}).same_direction({1, 3}));
    // Beyond the segment's end the line still counts.
    EXPECT_TRUE(nearest_edge(*mesh, sides, {5, 0, 0.05}).same_direction({0, 1}));
    EXPECT_TRUE(nearest_edge(*mesh, sides, {0.5, 0, 0.5}).same_direction({0, 1}));
    EXPECT_TRUE(nearest_edge(*mesh, {}, {0, 0, 0}).invalid());
}
