#include "manipulator_support.h"

#include "framework/interactive_modifier.h"
#include "manipulators/gizmo_library.h"
#include "manipulators/rotate_gizmo_hpb.h"
#include "manipulators/scale_gizmo.h"
#include "manipulators/translate_gizmo.h"

#include "vornsdk/scene.h"

#include <memory>
#include <numbers>

using namespace VORNSDK;
using namespace manip;
using tolvir::Dragger;
using tolvir::ToolGizmo;

namespace {

constexpr double kPi = std::numbers::pi;

// A tool to stand as a gizmo's owner.
class OwnerTool : public tolvir::InteractiveModifier {
public:
    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::category(), "InteractiveTool");
        return true;
    }
};

void expect_matrix_near(Matrix4d const& actual, Matrix4d const& expected)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual.m[i], expected.m[i], 1e-9) << "element " << i;
}

class GizmoTest : public ManipulatorFixture {
protected:
    static void SetUpTestSuite()
    {
        ManipulatorFixture::SetUpTestSuite();
        auto& registry = teskar::Kernel::instance().registry();
        if (!registry.find("ManipulatorOwner"))
            teskar::register_host_plugin<OwnerTool>(registry, "ManipulatorOwner");
    }

    // One drag on a handle of the gizmo, from the press through each pointer position in turn.
    void drag(ToolGizmo& gizmo, char const* part, std::initializer_list<std::pair<double, double>> path)
    {
        GizmoPart const* p = gizmo.gizmo()->find_part(part);
        ASSERT_TRUE(p) << part;
        PartHandle const handle(gizmo.component(), *p);
        auto it = path.begin();
        InputDeviceState const press = at(it->first, it->second);
        std::unique_ptr<Dragger> dragger(gizmo.create_dragger(handle, press));
        ASSERT_TRUE(dragger);
        gizmo.begin_drag(handle, press);
        for (++it; it != path.end(); ++it)
            gizmo.apply_drag(handle, dragger->track(at(it->first, it->second)));
        gizmo.end_drag(handle);
    }

    Vector3d vec(char const* name) const { return target[name].as_Vector3d(); }
};

} // namespace

TEST_F(GizmoTest, TranslateCenterMovesInTheScreenPlaneAndAnAxisAlongItself)
{
    target["position"].set_value(Vector3d{0, 0, 0.5}, false);
    tolvir::TranslateGizmo gizmo(target["position"], target["orientation"]);
    gizmo.update();

    drag(gizmo, "center", {{100, 100}, {130, 80}, {140, 80}});
    expect_near(vec("position"), {0.4, 0.2, 0.5});

    gizmo.update();
    drag(gizmo, "x", {{140, 80}, {170, 40}, {160, 150}});
    expect_near(vec("position"), {0.6, 0.2, 0.5});
}

TEST_F(GizmoTest, WorldModeOrNoSelectionKeepsTheWorldAxes)
{
    Matrix4d const turn = Matrix4d::rotation_z(kPi / 2);
    get_interface<SceneItemInterface>(item)->set_placement(Matrix4d::translation({3, 0, 0}) * turn *
                                                           Matrix4d::scaling({2, 2, 2}));
    tolvir::TranslateGizmo gizmo(target["position"], target["orientation"]);

    gizmo.update();
    expect_matrix_near(gizmo.gizmo()->placement(), Matrix4d::identity());
    expect_matrix_near(tolvir::gizmo_orientation(active_scene(), AttributePtr()), Matrix4d::identity());

    // In the item's axes, only the turn is taken; "x" then runs along world y.
    target["orientation"].set_value("Local", false);
    gizmo.update();
    expect_matrix_near(gizmo.gizmo()->placement(), turn);
    PartHandle const x(gizmo.component(), *gizmo.gizmo()->find_part("x"));
    std::unique_ptr<Dragger> along(gizmo.create_dragger(x, at(100, 100)));
    EXPECT_NEAR(along->track(at(150, 100)).total, 0.0, 1e-9);
    EXPECT_NEAR(along->track(at(150, 70)).total, 0.3, 1e-9);

    clear_selection();
    gizmo.update();
    expect_matrix_near(gizmo.gizmo()->placement(), Matrix4d::identity());
}

// As the deformer tools use it: a plain holder that ignores presses and stands where the tool
// puts it, at the placement times the gizmo's own size, however often it is put there.
TEST_F(GizmoTest, BasicGizmoIgnoresPressesAndKeepsItsOwnMatrixWithoutCompounding)
{
    tolvir::BasicGizmo gizmo(tolvir::make_translate_gizmo());
    PartHandle const center(gizmo.component(), *gizmo.gizmo()->find_part("center"));
    EXPECT_EQ(gizmo.create_dragger(center, at(100, 100)), nullptr);

    gizmo.gizmo()->set_matrix(Matrix4d::scaling({0.5, 0.5, 0.5}));
    gizmo.set_transform(Matrix4d::translation({1, 2, 0}));
    gizmo.set_transform(Matrix4d::translation({1, 2, 0}));
    expect_matrix_near(gizmo.gizmo()->placement(), Matrix4d::translation({1, 2, 0}));
    expect_matrix_near(gizmo.gizmo()->matrix(), Matrix4d::scaling({0.5, 0.5, 0.5}));
    expect_near(transform_point(gizmo.gizmo()->find_part("x")->placement(), {1, 0, 0}), {1.5, 2, 0});
}

TEST_F(GizmoTest, ScaleCenterAddsOneHundredthPerPixelAndAxesTheirDistance)
{
    tolvir::ScaleGizmo uniform(target["scale"], target["position"]);
    drag(uniform, "center", {{100, 100}, {150, 130}, {200, 60}});
    expect_near(vec("scale"), {2, 2, 2});
    EXPECT_FALSE(teskar::Kernel::instance().cursor_visible());

    // Half a unit up the y axis, doubled by the axis factor.
    tolvir::ScaleGizmo axis(target["scale"], target["position"], 2.0);
    axis.update();
    drag(axis, "y", {{100, 100}, {130, 50}});
    expect_near(vec("scale"), {2, 3, 2});
}

TEST_F(GizmoTest, RingDragsTurnOneAnglePerHandle)
{
    tolvir::RotateGizmoHpb gizmo(target["rotation"], target["position"]);
    EXPECT_DOUBLE_EQ(gizmo.sensitivity(), 1.0);

    drag(gizmo, "h", {{100, 100}, {120, 130}, {140, 160}}); // vertical motion does not count
    expect_near(vec("rotation"), {1, 0, 0});
    EXPECT_FALSE(teskar::Kernel::instance().cursor_visible());
    drag(gizmo, "p", {{100, 100}, {170, 140}}); // pitch follows vertical motion
    expect_near(vec("rotation"), {1, 1, 0});
    gizmo.set_sensitivity(0.5);
    drag(gizmo, "b", {{100, 100}, {20, 100}});
    expect_near(vec("rotation"), {1, 1, -1});
}

TEST_F(GizmoTest, CenterTurnsAboutTheViewAxisOnlyForAnOwnedGizmo)
{
    tolvir::RotateGizmoHpb gizmo(target["rotation"], target["position"]);
    drag(gizmo, "center", {{100, 100}, {100, 140}});
    expect_near(vec("rotation"), {0, 0, 0});

    // Looking down -z, the view axis is +z: the turn is a bank. Each step counts from the press.
    Component const tool = Component::create("ManipulatorOwner");
    gizmo.set_owner(dynamic_cast<tolvir::InteractiveTool*>(tool.plugin()));
    drag(gizmo, "center", {{100, 100}, {100, 120}, {100, 140}});
    expect_near(vec("rotation"), {0, 0, 1});

    // From a heading of a quarter turn, the same turn becomes a pitch.
    target["rotation"].set_value(Vector3d{kPi / 2, 0, 0}, false);
    drag(gizmo, "center", {{100, 100}, {100, 140}});
    expect_near(vec("rotation"), {kPi / 2, -1, 0});
}

TEST_F(GizmoTest, HeadingPitchBankTurnAboutYXZ)
{
    Vector3d const hpb{0.3, -0.7, 1.2};
    expect_matrix_near(tolvir::hpb_rotation(hpb),
                       Matrix4d::rotation_y(0.3) * Matrix4d::rotation_x(-0.7) * Matrix4d::rotation_z(1.2));
    expect_near(tolvir::hpb_angles(tolvir::hpb_rotation(hpb), {}), hpb);
    // The angles nearest the previous ones, not the principal ones.
    expect_near(tolvir::hpb_angles(tolvir::hpb_rotation({-3.0, 0, 0}), {3.5, 0, 0}), {2 * kPi - 3.0, 0, 0});
}
