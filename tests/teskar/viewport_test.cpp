#include "teskar/kernel.h"
#include "teskar/mesh_fixture.h"
#include "teskar/viewport.h"

#include "vornsdk/attribute.h"
#include "vornsdk/host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>
#include <numbers>

using namespace VORNSDK;
using teskar::Camera;

namespace {

Camera oblique(bool orthographic)
{
    Camera c;
    c.width = 640;
    c.height = 480;
    c.eye = {1, 2, 3};
    c.target = {4, -1, 7};
    c.fov_degrees = 60;
    c.orthographic = orthographic;
    c.view_height = 6;
    c.near_distance = 0.5;
    c.far_distance = 50;
    return c;
}

} // namespace

class CameraTest : public ::testing::TestWithParam<bool> {};

TEST_P(CameraTest, ProjectAndUnprojectRoundTrip)
{
    Camera const c = oblique(GetParam());
    for (Vector3d const s : {Vector3d{0, 0, 0}, Vector3d{640, 480, 1}, Vector3d{17.25, 300.5, 0.3}, Vector3d{500, 20, -0.001}})
        expect_near(c.project(c.unproject(s)), s, 1e-7);
    for (Vector3d const w : {Vector3d{4, -1, 7}, Vector3d{0, 0, 0}, Vector3d{6, 3, 9}})
        expect_near(c.unproject(c.project(w)), w, 1e-9);
}

TEST_P(CameraTest, TargetAtTheCentreYDownAndDepthAlongTheView)
{
    Camera const c = oblique(GetParam());
    Camera::Frame const f = c.frame();
    double const dist = length(c.target - c.eye);
    expect_near(c.project(c.target), {320, 240, (dist - 0.5) / 49.5});
    // Screen right is forward x up; the screen's y grows downwards.
    expect_near(f.right, unit(cross(f.forward, c.up)));
    Vector3d const above = c.project(c.target + f.up);
    Vector3d const right = c.project(c.target + f.right);
    EXPECT_LT(above.y, 240);
    EXPECT_NEAR(above.x, 320, 1e-9);
    EXPECT_GT(right.x, 320);
    EXPECT_NEAR(right.y, 240, 1e-9);
    // Depth 0 on the near plane, 1 on the far plane, negative behind the eye.
    EXPECT_NEAR(dot(c.unproject({100, 50, 0}) - c.eye, f.forward), 0.5, 1e-9);
    EXPECT_NEAR(dot(c.unproject({100, 50, 1}) - c.eye, f.forward), 50, 1e-9);
    EXPECT_LT(c.project(c.eye - f.forward).z, 0);
    // The view matrix takes the eye to the origin and the target down -z, without scaling.
    Matrix4d const v = c.view_matrix();
    expect_near(transform_point(v, c.eye), {0, 0, 0});
    expect_near(transform_point(v, c.target), {0, 0, -dist});
    expect_near(transform_vector(v, f.right), {1, 0, 0});
}

INSTANTIATE_TEST_SUITE_P(PerspectiveAndOrthographic, CameraTest, ::testing::Values(false, true));

TEST(Camera, PerspectiveRaysMeetAtTheEyeOrthographicRaysAreParallel)
{
    Camera c = oblique(false);
    Vector3d const n = c.unproject({10, 10, 0}), far = c.unproject({10, 10, 1});
    EXPECT_NEAR(length(cross(unit(far - n), unit(c.eye - n))), 0, 1e-9);
    // 45 degrees vertically: the top edge at distance d is d * tan(22.5 deg) above the axis.
    c.fov_degrees = 45;
    double const top = dot(c.unproject({320, 0, 1}) - c.eye, c.frame().up);
    EXPECT_NEAR(top, 50 * std::tan(std::numbers::pi / 8), 1e-9);

    c.orthographic = true; // 6 units over 480 pixels
    Vector3d const a = c.unproject({10, 10, 0}), b = c.unproject({10, 10, 1});
    expect_near(unit(b - a), c.frame().forward);
    EXPECT_NEAR(c.project(c.target + c.frame().right).x - 320, 80, 1e-9);
}

TEST(Camera, LookingAlongUpStillHasAFrame)
{
    Camera c;
    c.eye = {5, 10, 5};
    c.target = {5, 0, 5};
    c.orthographic = true;
    c.view_height = 6; // 100 pixels a unit
    // Straight down: +x to the right, +z towards the bottom of the screen.
    expect_near(c.project({6, 0, 5}), {500, 300, (10 - 0.01) / (1000 - 0.01)});
    expect_near(c.project({5, 0, 6}), {400, 400, (10 - 0.01) / (1000 - 0.01)});
}

TEST(Camera, OnlyNumbersThatMakeAViewAreAccepted)
{
    double const inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(oblique(false).problem(), "");
    EXPECT_EQ(oblique(true).problem(), "");
    struct Case {
        void (*change)(Camera&);
        char const* problem;
    };
    for (auto const& [change, problem] : std::vector<Case>{
             {[](Camera& c) { c.height = 0; }, "a view is at least one pixel on a side"},
             {[](Camera& c) { c.eye.z = 2e18; }, "the eye and the target need finite coordinates of at most 1e12"},
             {[](Camera& c) { c.target.x = std::numeric_limits<double>::quiet_NaN(); }, "finite coordinates"},
             {[](Camera& c) { c.up = {}; }, "the up direction must be finite and not zero"},
             {[](Camera& c) { c.up.y = std::numeric_limits<double>::infinity(); }, "the up direction"},
             {[](Camera& c) { c.target = c.eye; }, "the eye and the target must differ, by at least"},
             // Eleven digits out, the eye and the target must stay at least 100 apart.
             {[](Camera& c) { c.eye = {1e11, 0, 0}, c.target = {1e11 + 50, 0, 0}; }, "by at least 100 here"},
             {[](Camera& c) { c.fov_degrees = 179; }, "the field of view must be more than 0 and less than 179"},
             {[](Camera& c) { c.orthographic = true, c.view_height = 1e25; }, "the view height must lie between"},
             {[](Camera& c) { c.orthographic = true, c.view_height = 1e-10; }, "the view height must lie between"},
             {[](Camera& c) { c.near_distance = 0; }, "the near plane must lie more than 0"},
             {[](Camera& c) { c.far_distance = c.near_distance; }, "the far plane must lie beyond the near plane"},
             {[](Camera& c) { c.far_distance = 1e13; }, "the far plane must lie beyond the near plane"},
         }) {
        Camera c = oblique(false);
        change(c);
        EXPECT_NE(c.problem().find(problem), std::string::npos) << c.problem();
    }

    // The viewport keeps its camera when a setter would leave it without a view.
    Component const vc = Component::create("Viewport");
    teskar::Viewport* v = teskar::viewport_of(vc);
    ASSERT_TRUE(v->set_camera(oblique(true)));
    EXPECT_FALSE(v->look_at({0, 0, 2e18}, {0, 0, 0}));
    EXPECT_FALSE(v->look_at({1, 2, 3}, {1, 2, 3}));
    EXPECT_FALSE(v->look_at({0, 0, 5}, {0, 0, 0}, {0, 0, 0}));
    EXPECT_FALSE(v->set_orthographic(1e25));
    EXPECT_FALSE(v->set_perspective(nan));
    EXPECT_FALSE(v->set_clip(0, 10));
    EXPECT_FALSE(v->set_clip(1, inf));
    EXPECT_FALSE(v->set_size(0, 10));
    Camera const kept = v->camera();
    Camera const expected = oblique(true);
    EXPECT_EQ(std::tuple(kept.width, kept.height, kept.eye, kept.target, kept.up, kept.orthographic, kept.view_height,
                         kept.near_distance, kept.far_distance),
              std::tuple(expected.width, expected.height, expected.eye, expected.target, expected.up,
                         expected.orthographic, expected.view_height, expected.near_distance, expected.far_distance));
    // A far plane at or before the near one stands one unit beyond it, as the docs promise.
    EXPECT_TRUE(v->set_clip(2, 1));
    EXPECT_EQ(v->camera().far_distance, 3);
}

TEST(Viewport, ComponentReadsItsCameraFromAttributes)
{
    Component const vc = Component::create("Viewport");
    auto* view = get_interface<ViewportInterface>(vc);
    ASSERT_NE(view, nullptr);
    EXPECT_NEAR(view->project({0, 0, 0}).x, 400, 1e-9); // 800 x 600 by default

    teskar::Viewport* v = teskar::viewport_of(vc);
    v->set_size(200, 100);
    v->look_at({0, 0, -5}, {0, 0, 0});
    v->set_orthographic(2);
    expect_near(view->eye(), {0, 0, -5});
    EXPECT_TRUE(view->orthographic());
    // Looking down +z with y up, +x is on the left: 50 pixels a unit.
    expect_near(view->project({1, 0, 0}), {50, 50, (5 - 0.01) / (1000 - 0.01)});

    teskar::set_active_viewport(vc);
    EXPECT_EQ(app_node()["ActiveViewport"].as_ref(), vc);
    EXPECT_EQ(app_node()["CurrentViewport"].as_ref(), vc);
}
