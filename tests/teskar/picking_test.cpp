#include "mesh_fixture.h"

#include "teskar/picking.h"
#include "teskar/viewport.h"

#include "vornsdk/history.h"
#include "vornsdk/picking.h"

#include <limits>
#include <numbers>

using namespace VORNSDK;

namespace {

// A 4 x 4 grid on y = 0 seen from straight above, 100 pixels a unit: pixel (x, y) shows the
// world point (2 + (x - 400) / 100, 0, 2 + (y - 300) / 100). Grid point (i, j) is i + 5 j;
// cell (i, j) is polygon i + 4 j with corners (i, j), (i, j + 1), (i + 1, j + 1), (i + 1, j).
class PickingTest : public MeshFixture {
protected:
    void SetUp() override
    {
        MeshFixture::SetUp();
        make_grid(4, 4);
        viewport = Component::create("Viewport");
        teskar::viewport_of(viewport)->look_at({2, 10, 2}, {2, 0, 2});
        teskar::viewport_of(viewport)->set_orthographic(6);
        picking = get_interface<PickingInterface>(picking_component);
    }

    PickRecord pick(double x, double y)
    {
        PickRecord r;
        bool const hit = picking->pick(ViewportPoint(viewport, x, y), r);
        EXPECT_EQ(hit, r.valid());
        return r;
    }

    // A unit quad in its item's space, on y = 0 from the origin to (1, 0, 1).
    Component add_quad(Matrix4d const& placement)
    {
        Component const quad = Component::create("SceneObject");
        teskar::Mesh* m = teskar::mesh_of(quad);
        for (Vector3d const p : {Vector3d{0, 0, 0}, Vector3d{0, 0, 1}, Vector3d{1, 0, 1}, Vector3d{1, 0, 0}})
            m->add_point(p);
        m->add_polygon({0, 1, 2, 3});
        teskar::item_of(quad)->set_placement(placement);
        teskar::scene_of(active_scene())->add_item(quad);
        return quad;
    }

    Component viewport;
    Component picking_component = Component::create("Picking");
    PickingInterface* picking = nullptr;
};

} // namespace

TEST_F(PickingTest, FindsThePolygonItsNearestSideAndThatSidesNearestEnd)
{
    // (1.3, 0, 2.6) in cell (1, 2): nearest the side x = 1, nearer its end (1, 3).
    PickRecord r = pick(330, 360);
    ASSERT_TRUE(r.valid());
    EXPECT_EQ(r.item, item);
    EXPECT_EQ(r.polygon, 9u);
    EXPECT_EQ(r.edge, (VertexPair{11, 16}));
    EXPECT_EQ(r.vertex, 16u);
    expect_near(r.hit, {1.3, 0, 2.6});
    expect_near(r.local_hit, r.hit);
    EXPECT_NEAR(r.distance, 10 - 0.01, 1e-9); // from the near plane

    // (3.75, 0, 1.1) in cell (3, 1): nearest the closing side, from (4, 1) back to (3, 1).
    r = pick(575, 210);
    EXPECT_EQ(r.polygon, 7u);
    EXPECT_EQ(r.edge, (VertexPair{9, 8}));
    EXPECT_EQ(r.vertex, 9u);
}

TEST_F(PickingTest, MissesOffTheMeshAndOutsideTheScene)
{
    EXPECT_FALSE(pick(100, 300).valid());
    EXPECT_FALSE(pick(401, 95).valid());
    EXPECT_TRUE(pick(401, 105).valid());
    // An invalid viewport picks nothing.
    PickRecord r;
    EXPECT_FALSE(picking->pick(ViewportPoint(Component(), 330, 360), r));
    // Out of the scene, the grid is not picked.
    teskar::item_of(item)->set_parent(ComponentInterfacePtrT<TreeNodeInterface>());
    EXPECT_FALSE(pick(330, 360).valid());
}

TEST_F(PickingTest, TakesTheNearerItemInItsOwnSpace)
{
    // A quad over cell (1, 2), one unit above the grid, placed there by its item.
    Component const quad = add_quad(Matrix4d::translation({1, 1, 2}));
    PickRecord r = pick(330, 360);
    EXPECT_EQ(r.item, quad);
    EXPECT_EQ(r.polygon, 0u);
    expect_near(r.hit, {1.3, 1, 2.6});
    expect_near(r.local_hit, {0.3, 0, 0.6});
    EXPECT_EQ(r.edge, (VertexPair{0, 1}));
    EXPECT_EQ(r.vertex, 1u);
    EXPECT_NEAR(r.distance, 9 - 0.01, 1e-9);

    // Turned a quarter about y and moved below the grid: now the grid is nearer.
    teskar::item_of(quad)->set_placement(Matrix4d::translation({1, -1, 3}) * Matrix4d::rotation_y(std::numbers::pi / 2));
    r = pick(330, 360);
    EXPECT_EQ(r.item, item);
    // Under the hole left by removing the grid's polygon the quad shows, in its turned space.
    mesh->remove_polygon(9);
    r = pick(330, 360);
    EXPECT_EQ(r.item, quad);
    expect_near(r.hit, {1.3, -1, 2.6});
    expect_near(r.local_hit, {0.4, 0, 0.3});
}

TEST_F(PickingTest, PerspectiveViewsPickAlongTheirRays)
{
    auto* v = teskar::viewport_of(viewport);
    v->look_at({-3, 6, 8}, {2, 0, 2});
    v->set_perspective(45);
    Vector3d const s = v->project({3.2, 0, 0.7});
    PickRecord const r = pick(s.x, s.y);
    EXPECT_EQ(r.polygon, 3u);
    EXPECT_NEAR(r.hit.x, 3.2, 1e-6);
    EXPECT_NEAR(r.hit.z, 0.7, 1e-6);
    EXPECT_NEAR(r.distance, length(r.hit - v->unproject({s.x, s.y, 0})), 1e-9);
}

TEST_F(PickingTest, EditsAreSeenAtOnceWithoutARebuildUntilOneWouldPayForItself)
{
    ASSERT_TRUE(pick(330, 360).valid());
    auto const before = teskar::pick_cache_stats();
    mesh->set_polygon_selection(9, true); // no geometry changes
    pick(330, 360);
    EXPECT_EQ(teskar::pick_cache_stats().builds, before.builds);

    // Lift cell (1, 2) by one unit: the next pick sees the edit, with the structure as it was.
    for (Index p : {11u, 12u, 16u, 17u})
        mesh->set_point_position(p, mesh->point_position(p) + Vector3d{0, 1, 0});
    PickRecord r = pick(330, 360);
    EXPECT_EQ(teskar::pick_cache_stats().builds, before.builds);
    EXPECT_EQ(r.polygon, 9u);
    expect_near(r.hit, {1.3, 1, 2.6});

    // A polygon taken away is never hit again, and one put in its place is.
    mesh->remove_polygon(9);
    EXPECT_FALSE(pick(330, 360).valid());
    Index const added = mesh->add_polygon({11, 16, 17, 12});
    r = pick(330, 360);
    EXPECT_EQ(r.polygon, added);
    expect_near(r.hit, {1.3, 1, 2.6});

    // Picking often enough pays for a rebuild, which changes no answer.
    for (int k = 0; k < 200; ++k)
        pick(330, 360);
    EXPECT_GT(teskar::pick_cache_stats().builds, before.builds);
    EXPECT_EQ(pick(330, 360).polygon, added);
    EXPECT_EQ(pick(430, 330).polygon, 10u);

    {
        Component const quad = add_quad(Matrix4d::translation({0, 5, 0}));
        pick(50, 50);
        EXPECT_EQ(teskar::pick_cache_stats().meshes, before.meshes + 1);
        teskar::item_of(quad)->set_parent(ComponentInterfacePtrT<TreeNodeInterface>());
    }
    EXPECT_EQ(teskar::pick_cache_stats().meshes, before.meshes);
}

TEST_F(PickingTest, UndoAndRedoAreSeenByTheNextPick)
{
    ASSERT_EQ(pick(330, 360).polygon, 9u);
    {
        VORNSDK::HistoryTransaction step("Lift");
        VORNSDK::History::instance().set_current_transaction(&step);
        for (Index p : {11u, 12u, 16u, 17u})
            mesh->set_point_position(p, mesh->point_position(p) + Vector3d{0, 1, 0});
    }
    expect_near(pick(330, 360).hit, {1.3, 1, 2.6});
    teskar::UndoHistory::instance().undo();
    expect_near(pick(330, 360).hit, {1.3, 0, 2.6});
    teskar::UndoHistory::instance().redo();
    expect_near(pick(330, 360).hit, {1.3, 1, 2.6});
}

TEST_F(PickingTest, RaysBeyondTheCastersRangeMissInsteadOfAborting)
{
    Component const scene = active_scene();
    PickRecord r;
    // Straight down onto cell (1, 2), from ever higher up: traced within 1e18, a miss beyond.
    for (double const height : {1e6, 1e12, 1e17, 9.9e17}) {
        EXPECT_TRUE(teskar::pick_segment(scene, {1.3, height, 2.6}, {1.3, -1, 2.6}, r)) << height;
        EXPECT_EQ(r.polygon, 9u);
    }
    for (double const height : {2e18, 1e300, std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_FALSE(teskar::pick_segment(scene, {1.3, height, 2.6}, {1.3, -1, 2.6}, r)) << height;
        EXPECT_FALSE(r.valid());
    }
    // Points beyond the caster's range are left out, the rest of the mesh is still hit.
    mesh->set_point_position(0, {1e30, 0, 0});
    EXPECT_EQ(pick(330, 360).polygon, 9u);
    // A camera set past what makes a view, through its attributes, picks nothing.
    viewport["Eye"].set_value(Vector3d{2, 2e18, 2}, false);
    EXPECT_FALSE(pick(330, 360).valid());
}
