#include "mesh_fixture.h"

#include "vornsdk/history.h"

#include <cmath>

using namespace VORNSDK;

namespace {

std::vector<Index> polygons_around(teskar::Mesh const& m, Index p)
{
    auto const s = m.point_polygons(p);
    return {s.begin(), s.end()};
}

} // namespace

using Mesh = MeshFixture;

TEST_F(Mesh, TopologyQueriesOnAGrid)
{
    make_grid(2, 2); // points 0..8, centre point 4
    EXPECT_EQ(mesh->points().count(), 9u);
    EXPECT_EQ(mesh->polygons().count(), 4u);
    EXPECT_EQ(polygons_around(*mesh, 4), (std::vector<Index>{0, 1, 2, 3}));
    EXPECT_TRUE(mesh->edge_exists({4, 1}));
    EXPECT_TRUE(mesh->edge_exists({1, 4}));
    EXPECT_FALSE(mesh->edge_exists({0, 4})); // a diagonal
    PolyMarker around;
    EXPECT_EQ(mesh->polygons_of_edge({1, 4}, around), 2u);
    EXPECT_EQ(mesh->polygons_of_edge({0, 1}, around), 1u);
    EdgeMarker edges;
    mesh->edges_of_point(4, edges);
    EXPECT_EQ(edges.size(), 4u);
    VertexMarker near;
    mesh->neighbours_of_point(0, near);
    EXPECT_EQ(near.size(), 2u);
    EXPECT_EQ(mesh->count_edges(), 12u);
    Vector3f const n = mesh->point_normal(4);
    EXPECT_FLOAT_EQ(n.y, 1.0f); // the grid's winding faces +y
}

TEST_F(Mesh, InvalidPolygonsAreRefusedAndStaleIndicesIgnored)
{
    make_grid(1, 1);
    EXPECT_EQ(mesh->add_polygon({0, 1}), kNoIndex);
    EXPECT_EQ(mesh->add_polygon({0, 1, 1}), kNoIndex);
    EXPECT_EQ(mesh->add_polygon({0, 1, 99}), kNoIndex);
    std::string const before = state();
    mesh->remove_polygon(42);
    mesh->remove_point(kNoIndex);
    mesh->set_point_position(1000, {1, 1, 1});
    EXPECT_FALSE(mesh->set_polygon_vertices(7, {0, 1, 2}));
    EXPECT_FALSE(mesh->insert_point_in_polygon(0, {0, 3}, 77));
    EXPECT_FALSE(mesh->set_polygon_selection(9, true));
    EXPECT_EQ(mesh->polygon_vertices(5).count, 0);
    EXPECT_EQ(state(), before);
}

TEST_F(Mesh, RemovedSlotsStayVacantAndAreNotReused)
{
    make_grid(1, 1);
    mesh->remove_polygon(0);
    EXPECT_FALSE(mesh->polygon_exists(0));
    EXPECT_TRUE(polygons_around(*mesh, 0).empty());
    EXPECT_EQ(mesh->add_polygon({0, 1, 2}), 1u);
    mesh->remove_point(3);
    EXPECT_EQ(mesh->add_point({5, 5, 5}), 4u);
}

TEST_F(Mesh, RemovingAPointShrinksOrRemovesItsPolygons)
{
    make_grid(2, 1); // quads 0 (0,3,4,1) and 1 (1,4,5,2)
    Index const tri = mesh->add_polygon({0, 1, 4});
    mesh->remove_point(1);
    EXPECT_EQ(mesh->polygon_vertices(0).count, 3);
    EXPECT_EQ(mesh->polygon_vertices(1).count, 3);
    EXPECT_FALSE(mesh->polygon_exists(tri));
    EXPECT_FALSE(mesh->point_exists(1));
    // Readers of the geometry log learn of the vacated point and of every polygon it changed.
    auto const log = mesh->geometry_log();
    auto const logged = [](std::span<Index const> list, Index i) { return std::find(list.begin(), list.end(), i) != list.end(); };
    EXPECT_TRUE(logged(log.points, 1));
    for (Index f : {Index(0), Index(1), tri})
        EXPECT_TRUE(logged(log.polygons, f)) << f;
    // A log's epoch tells its mesh from any other, even one made later at the same address.
    EXPECT_NE(teskar::Mesh().geometry_log().epoch, log.epoch);
}

TEST_F(Mesh, InsertingAPointFollowsTheEdgeInEitherWindingAndKeepsItsMarks)
{
    make_grid(2, 1);
    mesh->set_edge_hard({1, 4}, true);
    mesh->set_edge_selection({4, 1}, true);
    Index const p = mesh->add_point({1, 0, 0.5});
    EXPECT_TRUE(mesh->insert_point_in_polygon(0, {4, 1}, p));
    EXPECT_TRUE(mesh->insert_point_in_polygon(1, {4, 1}, p));
    EXPECT_EQ(corners(*mesh, 0), (std::vector<Index>{0, 3, 4, p, 1}));
    EXPECT_EQ(corners(*mesh, 1), (std::vector<Index>{1, p, 4, 5, 2}));
    EXPECT_FALSE(mesh->edge_exists({1, 4}));
    EXPECT_EQ(polygons_around(*mesh, p), (std::vector<Index>{0, 1}));
    // Both halves of the split side stay hard and selected.
    EXPECT_EQ(mesh->hard_edge_count(), 2u);
    EXPECT_TRUE(mesh->edge_hard({1, p}));
    EXPECT_TRUE(mesh->edge_hard({p, 4}));
    EXPECT_EQ(mesh->selected_edges().size(), 2u);
    EXPECT_TRUE(mesh->selected_edges().contains({p, 4}));
}

TEST_F(Mesh, MarkingEverySideOfAPolygonAtOnceIsUndoneExactly)
{
    make_grid(2, 1);
    std::vector<Index> ring;
    for (int k = 0; k < 9; ++k)
        ring.push_back(mesh->add_point({std::cos(k * 0.7), 2, std::sin(k * 0.7)}));
    Index const nonagon = mesh->add_polygon(CompactIndexArray(ring.data(), 9));
    std::string const original = state();
    {
        HistoryTransaction t("Hard");
        History::instance().set_current_transaction(&t);
        Index const polygons[] = {0, nonagon};
        mesh->set_sides_hard(polygons, true);
        EXPECT_EQ(mesh->hard_edge_count(), 4u + 9u);
        EXPECT_TRUE(mesh->edge_hard({4, 1})); // the side polygon 1 shares
        Index const second[] = {1};
        mesh->set_sides_hard(second, false);
        EXPECT_EQ(mesh->hard_edge_count(), 3u + 9u);
        EXPECT_FALSE(mesh->edge_hard({1, 4}));
        History::instance().set_current_transaction(nullptr);
    }
    EXPECT_TRUE(teskar::UndoHistory::instance().undo());
    EXPECT_EQ(state(), original);
}

TEST_F(Mesh, SelectionsKeepSelectionOrderAndDropVanishedEdges)
{
    make_grid(2, 2);
    mesh->set_point_selection(5, true);
    mesh->set_point_selection(2, true);
    mesh->set_point_selection(5, true);
    EXPECT_EQ(state().substr(state().find(" sp")), " sp 5 2 se sf h");
    EXPECT_FALSE(mesh->set_edge_selection({0, 4}, true));
    EXPECT_TRUE(mesh->set_edge_selection({4, 1}, true));
    EXPECT_TRUE(mesh->selected_edges().contains({1, 4}));
    mesh->set_edge_hard({1, 4}, true);
    mesh->remove_polygon(0);
    EXPECT_TRUE(mesh->selected_edges().contains({1, 4})); // polygon 1 still has it
    mesh->remove_polygon(1);
    EXPECT_FALSE(mesh->selected_edges().contains({1, 4}));
    EXPECT_TRUE(mesh->hard_edge_count() == 0);
}

TEST_F(Mesh, UndoAndRedoReproduceMixedEditsExactly)
{
    make_grid(3, 3);
    mesh->set_polygon_selection(4, true);
    mesh->set_edge_hard({5, 6}, true);
    // Corner values on the polygons that gain a corner, lose one and turn round, which the
    // store's checks in state() follow through the edit, its undo and its redo.
    mesh->add_vertex_map("UV", 2);
    for (Index f : {0u, 3u, 8u})
        mesh->set_corner_values(0, f, {0, 0, 0, 1, 1, 1, 1, 0});
    std::string const original = state();
    std::string edited;
    {
        HistoryTransaction t("Edit");
        History::instance().set_current_transaction(&t);
        mesh->set_point_position(5, {9, 9, 9});
        Index const p = mesh->add_point({0.5, 0, 0.5});
        mesh->insert_point_in_polygon(0, {0, 4}, p);
        mesh->remove_polygon(4);
        mesh->add_polygon({1, 2, 6});
        mesh->remove_point(15);
        mesh->set_polygon_selection(2, true);
        mesh->set_edge_hard({1, 2}, true);
        mesh->flip_polygon(3);
        edited = state();
        History::instance().set_current_transaction(nullptr);
    }
    auto& history = teskar::UndoHistory::instance();
    ASSERT_EQ(history.undo_names(), std::vector<std::string>{"Edit"});
    EXPECT_TRUE(history.undo());
    EXPECT_EQ(state(), original);
    EXPECT_TRUE(history.redo());
    EXPECT_EQ(state(), edited);
    EXPECT_TRUE(history.undo());
    EXPECT_EQ(state(), original);
    // New points after an undo take fresh slots: the undone ones stay vacant.
    EXPECT_EQ(mesh->add_point({0, 0, 0}), 17u);
}

TEST_F(Mesh, ATransactionClosedInsideAnotherJoinsIt)
{
    make_grid(1, 1);
    std::string const original = state();
    auto inner = std::make_unique<HistoryTransaction>("Tool");
    {
        HistoryTransaction outer("Add Loop");
        HistoryContext outer_context(outer, false);
        {
            HistoryContext c(*inner, true);
            mesh->set_point_position(0, {7, 7, 7});
        }
        mesh->set_point_position(0, {8, 8, 8});
        inner = std::make_unique<HistoryTransaction>("Tool");
    }
    auto& history = teskar::UndoHistory::instance();
    EXPECT_EQ(history.undo_names(), std::vector<std::string>{"Add Loop"});
    history.undo();
    EXPECT_EQ(state(), original);
}

TEST_F(Mesh, ChangesOutsideAnyTransactionAreNotRecorded)
{
    make_grid(1, 1);
    mesh->set_point_position(0, {3, 3, 3});
    EXPECT_FALSE(teskar::UndoHistory::instance().undo());
    EXPECT_EQ(mesh->point_position(0).x, 3.0);
}
