#include "module_fixture.h"

#include "edge_tools/loop_insertion.h"

#include "vornsdk/host.h"

using namespace VORNSDK;
using namespace tolvir;

namespace {

class InsertLoop : public ModuleFixture {
protected:
    // Runs the tool as a command with an edge and a cut fraction.
    void insert(char const* edge, double cut, int slices = 1, bool mirror = false, bool absolute = false)
    {
        Component const tool = Component::create("InsertLoop");
        tool["Edge"].set_value(edge, false);
        tool["Cut"].set_value(cut, false);
        tool["Slices"].set_value(slices, false);
        tool["Mirror"].set_value(mirror, false);
        tool["Absolute"].set_value(absolute, false);
        EXPECT_TRUE(execute(tool));
    }
    std::vector<std::uint16_t> polygon_sizes() const
    {
        std::vector<std::uint16_t> out;
        for (Index f : mesh->polygons())
            out.push_back(mesh->polygon_vertices(f).count);
        return out;
    }
};

} // namespace

TEST(LoopFractions, SlicesMirrorAndSingleCuts)
{
    EXPECT_EQ(loop_fractions(0.3, 1, false), std::vector<double>{0.3});
    EXPECT_EQ(loop_fractions(0.3, 2, false), std::vector<double>{0.5});
    std::vector<double> const thirds = loop_fractions(0.9, 3, true);
    ASSERT_EQ(thirds.size(), 2u);
    EXPECT_DOUBLE_EQ(thirds[0], 1.0 / 3);
    EXPECT_DOUBLE_EQ(thirds[1], 2.0 / 3);
    EXPECT_EQ(loop_fractions(0.3, 1, true), (std::vector<double>{0.3, 0.7}));
    EXPECT_EQ(loop_fractions(0.7, 1, true), (std::vector<double>{1 - 0.7, 0.7}));
    EXPECT_EQ(loop_fractions(0.5, 1, true), (std::vector<double>{0.5, 0.5}));
}

TEST(CutOnEdge, StoppersAndCentreSnapping)
{
    Vector3d const a{0, 0, 0}, b{4, 0, 0};
    EXPECT_DOUBLE_EQ(cut_on_edge(a, b, {0.5, 1, 0}, 0.25, 0, false).fraction, 0.25);
    EXPECT_DOUBLE_EQ(cut_on_edge(a, b, {3.9, 0, 0}, 0.25, 0, false).fraction, 0.75);
    EXPECT_DOUBLE_EQ(cut_on_edge(a, b, {0.1, 0, 0}, 0, 0.5, false).point.x, 0.5);
    EXPECT_DOUBLE_EQ(cut_on_edge(a, b, {3.8, 0, 0}, 0, 0.5, false).point.x, 3.5);
    EXPECT_DOUBLE_EQ(cut_on_edge(a, b, {1.0, 0, 0}, 0, 0, false).fraction, 0.25);
    Vector3d const c{10, 0, 0};
    EXPECT_DOUBLE_EQ(cut_on_edge(a, c, {5.15, 0, 0}, 0, 0, true).fraction, 0.5);
    EXPECT_DOUBLE_EQ(cut_on_edge(a, c, {5.3, 0, 0}, 0, 0, true).fraction, 0.53);
    EXPECT_DOUBLE_EQ(cut_on_edge(a, {0.3, 0, 0}, {0.01, 0, 0}, 0, 0, true).fraction, 0.5);
}

TEST_F(InsertLoop, AClosedBandGetsAClosedLoop)
{
    make_band();
    insert("(0,4)", 0.5);
    EXPECT_EQ(mesh->polygons().count(), 8u);
    EXPECT_EQ(mesh->points().count(), 12u);
    for (Index p = 8; p < 12; ++p)
        EXPECT_DOUBLE_EQ(mesh->point_position(p).y, 0.5);
    EXPECT_EQ(polygon_sizes(), std::vector<std::uint16_t>(8, 4));
}

TEST_F(InsertLoop, AnOpenStripGetsAnOpenLoopAndItsNeighboursGainAVertex)
{
    make_grid(3, 2); // the ring across the middle row: (4,8) ... ; rows of quads 0..2 and 3..5
    // Cut the first row's quads only: its ring runs along x from (0,4) to (3,7).
    insert("(0,4)", 0.25);
    EXPECT_EQ(mesh->polygons().count(), 9u);
    std::vector<std::uint16_t> sizes = polygon_sizes();
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<std::uint16_t>{4, 4, 4, 4, 4, 4, 4, 4, 4}));
}

TEST_F(InsertLoop, EndPolygonsBeyondTheStripAreNotCut)
{
    make_grid(3, 1);
    Index const apex = mesh->add_point({-1, 0, 0.5});
    mesh->add_polygon({0, apex, 4}); // a triangle beyond the strip's first rung
    insert("(1,5)", 0.5);
    EXPECT_EQ(mesh->polygons().count(), 7u); // 3 quads became 6, the triangle stays one polygon
    EXPECT_EQ(mesh->polygon_vertices(3).count, 4); // and gained the new point on (0,4)
}

TEST_F(InsertLoop, SlicesCutEveryRingEdgeIntoEqualParts)
{
    make_grid(1, 1);
    insert("(0,2)", 0.3, 3);
    EXPECT_EQ(mesh->polygons().count(), 3u);
    EXPECT_DOUBLE_EQ(mesh->point_position(4).z, 1.0 / 3);
    EXPECT_DOUBLE_EQ(mesh->point_position(5).z, 2.0 / 3);
}

TEST_F(InsertLoop, AbsoluteCutsEveryRingEdgeAtTheSameDistance)
{
    // A strip whose second rung is twice as long as the first.
    Index const a = mesh->add_point({0, 0, 0}), b = mesh->add_point({0, 0, 2});
    Index const c = mesh->add_point({1, 0, 0}), d = mesh->add_point({1, 0, 4});
    mesh->add_polygon({a, b, d, c});
    insert("(0,1)", 0.25, 1, false, true);
    EXPECT_DOUBLE_EQ(mesh->point_position(4).z, 0.5);
    EXPECT_DOUBLE_EQ(mesh->point_position(5).z, 0.5);
    teskar::UndoHistory::instance().undo();
    insert("(0,1)", 0.25);
    EXPECT_DOUBLE_EQ(mesh->point_position(7).z, 1.0); // a fraction of each edge's own length
}

TEST_F(InsertLoop, RemoveEdgesTakesAnInsertedLoopOutAgain)
{
    make_grid(3, 1);
    std::string const before = state();
    insert("(1,5)", 0.5);
    ASSERT_EQ(mesh->polygons().count(), 6u);
    Component const remover = Component::create("RemoveEdges");
    remover["EdgeList"].set_value("(8,9)(9,10)(10,11)");
    execute(remover);
    EXPECT_EQ(mesh->polygons().count(), 3u);
    teskar::UndoHistory::instance().undo();
    teskar::UndoHistory::instance().undo();
    EXPECT_EQ(state(), before);
}

TEST_F(InsertLoop, SelectedPolygonsAreCutAcrossTheirRun)
{
    make_grid(3, 3);
    for (Index f : {3u, 4u, 5u}) // the middle row
        mesh->set_polygon_selection(f, true);
    insert("", 0.5);
    EXPECT_EQ(mesh->polygons().count(), 12u);
}
