#include "teskar/draw_list.h"
#include "teskar/gizmo.h"
#include "teskar/mesh_fixture.h"
#include "teskar/viewport.h"

#include "vornsdk/attribute.h"

#include <gtest/gtest.h>

using namespace VORNSDK;
using teskar::DrawList;

namespace {

// An axis gizmo seen from the front (eye on +z), 100 pixels a unit: world (x, y) shows at pixel
// (400 + 100 x, 300 - 100 y). The gizmo stands at (1, 0, 0) at twice its size, so its x axis
// runs over pixels 520..600 of row 300, its y axis over rows 280..100 of column 500, and its
// centre box covers 480..520 x 280..320.
class GizmoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        viewport = Component::create("Viewport");
        teskar::viewport_of(viewport)->look_at({0, 0, 10}, {0, 0, 0});
        teskar::viewport_of(viewport)->set_orthographic(6);
        gizmo = get_interface<GizmoInterface>(component);
        ASSERT_NE(gizmo, nullptr);
        axis("x", {1, 0, 0}, 1, 0, 0);
        axis("y", {0, 1, 0}, 0, 1, 0);
        GizmoPart* center = gizmo->add_part("center", 1.0f, 0.5f, 0.0f, 0);
        center->set_direction({1, 1, 1});
        center->add_mesh(box(0.2), Matrix4d::identity());
        gizmo->finish(1);
        gizmo->set_matrix(Matrix4d::scaling({2, 2, 2}));
        gizmo->set_placement(Matrix4d::translation({1, 0, 0}));
    }

    void axis(char const* name, Vector3d const& dir, float r, float g, float b)
    {
        GizmoPart* p = gizmo->add_part(name, r, g, b, 0);
        p->set_direction(dir);
        p->add_segment(gizmo->add_vertex(dir * 0.1), gizmo->add_vertex(dir));
    }

    static Component box(double edge)
    {
        Component const raw = Component::create("RawMesh");
        add_box(*teskar::mesh_of(raw), Vector3d{-1, -1, -1} * (edge / 2), edge);
        return raw;
    }

    String handle_name(double x, double y)
    {
        GizmoHandle* h = gizmo->handle_at(viewport, x, y);
        return h ? h->name() : String("none");
    }

    Component viewport;
    Component component = Component::create("Gizmo");
    GizmoInterface* gizmo = nullptr;
};

} // namespace

TEST_F(GizmoTest, FindsThePartDrawnNearestThePointerWithinSixPixels)
{
    EXPECT_EQ(handle_name(560, 304), String("x"));
    EXPECT_EQ(handle_name(560, 306), String("x"));
    EXPECT_EQ(handle_name(560, 307), String("none"));
    EXPECT_EQ(handle_name(605, 300), String("x")); // past the tip, within reach
    EXPECT_EQ(handle_name(503, 200), String("y"));
    EXPECT_EQ(handle_name(497, 150), String("y"));
    // Inside the box's face, 20 pixels from any drawn line.
    EXPECT_EQ(handle_name(500, 300), String("center"));
    EXPECT_EQ(handle_name(700, 500), String("none"));
    EXPECT_EQ(gizmo->handle_at(Component(), 560, 300), nullptr);

    // The nearer of two parts wins: 2 pixels from x, 4 from the box's right side.
    EXPECT_EQ(handle_name(524, 302), String("x"));
}

TEST_F(GizmoTest, HandleReportsItsPartAndPlacement)
{
    GizmoHandle* h = gizmo->handle_at(viewport, 560, 300);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(&h->part(), gizmo->find_part("x"));
    EXPECT_EQ(h->part().placement(), Matrix4d::translation({1, 0, 0}) * Matrix4d::scaling({2, 2, 2}));
    EXPECT_EQ(h, gizmo->handle_at(viewport, 580, 301)); // the same handle object each time
}

TEST_F(GizmoTest, DrawsEachPartInItsColourAndTheDraggedOneHighlighted)
{
    DrawList list;
    gizmo->draw(list, viewport);
    auto lines = list.of_kind(DrawList::Kind::Line);
    ASSERT_EQ(lines.size(), 2u + 6 * 4); // two axes, the box's six faces of four sides
    EXPECT_EQ(lines[0].color, (Vector4f{1, 0, 0, 1}));
    EXPECT_NEAR(lines[0].points[0].x, 1.2, 1e-12);
    EXPECT_NEAR(lines[0].points[1].x, 3.0, 1e-12);
    EXPECT_EQ(lines[1].color, (Vector4f{0, 1, 0, 1}));
    EXPECT_EQ(lines[2].color, (Vector4f{1, 0.5f, 0, 1}));

    gizmo->handle_at(viewport, 500, 200)->set_state(3);
    list.clear();
    gizmo->draw(list, viewport);
    lines = list.of_kind(DrawList::Kind::Line);
    EXPECT_EQ(lines[0].color, (Vector4f{1, 0, 0, 1}));
    EXPECT_EQ(lines[1].color, teskar::Gizmo::kHighlight);
}
