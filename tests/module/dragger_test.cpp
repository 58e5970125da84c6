#include "manipulator_support.h"

#include "manipulators/dragger.h"

#include "vornsdk/host.h"
#include "vornsdk/scene.h"

#include <cmath>
#include <numbers>

using namespace VORNSDK;
using namespace manip;
using tolvir::DragValue;
using tolvir::LineDragger;
using tolvir::ScreenDragger;
using tolvir::ScreenDragger2d;

namespace {

Matrix4d const kQuarterTurn = Matrix4d::rotation_z(std::numbers::pi / 2);

class DraggerTest : public ManipulatorFixture {
protected:
    void TearDown() override
    {
        app_node()["DisplayTracking"].set_value(true, false);
        ManipulatorFixture::TearDown();
    }
    InputDeviceState ctrl_at(double x, double y) const
    {
        InputDeviceState s = at(x, y);
        s.modifiers.set(kModifierCtrl, true);
        return s;
    }
    static void expect_zero(DragValue const& v)
    {
        EXPECT_EQ(v.step, 0.0);
        EXPECT_EQ(v.total, 0.0);
        EXPECT_EQ(v.step_vector, Vector3d{});
        EXPECT_EQ(v.total_vector, Vector3d{});
    }
};

} // namespace

// The view is orthographic with 100 pixels per unit: pixel x 120 lies over world x 0.2.
TEST_F(DraggerTest, LineDraggerMeasuresAlongTheLineFromThePressOrFromP0)
{
    LineDragger relative(at(120, 100), {0, 0, 0}, {2, 0, 0}, true, true);
    LineDragger absolute(at(120, 100), {0, 0, 0}, {2, 0, 0}, true, false);

    DragValue v = relative.track(at(150, 60)); // off the line: the closest point follows x only
    EXPECT_NEAR(v.step, 0.3, 1e-9);
    expect_near(v.total_vector, {0.3, 0, 0});
    v = relative.track(at(170, 100));
    EXPECT_NEAR(v.step, 0.2, 1e-9);
    EXPECT_NEAR(v.total, 0.5, 1e-9);

    absolute.track(at(150, 100));
    v = absolute.track(at(170, 100));
    EXPECT_NEAR(v.total, 0.7, 1e-9);
    expect_near(v.total_vector, {0.7, 0, 0});
}

TEST_F(DraggerTest, LineSeenAlmostEndOnGivesZeros)
{
    for (Vector3d const tip : {Vector3d{0.1, 0, 1}, Vector3d{0, 0, -1}}) {
        LineDragger d(at(100, 100), {0, 0, 0}, tip, true, true);
        expect_zero(d.track(at(160, 130)));
        expect_zero(d.track(at(20, 10)));
    }
    LineDragger steep(at(100, 100), {0, 0, 0}, {0.3, 0, 1}, true, true); // about 17 degrees
    EXPECT_GT(std::abs(steep.track(at(130, 100)).total), 0.1);
}

TEST_F(DraggerTest, ScreenDraggerMovesInThePlaneThroughTheOriginInFrameAxes)
{
    set_perspective(true);
    // Ten pixels are 1.5 units at distance 15 from the eye, 0.5 at distance 5.
    ScreenDragger far(at(100, 100), {0, 0, -5}, Matrix4d::identity());
    ScreenDragger near(at(100, 100), {0, 0, 5}, Matrix4d::identity());
    ScreenDragger turned(at(100, 100), {0, 0, -5}, kQuarterTurn);

    far.track(at(110, 100));
    DragValue const v = far.track(at(110, 120));
    expect_near(v.step_vector, {0, -3, 0});
    expect_near(v.total_vector, {1.5, -3, 0});
    EXPECT_NEAR(v.total, std::hypot(1.5, 3), 1e-9);
    expect_near(near.track(at(110, 100)).total_vector, {0.5, 0, 0});
    expect_near(turned.track(at(110, 100)).total_vector, {0, -1.5, 0}); // world +x is the frame's -y
}

TEST_F(DraggerTest, ConstrainedScreenDragLocksTheLargestAxisAfterFivePixels)
{
    ScreenDragger d(ctrl_at(100, 100), {0, 0, 0}, Matrix4d::identity());
    expect_zero(d.track(ctrl_at(103, 102)));
    DragValue v = d.track(ctrl_at(110, 97));
    expect_near(v.total_vector, {0.1, 0, 0});
    expect_near(v.step_vector, {0.07, 0, 0});
    // Across the locked axis nothing moves, whatever keys are held now.
    EXPECT_EQ(d.track(at(110, 150)).step, 0.0);
    v = d.track(at(90, 150));
    expect_near(v.total_vector, {-0.1, 0, 0});
    EXPECT_NEAR(v.total, 0.1, 1e-9);

    // The event's constrain flag counts too, and the axes are the frame's; Shift does not count.
    InputDeviceState flagged = at(100, 100), shifted = at(100, 100);
    flagged.flags.set(kFlagConstrain, true);
    shifted.modifiers.set(kModifierShift, true);
    expect_near(ScreenDragger(flagged, {}, kQuarterTurn).track(at(110, 101)).total_vector, {0, -0.1, 0});
    expect_near(ScreenDragger(shifted, {}, Matrix4d::identity()).track(at(103, 102)).total_vector, {0.03, -0.02, 0});
}

TEST_F(DraggerTest, ScreenDragger2dReportsPixelsWithYDown)
{
    ScreenDragger2d d(at(10, 20));
    DragValue v = d.track(at(13, 27));
    EXPECT_EQ(v.step_vector, (Vector3d{3, 7, 0}));
    EXPECT_DOUBLE_EQ(v.total, std::sqrt(58.0));
    v = d.track(at(13, 17));
    EXPECT_EQ(v.step_vector, (Vector3d{0, -10, 0}));
    EXPECT_EQ(v.total_vector, (Vector3d{3, -3, 0}));

    ScreenDragger2d locked(ctrl_at(10, 20));
    expect_zero(locked.track(at(12, 22)));
    EXPECT_EQ(locked.track(at(11, 30)).step_vector, (Vector3d{0, 8, 0}));
    v = locked.track(at(60, 30));
    EXPECT_EQ(v.total_vector, (Vector3d{0, 10, 0}));
}

TEST_F(DraggerTest, FeedbackIsADashedGuideLabelledInSceneUnits)
{
    active_scene()["UnitLength"].set_value(0.01, false);
    active_scene()["DefaultUnitAbreviation"].set_value("cm", false);
    LineDragger line(at(100, 100), {0, 0, 0}, {1, 0, 0}, true, true);
    line.track(at(150, 100));
    DrawRecorder draw;
    line.draw(draw);
    ASSERT_EQ(draw.lines.size(), 1u);
    expect_near(draw.lines[0].b, {0.5, 0, 0});
    EXPECT_NE(draw.lines[0].stipple, 0xFFFF);
    ASSERT_EQ(draw.texts.size(), 1u);
    EXPECT_EQ(draw.texts[0].text, "50cm");

    // A locked screen drag draws only the locked part, labelled half way.
    ScreenDragger locked(ctrl_at(120, 100), {0.2, 0, 0}, Matrix4d::identity());
    locked.track(at(150, 110));
    locked.track(at(150, 140));
    DrawRecorder guide;
    locked.draw(guide);
    ASSERT_EQ(guide.lines.size(), 1u);
    expect_near(guide.lines[0].b, {0.5, 0, 0});
    expect_near(guide.texts[0].a, {0.35, 0, 0}, 1e-6);
    EXPECT_EQ(guide.texts[0].text, "30cm");

    // Nothing is drawn with tracking display off, here or in the preferences.
    line.set_tracking_display(false);
    DrawRecorder off_here, off_in_preferences;
    line.draw(off_here);
    app_node()["DisplayTracking"].set_value(false, false);
    locked.draw(off_in_preferences);
    EXPECT_TRUE(off_here.lines.empty() && off_here.texts.empty());
    EXPECT_TRUE(off_in_preferences.lines.empty() && off_in_preferences.texts.empty());
}
