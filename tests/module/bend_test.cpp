#include "deformer_fixture.h"

#include "deformers/bend.h"
#include "deformers/bend_points.h"
#include "deformers/sin_cos.h"

#include "vornsdk/host.h"

#include <numbers>
#include <random>
#include <vector>

using namespace VORNSDK;
using tolvir::BendParameters;

namespace {

constexpr double kPi = std::numbers::pi;

BendParameters column_bend(double angle, double length)
{
    BendParameters b;
    b.angle = angle;
    b.length = length;
    return b;
}

} // namespace

TEST(SinCos, MatchesTheLibraryOverItsRange)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> small(-10, 10), large(-tolvir::kSinCosLimit, tolvir::kSinCosLimit);
    for (int k = 0; k < 200000; ++k) {
        double const t = k % 2 ? small(rng) : large(rng);
        double s, c;
        tolvir::sin_cos(t, s, c);
        double const tolerance = 2.5e-16 * std::max(1.0, std::abs(t) / 1000);
        ASSERT_NEAR(s, std::sin(t), tolerance) << t;
        ASSERT_NEAR(c, std::cos(t), tolerance) << t;
    }
}

TEST(BendPoints, AngleZeroLeavesPointsExactlyAndPiCurlsAColumnIntoAHalfCircle)
{
    Vector3d const p{0.3, 1.7, -0.2};
    EXPECT_EQ(tolvir::bend_point(column_bend(0, 2), p), p);
    EXPECT_EQ(tolvir::bend_point(column_bend(0.0009, 2), p), p);
    EXPECT_EQ(tolvir::bend_point(column_bend(1, 0), p), p);

    // A column of height L on the spine: radius R = L / pi, the circle's centre at (R, 0).
    double const height = 3, radius = height / kPi;
    BendParameters const bend = column_bend(kPi, height);
    for (int k = 0; k <= 10; ++k) {
        double const y = height * k / 10;
        Vector3d const q = tolvir::bend_point(bend, {0, y, 0});
        EXPECT_NEAR(length(q - Vector3d{radius, 0, 0}), radius, 1e-12) << y;
        EXPECT_NEAR(std::atan2(q.y, radius - q.x), kPi * y / height, 1e-12) << y;
        EXPECT_EQ(q.z, 0.0);
    }
    expect_close(tolvir::bend_point(bend, {0, height, 0}), {2 * radius, 0, 0});
    // A point off the spine keeps its distance from it along the radius.
    expect_close(tolvir::bend_point(bend, {0.5, height / 2, 0}), {radius, radius - 0.5, 0});
}

TEST(BendPoints, DirectionFrameStartAndNoClampBeyondTheRange)
{
    BendParameters bend = column_bend(kPi / 2, 1);
    double const r = 2 / kPi;
    // The direction turns the bend around the spine: a quarter turn curls towards z.
    bend.twist = kPi / 2;
    expect_close(tolvir::bend_point(bend, {0, 1, 0}), {0, r, r});
    // Beyond the range the turn goes on at the same rate: twice the length turns twice as far.
    bend.twist = 0;
    expect_close(tolvir::bend_point(bend, {0, 2, 0}), {2 * r, 0, 0});
    expect_close(tolvir::bend_point(bend, {0, -1, 0}), {r, -r, 0});
    // The frame of axis 1 (columns 1 and 2 exchanged) runs the spine along z, from the start.
    bend.frame = Matrix4d{{1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1}};
    bend.start = {5, 5, 5};
    expect_close(tolvir::bend_point(bend, {5, 5, 6}), {5 + r, 5, 5 + r});
}

TEST(BendPoints, ManyPointsBendAsOneDoesEvenPastTheFastSinesRange)
{
    BendParameters bend = column_bend(1.3, 0.5);
    bend.twist = 0.4;
    bend.start = {0.1, -0.2, 0.3};
    bend.frame = Matrix4d::rotation_axis({1, 2, 3}, 0.7);
    std::vector<Vector3d> points;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> coordinate(-2, 2);
    for (int k = 0; k < 1000; ++k)
        points.push_back({coordinate(rng), coordinate(rng), coordinate(rng)});
    // Turns far past the range of the branch-free sine take the library's: one in a block.
    points[700] = {0, 1e6, 0};
    std::vector<Vector3d> bent = points;
    tolvir::bend_points(bend, bent);
    for (std::size_t k = 0; k < points.size(); ++k)
        ASSERT_EQ(bent[k], tolvir::bend_point(bend, points[k])) << k;
    // A projective frame takes the divide on every point.
    bend.frame.m[14] = 0.1;
    bent = points;
    tolvir::bend_points(bend, bent);
    EXPECT_EQ(bent[3], tolvir::bend_point(bend, points[3]));
}

class BendToolTest : public DeformerFixture {};

TEST_F(BendToolTest, ActivationTakesTheRangeFromTheSelectionAndDragsSetTheAngleAndDirection)
{
    make_strip(2, 4);
    std::string const original = state();
    auto& bend = start<tolvir::Bend>("Bend");
    EXPECT_EQ(tool["axis"].as_int(), 0);
    EXPECT_EQ(tool["bmin"].as_Vector3d(), (Vector3d{-0.1, 0, 0}));
    EXPECT_EQ(tool["bmax"].as_Vector3d(), (Vector3d{0.1, 2, 0}));
    EXPECT_EQ(tool["start"].as_Vector3d(), (Vector3d{0, 0, 0}));
    EXPECT_EQ(tool["end"].as_Vector3d(), (Vector3d{0, 2, 0}));
    EXPECT_EQ(tool["trans"].as_Matrix4d(), Matrix4d::identity());
    EXPECT_EQ(state(), original);

    // 50 pixels to the right add 1.0 rad (away from the gizmo on the strip's foot).
    drag(20, 20, 50);
    EXPECT_NEAR(tool["angle"].as_double(), 1.0, 1e-12);
    EXPECT_NEAR(tool["origin"].as_Vector3d().x, -2.0, 1e-12);
    // The strip's right top corner, at x = 0.1 on the spine's height 2: radius 2, turned by 1 rad.
    expect_close(mesh->point_position(9), {2 - 1.9 * std::cos(1.0), 1.9 * std::sin(1.0), 0});
    drag(20, 20, 25);
    EXPECT_NEAR(tool["angle"].as_double(), 1.5, 1e-12);
    // The right button turns the direction; the angle stays.
    drag(20, 20, -25, kButtonRight);
    EXPECT_NEAR(tool["twist"].as_double(), -0.5, 1e-12);
    EXPECT_NEAR(tool["angle"].as_double(), 1.5, 1e-12);
    EXPECT_NE(mesh->point_position(9).z, 0.0);
    EXPECT_TRUE(valid(*mesh));
    // While "Snaps" is held, drags turn in steps of 15 degrees.
    events().action_pressed("Snaps");
    EXPECT_TRUE(bend.snapping());
    drag(20, 20, 10);
    EXPECT_NEAR(tool["angle"].as_double(), kPi / 2, 1e-12);
}

TEST_F(BendToolTest, TheGizmoMovesTheStartAndAChangeOfAxisTurnsTheFrame)
{
    make_strip(2, 4);
    start<tolvir::Bend>("Bend");
    // The gizmo's centre box stands on the start, at the world origin: pixel (100, 100), where
    // the z axis, seen end on, wins; beside it the box does.
    drag(103, 97, 30);
    expect_close(tool["start"].as_Vector3d(), {0.3, 0, 0});

    tool["axis"].set_value(1);
    Matrix4d const frame = tool["trans"].as_Matrix4d();
    EXPECT_EQ(frame, (Matrix4d{{1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1}}));
    // The spine now runs along z through the middle of the box: the flat strip has no length there.
    EXPECT_EQ(tool["start"].as_Vector3d(), (Vector3d{0, 1, 0}));
    EXPECT_EQ(tool["end"].as_Vector3d(), (Vector3d{0, 1, 0}));
    tool["axis"].set_value(2);
    EXPECT_EQ(tool["trans"].as_Matrix4d(), (Matrix4d{{0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}));
    EXPECT_EQ(tool["start"].as_Vector3d(), (Vector3d{-0.1, 1, 0}));
}

TEST_F(BendToolTest, APressWithTheRangeUnsetLaysTheSpineUpTheScreenFromTheFrontOfTheSelection)
{
    make_band();
    start<tolvir::Bend>("Bend");
    tool["set"].set_value(false);
    // The pixel (150, 170) looks down -z at x = 0.5, y = -0.7: the band's front face is at z = 1.
    drag(150, 170, 0);
    EXPECT_TRUE(tool["set"].as_bool());
    expect_close(tool["start"].as_Vector3d(), {0.5, -0.7, 1});
    expect_close(tool["end"].as_Vector3d(), {0.5, 1, 1});
    EXPECT_EQ(tool["angle"].as_double(), 0.0);
    Matrix4d frame = tool["trans"].as_Matrix4d();
    EXPECT_EQ(frame, Matrix4d::identity());
    // Pressed above the band, the range is as long as the band is high.
    tool["set"].set_value(false);
    drag(150, -50, 0);
    expect_close(tool["start"].as_Vector3d(), {0.5, 1.5, 1});
    expect_close(tool["end"].as_Vector3d(), {0.5, 2.5, 1});
}

TEST_F(BendToolTest, RunAsACommandTheRangeComesFromTheSelection)
{
    make_strip(2, 4);
    set_selection_mode(kSelectPoints);
    for (Index p : {4u, 5u, 6u, 7u, 8u, 9u})
        mesh->set_point_selection(p, true);
    Component const command = Component::create("Bend");
    command["angle"].set_value(kPi / 2, false);
    command["axis"].set_value(0, false);
    EXPECT_TRUE(execute(command));
    // The selection runs from y = 1 to 2: the range starts at 1 and turns by a quarter over 1.
    EXPECT_EQ(mesh->point_position(0), (Vector3d{-0.1, 0, 0}));
    double const r = 2 / kPi;
    expect_close(mesh->point_position(9), {r, 1 + r - 0.1, 0});
}
