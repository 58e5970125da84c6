#include "module_fixture.h"

#include "edge_tools/remove_edges.h"

#include "vornsdk/host.h"

#include <cmath>

using namespace VORNSDK;

namespace {

class EdgeCommands : public ModuleFixture {
protected:
    void remove_edges(std::string const& list)
    {
        Component const c = Component::create("RemoveEdges");
        c["EdgeList"].set_value(String(list));
        execute(c);
    }
    void run_in_mode(char const* command, int mode)
    {
        set_selection_mode(mode);
        execute(command);
    }
    std::size_t hard_count() const { return mesh->hard_edge_count(); }
};

} // namespace

TEST_F(EdgeCommands, RemoveEdgesMergesPolygonsAndSkipsBordersMissingEdgesAndSwallowedOnes)
{
    make_grid(3, 1);
    std::string const before = state();
    remove_edges("(0,1)(0,7)");
    remove_edges("1,5)");
    remove_edges("");
    EXPECT_EQ(state(), before);
    // Two quads become a hexagon that keeps the first one's number.
    remove_edges("(2,6)\n");
    EXPECT_EQ(mesh->polygons().count(), 2u);
    EXPECT_EQ(corners(*mesh, 1).size(), 6u);
    EXPECT_FALSE(mesh->edge_exists({2, 6}));
    EXPECT_TRUE(mesh->edge_exists({1, 5}));
    EXPECT_TRUE(mesh->edge_exists({6, 7}));
    teskar::UndoHistory::instance().undo();
    // The second entry is an edge of the polygon that the first merge made: still two polygons
    // beside it, so it merges too; a repeat of the first is skipped.
    remove_edges("(1,5)(2,6)(1,5)");
    EXPECT_EQ(mesh->polygons().count(), 1u);
    EXPECT_EQ(corners(*mesh, *mesh->polygons().begin()).size(), 8u);
}

TEST_F(EdgeCommands, RemoveEdgesLeavesPolygonsTouchingAtTwoSeparatePointsAlone)
{
    // Two quads sharing opposite corners 0 and 2 but no side.
    Index const p[6] = {mesh->add_point({0, 0, 0}), mesh->add_point({1, 0, 1}), mesh->add_point({2, 0, 0}),
                        mesh->add_point({1, 0, -1}), mesh->add_point({1, 1, 0}), mesh->add_point({1, -1, 0})};
    mesh->add_polygon({p[0], p[1], p[2], p[4]});
    mesh->add_polygon({p[0], p[5], p[2], p[3]});
    EXPECT_FALSE(tolvir::merge_polygons(*mesh, 0, 1));
    EXPECT_EQ(mesh->polygons().count(), 2u);
}

TEST_F(EdgeCommands, DissolveInEdgeModeRemovesTheWholeLoopAndItsInnerVertices)
{
    make_grid(3, 3); // a loop runs along x = 1 from 1 to 13
    mesh->set_edge_selection({5, 9}, true);
    run_in_mode("Dissolve", kSelectEdges);
    EXPECT_EQ(mesh->polygons().count(), 6u);
    EXPECT_FALSE(mesh->point_exists(5));
    EXPECT_FALSE(mesh->point_exists(9));
    EXPECT_TRUE(mesh->point_exists(1)); // the open loop's ends stay
    EXPECT_TRUE(mesh->point_exists(13));
}

TEST_F(EdgeCommands, DissolveInPolygonModeTakesTheInnerEdgesAndLeavesEdgeMode)
{
    make_grid(4, 4);
    for (Index f : {5u, 6u, 9u, 10u}) // a 2 by 2 block around point 12
        mesh->set_polygon_selection(f, true);
    run_in_mode("Dissolve", kSelectPolygons);
    EXPECT_EQ(selection_mode(), kSelectEdges);
    EXPECT_FALSE(mesh->point_exists(12));
    EXPECT_LT(mesh->polygons().count(), 16u);

    std::string const before = state();
    run_in_mode("Dissolve", kSelectPoints);
    EXPECT_EQ(state(), before);
}

TEST_F(EdgeCommands, DissolveOfTwoMeshesTreatsEachOnItsOwn)
{
    make_grid(4, 4);
    Component const other = Component::create("SceneObject");
    teskar::scene_of(active_scene())->add_item(other);
    add_to_selection(other);
    teskar::Mesh* second = teskar::mesh_of(other);
    for (Index p : mesh->points())
        second->add_point(mesh->point_position(p));
    for (Index f : mesh->polygons()) {
        auto const v = mesh->polygon_vertices(f);
        second->add_polygon(CompactIndexArray(v.first, v.count));
    }
    for (teskar::Mesh* m : {mesh, second})
        for (Index f : {5u, 6u, 9u, 10u}) // a 2 by 2 block around point 12
            m->set_polygon_selection(f, true);
    run_in_mode("Dissolve", kSelectPolygons);
    EXPECT_FALSE(second->point_exists(12));
    auto const state_of = [&](teskar::Mesh* m) {
        std::swap(mesh, m);
        std::string const s = state();
        std::swap(mesh, m);
        return s;
    };
    EXPECT_EQ(state_of(second), state());
}

TEST_F(EdgeCommands, MakeCircularTurnsABlockIntoAFanOnACircle)
{
    make_grid(4, 4);
    for (Index f : {5u, 6u, 9u, 10u})
        mesh->set_polygon_selection(f, true);
    execute("Make Circular");
    EXPECT_EQ(mesh->polygons().count(), 16u); // 4 removed, 4 added
    Index const centre = mesh->points().slots() - 1;
    Vector3d const c = mesh->point_position(centre);
    EXPECT_NEAR(c.x, 2.0, 1e-12);
    EXPECT_NEAR(c.z, 2.0, 1e-12);
    for (Index v : {6u, 7u, 8u, 11u, 13u, 16u, 17u, 18u})
        EXPECT_NEAR(length(mesh->point_position(v) - c), 1.0, 1e-12) << v; // edge midpoints' distance
    EXPECT_FALSE(mesh->point_exists(12)); // the inner point lost its polygons and went with them
    for (Index f : mesh->point_polygons(centre))
        EXPECT_EQ(mesh->polygon_vertices(f).count, 4);
    EXPECT_EQ(mesh->selected_polygons().size(), 4u); // the disc is the new selection
}

TEST_F(EdgeCommands, MakeCircularWorksOnEachRegionAndLeavesRegionsWithoutOneOutlineAlone)
{
    make_grid(5, 1);
    mesh->set_polygon_selection(1, true);
    mesh->set_polygon_selection(3, true);
    execute("Make Circular");
    // Two discs of two quads each, the quad between them untouched.
    EXPECT_EQ(mesh->polygons().count(), 3u + 4u);
    EXPECT_EQ(mesh->polygon_vertices(2).count, 4);
    EXPECT_EQ(mesh->points().count(), 12u + 2u);

    // A closed box has no outline at all.
    mesh->select_all(kElementPolygons, false);
    add_box(*mesh, {10, 0, 0});
    for (Index f = mesh->polygons().slots() - 6; f < mesh->polygons().slots(); ++f)
        mesh->set_polygon_selection(f, true);
    std::string const before = state();
    execute("Make Circular");
    EXPECT_EQ(state(), before);
}

TEST_F(EdgeCommands, MakeCircularOnATriangleEndsWithATriangle)
{
    Index const a = mesh->add_point({0, 0, 0}), b = mesh->add_point({0, 0, 1}), c = mesh->add_point({1, 0, 0});
    mesh->set_polygon_selection(mesh->add_polygon({a, b, c}), true);
    execute("Make Circular");
    ASSERT_EQ(mesh->polygons().count(), 2u);
    std::vector<int> sizes;
    for (Index f : mesh->polygons())
        sizes.push_back(mesh->polygon_vertices(f).count);
    EXPECT_EQ(sizes, (std::vector<int>{4, 3}));
}

TEST_F(EdgeCommands, HardAndSoftCommandsInBothModes)
{
    make_grid(4, 4);
    for (Index f : {5u, 6u, 9u, 10u})
        mesh->set_polygon_selection(f, true);
    set_selection_mode(kSelectPolygons);
    execute("HardEdgesPatchCommand");
    EXPECT_EQ(hard_count(), 12u);
    execute("SoftEdgesPatchCommand");
    EXPECT_EQ(hard_count(), 8u); // the four inner edges softened, the outline kept
    execute("SoftEdgesOutlineCommand");
    EXPECT_EQ(hard_count(), 0u);
    execute("HardEdgesOutlineCommand");
    EXPECT_EQ(hard_count(), 8u);

    mesh->select_all(kElementPolygons, false);
    mesh->set_polygon_selection(0, true); // a corner quad: its border sides count as outline
    execute("HardEdgesOutlineCommand");
    EXPECT_EQ(hard_count(), 12u);

    set_selection_mode(kSelectEdges);
    mesh->set_edge_selection({12, 13}, true);
    execute("SoftEdgesOutlineCommand");
    EXPECT_FALSE(mesh->edge_hard({12, 13}));
    execute("HardEdgesOutlineCommand");
    EXPECT_TRUE(mesh->edge_hard({12, 13}));
}
