#include "mesh_fixture.h"

#include "vornsdk/attribute.h"
#include "vornsdk/host.h"
#include "vornsdk/scene.h"

#include <set>
#include <utility>
#include <vector>

using namespace VORNSDK;

namespace {

using EdgeList = std::set<std::pair<Index, Index>>;

class HostCommands : public MeshFixture {
protected:
    void TearDown() override
    {
        set_selection_mode(kSelectItems);
        MeshFixture::TearDown();
    }

    bool run(char const* name) { return execute(name, item); }

    bool run_with(char const* name, char const* attribute, Parameter const& value)
    {
        Component const command = Component::create(name);
        command[attribute].set_value(value, false);
        return execute(command, item);
    }

    void select_edges(std::initializer_list<VertexPair> edges)
    {
        for (VertexPair const& e : edges)
            ASSERT_TRUE(mesh->set_edge_selection(e, true)) << e.v1 << '-' << e.v2;
    }

    EdgeList selected_edges() const
    {
        EdgeList out;
        for (VertexPair const e : each(mesh->selected_edges()))
            out.insert({e.sorted_v1(), e.sorted_v2()});
        return out;
    }

    template <class T>
    static std::vector<T> listed(SelectionSet<T> const& set)
    {
        std::vector<T> out;
        for (T const element : each(set))
            out.push_back(element);
        return out;
    }
    std::vector<Index> selected_points() const { return listed(mesh->selected_points()); }
    std::vector<Index> selected_polygons() const { return listed(mesh->selected_polygons()); }

    Vector3d normal(Index f) const
    {
        auto const list = mesh->polygon_vertices(f);
        Vector3d sum;
        for (std::size_t k = 0; k < list.count; ++k)
            sum += cross(mesh->point_position(list[k]), mesh->point_position(list[(k + 1) % list.count]));
        return unit(sum);
    }

    // Splits the centre quad of a 3 x 3 grid, which gives points 5 and 10 five edges each.
    void split_centre_quad()
    {
        mesh->remove_polygon(4);
        mesh->add_polygon({5, 9, 10});
        mesh->add_polygon({5, 10, 6});
    }
};

// Grid indices used below (3 x 3 quads): point (i, j) is i + 4j, quad (i, j) is i + 3j.

TEST_F(HostCommands, SelectLoopRunsThroughRegularVerticesAndAlongBordersAndStopsAtPoles)
{
    make_grid(3, 3);
    select_edges({{5, 9}});
    ASSERT_TRUE(run("SelectLoop"));
    EXPECT_EQ(selected_edges(), (EdgeList{{1, 5}, {5, 9}, {9, 13}}));

    mesh->select_all(kElementEdges, false);
    select_edges({{0, 4}});
    run("SelectLoop");
    EXPECT_EQ(selected_edges(), (EdgeList{{0, 1}, {1, 2}, {2, 3}, {3, 7}, {7, 11}, {11, 15}, {12, 13}, {13, 14},
                                          {14, 15}, {0, 4}, {4, 8}, {8, 12}}));

    mesh->select_all(kElementEdges, false);
    split_centre_quad();
    select_edges({{1, 5}, {4, 5}});
    run("SelectLoop");
    EXPECT_EQ(selected_edges(), (EdgeList{{1, 5}, {4, 5}}));

    MeshFixture::SetUp();
    make_tube(4, 2);
    select_edges({{4, 5}});
    run("SelectLoop");
    EXPECT_EQ(selected_edges(), (EdgeList{{4, 5}, {5, 6}, {6, 7}, {4, 7}}));
}

TEST_F(HostCommands, SelectRingCrossesQuadsUntilABorderATriangleOrAThirdPolygon)
{
    make_grid(3, 3);
    select_edges({{1, 5}});
    ASSERT_TRUE(run("SelectRing"));
    EXPECT_EQ(selected_edges(), (EdgeList{{0, 4}, {1, 5}, {2, 6}, {3, 7}}));

    mesh->select_all(kElementEdges, false);
    split_centre_quad();
    // A fin on edge 2-6 gives it a third polygon.
    Index const a = mesh->add_point({2, 1, 0});
    mesh->add_polygon({2, 6, mesh->add_point({2, 1, 1}), a});
    select_edges({{5, 9}, {1, 5}});
    run("SelectRing");
    EXPECT_EQ(selected_edges(), (EdgeList{{4, 8}, {5, 9}, {0, 4}, {1, 5}, {2, 6}}));

    MeshFixture::SetUp();
    make_tube(4, 2);
    select_edges({{1, 5}});
    run("SelectRing");
    EXPECT_EQ(selected_edges(), (EdgeList{{0, 4}, {1, 5}, {2, 6}, {3, 7}}));
}

TEST_F(HostCommands, RemovePointsDropsThemFromPolygonsAndRemovePolygonsKeepsThePoints)
{
    make_grid(3, 3);
    set_selection_mode(kSelectPoints);
    mesh->set_point_selection(0, true);
    mesh->set_point_selection(5, true);
    ASSERT_TRUE(run("Remove"));
    EXPECT_EQ(mesh->points().count(), 14u);
    EXPECT_FALSE(mesh->polygon_exists(0));
    EXPECT_EQ(mesh->polygons().count(), 8u);
    EXPECT_EQ(corners(*mesh, 1), (std::vector<Index>{1, 6, 2}));
    EXPECT_EQ(corners(*mesh, 4), (std::vector<Index>{9, 10, 6}));
    EXPECT_TRUE(selected_points().empty());

    set_selection_mode(kSelectPolygons);
    mesh->set_polygon_selection(1, true);
    mesh->set_polygon_selection(4, true);
    run("Remove");
    EXPECT_EQ(mesh->polygons().count(), 6u);
    EXPECT_FALSE(mesh->polygon_exists(4));
    EXPECT_EQ(mesh->points().count(), 14u);
    EXPECT_TRUE(selected_polygons().empty());
}

TEST_F(HostCommands, RemoveEdgesMergesTheTwoPolygonsBeside)
{
    make_grid(3, 3);
    set_selection_mode(kSelectEdges);
    select_edges({{5, 6}, {0, 1}});
    ASSERT_TRUE(run("Remove"));
    EXPECT_EQ(corners(*mesh, 1), (std::vector<Index>{6, 2, 1, 5, 9, 10}));
    EXPECT_FALSE(mesh->polygon_exists(4));
    EXPECT_EQ(mesh->polygons().count(), 8u);
    EXPECT_DOUBLE_EQ(normal(1).y, 1.0);
    // The border edge has nothing to merge with and stays selected.
    EXPECT_EQ(selected_edges(), (EdgeList{{0, 1}}));
}

TEST_F(HostCommands, RemoveEdgesAcrossAChainOfSharedSidesTakesTheBarePointAway)
{
    make_grid(2, 2);
    set_selection_mode(kSelectEdges);
    select_edges({{1, 4}, {3, 4}, {4, 5}, {4, 7}});
    run("Remove");
    EXPECT_EQ(mesh->polygons().count(), 1u);
    EXPECT_EQ(corners(*mesh, 0), (std::vector<Index>{5, 2, 1, 0, 3, 6, 7, 8}));
    EXPECT_FALSE(mesh->point_exists(4));
    EXPECT_TRUE(selected_edges().empty());
}

TEST_F(HostCommands, RemoveEdgesBetweenOddlyMadePolygons)
{
    for (int k = 0; k < 6; ++k)
        mesh->add_point({double(k), 0.0, double(k * k)});
    set_selection_mode(kSelectEdges);
    // Neighbours wound opposite ways: the merged outline still follows both.
    mesh->add_polygon({0, 1, 2, 3});
    mesh->add_polygon({0, 1, 4, 5});
    select_edges({{0, 1}});
    run("Remove");
    EXPECT_EQ(corners(*mesh, 0), (std::vector<Index>{1, 2, 3, 0, 5, 4}));
    EXPECT_FALSE(mesh->polygon_exists(1));

    // Polygons that also touch at point 3, away from the edge, are left alone.
    mesh->remove_polygon(0);
    mesh->add_polygon({0, 1, 2, 3});
    mesh->add_polygon({1, 0, 4, 3, 5});
    select_edges({{0, 1}});
    std::string const before = state();
    run("Remove");
    EXPECT_EQ(state(), before);
}

TEST_F(HostCommands, ConnectOnARingInsertsALoopThroughItsMiddle)
{
    make_grid(3, 3);
    set_selection_mode(kSelectEdges);
    select_edges({{1, 5}});
    run("SelectRing");
    ASSERT_TRUE(run("Connect"));
    EXPECT_EQ(mesh->points().count(), 20u);
    EXPECT_EQ(mesh->polygons().count(), 12u);
    for (Index f : mesh->polygons()) {
        EXPECT_EQ(mesh->polygon_vertices(f).count, 4u) << f;
        EXPECT_DOUBLE_EQ(normal(f).y, 1.0) << f;
    }
    EdgeList const loop = selected_edges();
    ASSERT_EQ(loop.size(), 3u);
    for (auto const& [a, b] : loop)
        for (Index p : {a, b}) {
            EXPECT_GE(p, 16u);
            EXPECT_DOUBLE_EQ(mesh->point_position(p).z, 0.5);
        }
    // The new edges form one loop across the grid.
    mesh->select_all(kElementEdges, false);
    mesh->set_edge_selection({loop.begin()->first, loop.begin()->second}, true);
    run("SelectLoop");
    EXPECT_EQ(selected_edges(), loop);

    // A lone edge is only split: no polygon holds two new points.
    MeshFixture::SetUp();
    make_grid(1, 1);
    select_edges({{0, 1}});
    run("Connect");
    EXPECT_EQ(corners(*mesh, 0), (std::vector<Index>{0, 2, 3, 1, 4}));
    EXPECT_EQ(mesh->point_position(4).x, 0.5);
    EXPECT_TRUE(selected_edges().empty());
}

TEST_F(HostCommands, ExtendOneQuadRaisesItOnOutwardWalls)
{
    make_grid(3, 3);
    mesh->set_polygon_selection(4, true);
    ASSERT_TRUE(run_with("Extend", "Distance", 1.0));
    EXPECT_EQ(mesh->points().count(), 20u);
    EXPECT_EQ(mesh->polygons().count(), 13u);
    EXPECT_EQ(selected_polygons(), std::vector<Index>{4});
    for (Index v : corners(*mesh, 4))
        EXPECT_GE(v, 16u);
    EXPECT_DOUBLE_EQ(mesh->point_position(corners(*mesh, 4)[0]).y, 1.0);
    EXPECT_DOUBLE_EQ(normal(4).y, 1.0);
    // Each wall starts on a corner of the old quad; outward is away from the block's middle.
    Vector3d const middle{1.5, 0.5, 1.5};
    for (Index wall = 9; wall < 13; ++wall)
        EXPECT_GT(dot(normal(wall), mesh->point_position(corners(*mesh, wall)[0]) - middle), 0.0) << wall;
}

TEST_F(HostCommands, ExtendARegionCopiesInnerPointsAndStartsFlat)
{
    make_grid(2, 2);
    mesh->select_all(kElementPolygons, true);
    ASSERT_TRUE(run("Extend"));
    // Nine copies; the old centre point is left without polygons and goes.
    EXPECT_EQ(mesh->points().count(), 17u);
    EXPECT_FALSE(mesh->point_exists(4));
    EXPECT_EQ(mesh->polygons().count(), 12u);
    EXPECT_DOUBLE_EQ(mesh->point_position(corners(*mesh, 3)[1]).y, 0.0);
    EXPECT_EQ(selected_polygons().size(), 4u);
}

TEST_F(HostCommands, ExtendOfRegionsTouchingAtACornerGivesEachItsOwnWalls)
{
    make_grid(2, 2);
    mesh->set_polygon_selection(0, true);
    mesh->set_polygon_selection(3, true); // both hold the centre point 4, and no common side
    ASSERT_TRUE(run("Extend"));
    EXPECT_EQ(mesh->points().count(), 9u + 8u); // the shared corner is copied once per region
    EXPECT_EQ(mesh->polygons().count(), 4u + 8u);
    EXPECT_TRUE(mesh->manifold_problems().empty());
}

TEST_F(HostCommands, CommandsActOnTheTargetsMeshesAndNeedSomethingToDo)
{
    make_grid(2, 2);
    std::string const before = state();
    set_selection_mode(kSelectPolygons);
    for (char const* name : {"SelectLoop", "SelectRing", "Remove", "Connect", "Extend"})
        EXPECT_TRUE(run(name)) << name;
    EXPECT_EQ(state(), before);

    // An item without a mesh is passed over.
    Component const camera = Component::create("Camera");
    mesh->set_polygon_selection(0, true);
    EXPECT_TRUE(execute("Remove", camera));
    EXPECT_TRUE(mesh->polygon_exists(0));

    // Without a target the selected items are acted on.
    add_to_selection(item);
    set_selection_mode(kSelectPolygons);
    ASSERT_TRUE(execute("Remove"));
    EXPECT_FALSE(mesh->polygon_exists(0));
}

TEST_F(HostCommands, ListSelectionSelectsExistingElementsUntilTheTextGoesWrong)
{
    make_grid(3, 3);
    run_with("SelectPoints", "Points", "1 3 99 5 x 7 ");
    EXPECT_EQ(selected_points(), (std::vector<Index>{1, 3, 5}));
    run_with("DeselectPoints", "Points", "3 1-");
    EXPECT_EQ(selected_points(), (std::vector<Index>{1, 5}));
    run_with("SelectPoints", "Points", "-2 4 ");
    run_with("SelectPoints", "Points", "99999999999 4 ");
    EXPECT_EQ(selected_points(), (std::vector<Index>{1, 5}));

    run_with("SelectEdges", "Edges", "(0,1) (0,5) (5,6) (6,7)(7,11) ");
    EXPECT_EQ(selected_edges(), (EdgeList{{0, 1}, {5, 6}}));
    run_with("DeselectEdges", "Edges", "(1,0) (5, 6) ");
    EXPECT_EQ(selected_edges(), (EdgeList{{5, 6}}));

    run_with("SelectFaces", "Faces", "2 8 9 4");
    EXPECT_EQ(selected_polygons(), (std::vector<Index>{2, 8, 4}));
    run_with("DeselectFaces", "Faces", "8  2 ");
    EXPECT_EQ(selected_polygons(), (std::vector<Index>{2, 4}));
}

} // namespace
