#include "deformer_fixture.h"

#include "deformers/twist.h"
#include "deformers/twist_points.h"
#include "manipulators/tool_gizmo.h"

#include <memory>
#include <numbers>
#include <random>
#include <vector>

using namespace VORNSDK;
using tolvir::TwistParameters;

namespace {

constexpr double kPi = std::numbers::pi;

Vector3d turned(Vector3d const& p, Vector3d const& through, Vector3d const& axis, double angle)
{
    return transform_point(Matrix4d::translation(through) * Matrix4d::rotation_axis(axis, angle) *
                               Matrix4d::translation(-through),
                           p);
}

} // namespace

TEST(TwistPoints, EqualEndAnglesTurnRigidlyAndEachEndTurnsByItsAngleBeyondIt)
{
    TwistParameters twist{{1, 0, 2}, {1, 3, 2}, 0.8, 0.8};
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> coordinate(-4, 4);
    for (int k = 0; k < 100; ++k) {
        Vector3d const p{coordinate(rng), coordinate(rng), coordinate(rng)};
        expect_close(tolvir::twist_point(twist, p), turned(p, twist.far, {0, 1, 0}, 0.8));
    }
    // "twist_near" turns the far end, "twist_far" the near end, and each holds beyond its end.
    twist.twist_far = 1.5;
    twist.twist_near = -0.5;
    for (double y : {-2.0, 0.0})
        expect_close(tolvir::twist_point(twist, {2, y, 2}), turned({2, y, 2}, twist.far, {0, 1, 0}, -0.5));
    for (double y : {3.0, 7.0})
        expect_close(tolvir::twist_point(twist, {2, y, 2}), turned({2, y, 2}, twist.far, {0, 1, 0}, 1.5));
    expect_close(tolvir::twist_point(twist, {2, 1.5, 2}), turned({2, 1.5, 2}, twist.far, {0, 1, 0}, 0.5));
    // No turn, or an axis without length, leaves points exactly where they are.
    EXPECT_EQ(tolvir::twist_point({{1, 0, 2}, {1, 3, 2}, 0, 0}, {0.1, 0.2, 0.3}), (Vector3d{0.1, 0.2, 0.3}));
    EXPECT_EQ(tolvir::twist_point({{1, 0, 2}, {1, 0, 2}, 1, 1}, {0.1, 0.2, 0.3}), (Vector3d{0.1, 0.2, 0.3}));
}

TEST(TwistPoints, ManyPointsTwistAsOneDoes)
{
    TwistParameters const twist{{0.2, -1, 0.3}, {1, 2, -0.5}, 2.5, -1.25};
    std::vector<Vector3d> points;
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> coordinate(-3, 3);
    for (int k = 0; k < 700; ++k)
        points.push_back({coordinate(rng), coordinate(rng), coordinate(rng)});
    std::vector<Vector3d> twisted = points;
    tolvir::twist_points(twist, twisted);
    for (std::size_t k = 0; k < points.size(); ++k)
        ASSERT_EQ(twisted[k], tolvir::twist_point(twist, points[k])) << k;
}

class TwistToolTest : public DeformerFixture {};

TEST_F(TwistToolTest, DragsTurnTheFarEndAndEachRingOnlyItsOwnEnd)
{
    make_strip(2, 4);
    auto& twist = start<tolvir::Twist>("Twist");
    // The axis runs along the box's longest side: from the top (far) down to the foot (near).
    EXPECT_EQ(tool["far"].as_Vector3d(), (Vector3d{0, 2, 0}));
    EXPECT_EQ(tool["near"].as_Vector3d(), (Vector3d{0, 0, 0}));
    EXPECT_TRUE(twist.range_mode());
    EXPECT_FALSE(twist.gizmos_on());

    events().action_pressed("Mode");
    EXPECT_FALSE(twist.range_mode());
    EXPECT_TRUE(twist.gizmos_on());
    // 20 pixels to the right add 1.0 rad to "twist_near", which turns the far end: the top row.
    drag(20, 20, 20);
    EXPECT_NEAR(tool["twist_near"].as_double(), 1.0, 1e-6);
    double const angle = tool["twist_near"].as_double();
    expect_close(mesh->point_position(9), turned({0.1, 2, 0}, {0, 2, 0}, {0, -1, 0}, angle));
    EXPECT_EQ(mesh->point_position(1), (Vector3d{0.1, 0, 0}));
    // With Ctrl held, the drag snaps to whole quarter turns.
    InputDeviceState press = with_button(20, 20, kButtonLeft), move = with_button(32, 20, kButtonLeft);
    move.button = -1;
    move.modifiers.set(kModifierCtrl, true);
    events().button_pressed(kEventNormal, press);
    events().pointer_moved(kEventNormal, move);
    events().button_released(kEventNormal, press);
    EXPECT_NEAR(tool["twist_near"].as_double(), kPi / 2, 1e-12);

    // The ring of "twist_far" stands at the near end: 57 pixels turn it, and only it, by 1.0 rad.
    tolvir::ToolGizmo const& far_ring = *twist.gizmos()[0];
    manip::PartHandle const handle(far_ring.component(), *far_ring.gizmo()->find_part("far"));
    std::unique_ptr<tolvir::Dragger> dragger(twist.gizmo_query(handle, {kEventNormal, 0, at(50, 50)}));
    ASSERT_TRUE(dragger);
    tolvir::DragValue value;
    value.total_vector = {57, 0, 0};
    twist.on_gizmo_dragged(handle, value);
    EXPECT_NEAR(tool["twist_far"].as_double(), 1.0, 1e-12);
    EXPECT_NEAR(tool["twist_near"].as_double(), kPi / 2, 1e-12);
    expect_close(mesh->point_position(1), turned({0.1, 0, 0}, {0, 2, 0}, {0, -1, 0}, 1.0));
    expect_close(mesh->point_position(9), turned({0.1, 2, 0}, {0, 2, 0}, {0, -1, 0}, kPi / 2));
}

TEST_F(TwistToolTest, APressInRangeModeLaysTheAxisAlongTheViewRayFarEndNearestTheEye)
{
    make_band();
    auto& twist = start<tolvir::Twist>("Twist");
    tool["twist_far"].set_value(0.3);
    // The pixel (150, 50) looks down -z at x = 0.5, y = 0.5 through the band's faces at z = 1 and 0.
    events().button_pressed(kEventNormal, with_button(150, 50, kButtonLeft));
    expect_close(tool["far"].as_Vector3d(), {0.5, 0.5, 1});
    expect_close(tool["near"].as_Vector3d(), {0.5, 0.5, 0});
    EXPECT_EQ(tool["twist_far"].as_double(), 0.0);
    EXPECT_TRUE(twist.range_mode());
    events().button_released(kEventNormal, with_button(150, 50, kButtonLeft));
    EXPECT_FALSE(twist.range_mode());
    EXPECT_TRUE(twist.gizmos_on());
}
