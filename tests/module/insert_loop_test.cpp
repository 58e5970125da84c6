#include "module_fixture.h"

#include "edge_tools/edge_text.h"
#include "edge_tools/loop_insertion.h"

#include "vornsdk/host.h"

#include <algorithm>
#include <bit>
#include <cstdio>

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
    void run_on_selection(double cut)
    {
        Component const tool = Component::create("InsertLoop");
        tool["Cut"].set_value(cut, false);
        EXPECT_TRUE(execute(tool));
    }
    // The polygons as rounded positions, each cycle started at its smallest corner, sorted: equal
    // for meshes of the same shape whatever the indices and starting vertices.
    std::vector<std::string> shape() const
    {
        std::vector<std::string> out;
        for (Index f : mesh->polygons()) {
            std::vector<std::string> corners;
            for (Index v : mesh->polygon_vertices(f)) {
                Vector3d const p = mesh->point_position(v);
                char text[96];
                std::snprintf(text, sizeof text, "(%.6f %.6f %.6f)", p.x, p.y, p.z);
                corners.push_back(text);
            }
            std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
            std::string joined;
            for (auto const& c : corners)
                joined += c;
            out.push_back(joined);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    std::size_t used_points() const
    {
        std::size_t n = 0;
        for (Index p : mesh->points())
            n += mesh->point_polygons(p).empty() ? 0 : 1;
        return n;
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
    // Cuts that would lie on existing points or on each other are left out.
    EXPECT_EQ(loop_fractions(0.5, 1, true), std::vector<double>{0.5});
    EXPECT_TRUE(loop_fractions(0.0, 1, false).empty());
    EXPECT_TRUE(loop_fractions(1.0, 1, true).empty());
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

TEST_F(InsertLoop, AClosedBandGetsOneClosedLoopThroughAnEdgeOrItsSelection)
{
    make_band();
    insert("(0,4)", 0.5);
    EXPECT_EQ(mesh->points().count(), 12u);
    for (Index p = 8; p < 12; ++p)
        EXPECT_DOUBLE_EQ(mesh->point_position(p).y, 0.5);
    EXPECT_EQ(polygon_sizes(), std::vector<std::uint16_t>(8, 4));
    teskar::UndoHistory::instance().undo();

    mesh->select_all(kElementPolygons, true);
    run_on_selection(0.5);
    EXPECT_EQ(mesh->points().count(), 12u);
    EXPECT_EQ(polygon_sizes(), std::vector<std::uint16_t>(8, 4));
    EXPECT_EQ(mesh->selected_polygons().size(), 8u); // the slices stay selected
}

TEST_F(InsertLoop, AnOpenStripGetsAnOpenLoop)
{
    make_grid(3, 2); // the ring of (0,4) runs along the first row of quads, from (0,4) to (3,7)
    insert("(0,4)", 0.25);
    EXPECT_EQ(mesh->polygons().count(), 9u);
    EXPECT_EQ(polygon_sizes(), std::vector<std::uint16_t>(9, 4));
    // Four new points joined by three new edges: a path, not a cycle.
    for (Index p = 12; p < 16; ++p)
        EXPECT_DOUBLE_EQ(mesh->point_position(p).z, 0.25) << p;
    EXPECT_TRUE(mesh->edge_exists({12, 13}));
    EXPECT_TRUE(mesh->edge_exists({14, 15}));
    EXPECT_FALSE(mesh->edge_exists({15, 12}));
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
    insert("(1,5)", 0.5);
    ASSERT_EQ(mesh->polygons().count(), 6u);
    Component const remover = Component::create("RemoveEdges");
    remover["EdgeList"].set_value("(8,9)(9,10)(10,11)");
    execute(remover);
    EXPECT_EQ(mesh->polygons().count(), 3u);
}

TEST_F(InsertLoop, SelectedPolygonsAreCutAlongTheirRunWhateverTheOrderAndStartingVertex)
{
    make_grid(3, 1);
    std::vector<std::string> expected;
    for (auto const& order : {std::vector<Index>{0, 1, 2}, {0, 2, 1}, {2, 1, 0}}) {
        for (Index f : order)
            mesh->set_polygon_selection(f, true);
        run_on_selection(0.5);
        EXPECT_EQ(mesh->points().count(), 12u);
        EXPECT_EQ(polygon_sizes(), std::vector<std::uint16_t>(6, 4));
        if (expected.empty())
            expected = shape();
        EXPECT_EQ(shape(), expected);
        teskar::UndoHistory::instance().undo();
        mesh->select_all(kElementPolygons, false);
    }
    // The middle quad's vertex list starting elsewhere changes nothing either.
    mesh->set_polygon_vertices(1, {5, 6, 2, 1});
    mesh->select_all(kElementPolygons, true);
    run_on_selection(0.5);
    EXPECT_EQ(shape(), expected);
}

TEST_F(InsertLoop, ASelectedBlockIsCutInParallelRunsAndALoneQuadAcrossItsLongSides)
{
    make_grid(4, 4);
    for (Index f : {5u, 6u, 9u, 10u}) // a 2 by 2 block
        mesh->set_polygon_selection(f, true);
    run_on_selection(0.5);
    EXPECT_EQ(mesh->polygons().count(), 20u);
    EXPECT_EQ(used_points(), mesh->points().count()); // no point left over
    EXPECT_EQ(mesh->points().count(), 25u + 6u);
    teskar::UndoHistory::instance().undo();
    mesh->select_all(kElementPolygons, false);

    // A lone quad twice as long along z as along x is cut into two squares.
    Index const a = mesh->add_point({10, 0, 0}), b = mesh->add_point({10, 0, 2});
    Index const c = mesh->add_point({11, 0, 2}), d = mesh->add_point({11, 0, 0});
    mesh->set_polygon_selection(mesh->add_polygon({a, b, c, d}), true);
    run_on_selection(0.5);
    std::size_t at_middle = 0;
    for (Index p = d + 1; p < mesh->points().slots(); ++p)
        at_middle += mesh->point_position(p).z == 1.0 ? 1 : 0;
    EXPECT_EQ(at_middle, 2u);
}

TEST_F(InsertLoop, AnUnsetCutMeansTheMiddleAndACutAtAnEndInsertsNothing)
{
    make_grid(1, 1);
    Component const tool = Component::create("InsertLoop");
    tool["Edge"].set_value("(0,1)", false);
    EXPECT_TRUE(execute(tool));
    EXPECT_EQ(mesh->points().count(), 6u);
    EXPECT_DOUBLE_EQ(mesh->point_position(4).x, 0.5);
    teskar::UndoHistory::instance().undo();
    std::string const before = state();
    insert("(0,1)", 0.0);
    insert("(0,1)", 1.0, 1, true);
    EXPECT_EQ(state(), before);
}

TEST_F(InsertLoop, SplitRingEdgesKeepHardnessAndSelectionAndCornerValuesAreInterpolated)
{
    make_grid(1, 1);
    std::size_t const uv = mesh->add_vertex_map(String("UV"), 2);
    mesh->set_corner_values(uv, 0, {0, 0, 0, 1, 1, 1, 1, 0}); // corners 0, 2, 3, 1
    mesh->set_edge_hard({0, 2}, true);
    mesh->set_edge_selection({2, 0}, true);
    insert("(0,2)", 0.25);
    ASSERT_EQ(mesh->points().count(), 6u);
    EXPECT_EQ(mesh->hard_edge_count(), 2u);
    EXPECT_TRUE(mesh->edge_hard({0, 4}));
    EXPECT_TRUE(mesh->edge_hard({4, 2}));
    EXPECT_EQ(mesh->selected_edges().size(), 2u);
    for (Index f : mesh->polygons()) {
        auto const v = mesh->polygon_vertices(f);
        std::vector<float> const& values = mesh->corner_values(uv, f);
        ASSERT_EQ(values.size(), 2u * v.count);
        for (std::size_t k = 0; k < v.count; ++k) {
            Vector3d const p = mesh->point_position(v[k]);
            EXPECT_FLOAT_EQ(values[2 * k], float(p.x)) << f; // the map was u = x, v = z
            EXPECT_FLOAT_EQ(values[2 * k + 1], float(p.z)) << f;
        }
    }
}

TEST_F(InsertLoop, SlicesCutRingEdgesIntoEqualPartsAndABandThatDoesNotFitChangesNothing)
{
    make_grid(1, 1);
    insert("(0,2)", 0.3, 3);
    EXPECT_EQ(mesh->polygons().count(), 3u);
    EXPECT_DOUBLE_EQ(mesh->point_position(4).z, 1.0 / 3);
    EXPECT_DOUBLE_EQ(mesh->point_position(5).z, 2.0 / 3);
    teskar::UndoHistory::instance().undo();
    insert("(0,2)", 0.5, 2000);
    EXPECT_EQ(mesh->polygons().count(), 2000u);
    EXPECT_EQ(mesh->points().count(), 4u + 2u * 1999u);
    teskar::UndoHistory::instance().undo();

    std::string const before = state();
    LoopBand band;
    band.edges.push_back({0, 2});
    band.edges.push_back({2, 3});
    band.quads.push_back(0);
    double const half = 0.5;
    EXPECT_FALSE(insert_loops(*mesh, band, std::span<double const>(&half, 1))); // sides not opposite
    EXPECT_EQ(state(), before);
}

TEST_F(InsertLoop, EveryLoopOnABoxWithOneOrTwoEdgesRemovedLeavesAValidManifoldMesh)
{
    // Merged faces make n-gons that rings stop at, and rings that end on both sides of one of
    // them: a loop must neither cut the n-gon as if the ring were closed nor leave a point behind.
    std::vector<VertexPair> edges;
    for (Index a = 0; a < 8; ++a)
        for (Index b = a + 1; b < 8; ++b)
            if (std::popcount(a ^ b) == 1)
                edges.push_back({a, b});
    auto const make_box = [&](Index* p) {
        for (Index f : std::vector<Index>(mesh->polygons().begin(), mesh->polygons().end()))
            mesh->remove_polygon(f);
        for (Index q : std::vector<Index>(mesh->points().begin(), mesh->points().end()))
            mesh->remove_point(q);
        Index const first = add_box(*mesh, {0, 0, 0});
        for (Index k = 0; k < 8; ++k)
            p[k] = first + k;
    };
    for (std::size_t r1 = 0; r1 < edges.size(); ++r1)
        for (std::size_t r2 = r1; r2 < edges.size(); ++r2)
            for (VertexPair const hovered : edges) {
                Index p[8];
                make_box(p);
                for (VertexPair const removed : {edges[r1], edges[r2]})
                    mesh->set_edge_selection({p[removed.v1], p[removed.v2]}, true);
                set_selection_mode(kSelectEdges);
                execute("Remove");
                set_selection_mode(kSelectPolygons);
                std::string const edge = edge_text({p[hovered.v1], p[hovered.v2]});
                insert(edge.c_str(), 0.3);
                ASSERT_TRUE(valid(*mesh)) << edge;
                ASSERT_TRUE(mesh->manifold_problems().empty()) << edge;
                ASSERT_EQ(used_points(), mesh->points().count()) << edge;
            }
    set_selection_mode(kSelectItems);
}
