#include "module_fixture.h"

#include "framework/interactive_modifier.h"
#include "framework/pivot.h"
#include "manipulators/pivot_gizmos.h"

#include "teskar/host_plugin.h"

#include "vornsdk/host.h"

#include <stdexcept>

using namespace VORNSDK;

namespace {

// A modifier that lifts every point of the selected meshes by "height" and logs its hooks; above
// a height of 10 it throws after lifting the first point.
class Lift : public tolvir::InteractiveModifier {
public:
    static inline std::vector<std::string> log;
    static inline int applies = 0;

    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::category(), "InteractiveTool");
        d.add_tag(Description::user_name(), "Lift");
        teskar::add_attribute(d, "height", Parameter::PT_DOUBLE, 0.0);
        teskar::add_attribute(d, "label", Parameter::PT_STRING, "start");
        return true;
    }
    void apply(ComponentInterfaceReferenceT<SceneItemInterface> const& item) override
    {
        ++applies;
        auto* mesh = get_interface<MeshInterface>(item.component());
        double const h = attribute("height").as_double();
        for (Index p : mesh->points()) {
            mesh->set_point_position(p, mesh->point_position(p) + Vector3d{0, h, 0});
            if (h > 10)
                throw std::runtime_error("too high");
        }
    }
    bool on_button_pressed(tolvir::InputRecord const&) override
    {
        log.push_back("press");
        return true;
    }
    void on_button_released(tolvir::InputRecord const&) override { log.push_back("release"); }
    void on_deactivate() override { log.push_back("deactivate"); }
    void do_commit() { commit(); }
};

InputDeviceState at(double x, double y, int button = -1)
{
    InputDeviceState s;
    s.x = float(x);
    s.y = float(y);
    s.position_valid = kPositionXValid | kPositionYValid;
    s.button = button;
    if (button >= 0)
        s.buttons.set(button, true);
    return s;
}

class InteractiveToolTest : public ModuleFixture {
protected:
    static void SetUpTestSuite()
    {
        ModuleFixture::SetUpTestSuite();
        static bool const registered =
            (teskar::register_host_plugin<Lift>(teskar::Kernel::instance().registry(), "Lift"), true);
        (void)registered;
    }
    void SetUp() override
    {
        ModuleFixture::SetUp();
        Lift::log.clear();
        Lift::applies = 0;
        make_grid(1, 1);
        tool = Component::create("Lift");
        iface = get_interface<InteractiveToolInterface>(tool);
        lift = static_cast<Lift*>(tool.plugin());
    }
    double height_of_point0() const { return mesh->point_position(0).y; }

    Component tool;
    InteractiveToolInterface* iface = nullptr;
    Lift* lift = nullptr;
};

} // namespace

TEST_F(InteractiveToolTest, AttributeChangesReapplyFromTheRestoredMeshWithinOneUndoStep)
{
    Component const second = Component::create("SceneObject");
    teskar::scene_of(active_scene())->add_item(second);
    teskar::mesh_of(second)->add_point({0, 0, 0});
    add_to_selection(second);
    std::string const original = state();

    iface->activate(tool);
    tool["height"].set_value(2.0);
    EXPECT_EQ(Lift::applies, 2); // once per selected mesh
    tool["height"].set_value(3.0);
    EXPECT_EQ(height_of_point0(), 3.0); // not 5: the second run started from the restored mesh
    EXPECT_EQ(teskar::mesh_of(second)->point_position(0).y, 3.0);
    auto& history = teskar::UndoHistory::instance();
    EXPECT_TRUE(history.undo_names().empty());
    iface->deactivate();
    EXPECT_EQ(history.undo_names(), std::vector<std::string>{"Lift"});
    history.undo();
    EXPECT_EQ(state(), original);
}

TEST_F(InteractiveToolTest, AnInactiveToolDoesNotReapply)
{
    tool["height"].set_value(2.0);
    EXPECT_EQ(Lift::applies, 0);
    iface->activate(tool);
    iface->deactivate();
    tool["height"].set_value(4.0);
    EXPECT_EQ(Lift::applies, 0);
    EXPECT_EQ(height_of_point0(), 0.0);
}

TEST_F(InteractiveToolTest, CommitClosesTheStepAndResetsAttributes)
{
    iface->activate(tool);
    tool["label"].set_value("clicked", false);
    tool["height"].set_value(1.0);
    lift->do_commit();
    EXPECT_EQ(tool["height"].as_double(), 0.0);
    EXPECT_EQ(tool["label"].as_string(), String("start"));
    EXPECT_EQ(height_of_point0(), 1.0); // the reset did not re-apply over the committed edit
    tool["height"].set_value(0.5);
    EXPECT_EQ(height_of_point0(), 1.5);
    iface->deactivate();
    auto& history = teskar::UndoHistory::instance();
    EXPECT_EQ(history.undo_names(), (std::vector<std::string>{"Lift", "Lift"}));
    history.undo();
    EXPECT_EQ(height_of_point0(), 1.0);
}

TEST_F(InteractiveToolTest, ARecordOnlyOrSecondPressIsSwallowedAndDeactivationReleasesFirst)
{
    iface->activate(tool);
    EXPECT_FALSE(iface->button_pressed(kEventRecordOnly, at(1, 1, kButtonLeft)));
    EXPECT_TRUE(iface->button_pressed(kEventNormal, at(10, 10, kButtonLeft)));
    EXPECT_TRUE(iface->button_pressed(kEventNormal, at(12, 10, kButtonRight)));
    iface->pointer_moved(kEventNormal, at(20, 10, kButtonLeft));
    iface->deactivate();
    EXPECT_EQ(Lift::log, (std::vector<std::string>{"press", "release", "deactivate"}));
}

TEST_F(InteractiveToolTest, RunningAsACommandAppliesOnceAsItsOwnUndoStep)
{
    tool["height"].set_value(2.0, false);
    EXPECT_TRUE(execute(tool));
    EXPECT_EQ(height_of_point0(), 2.0);
    EXPECT_EQ(teskar::UndoHistory::instance().undo_names(), std::vector<std::string>{"Lift"});
}

TEST_F(InteractiveToolTest, AReapplyThatThrowsTakesBackTheToolsStepAndTheToolGoesOn)
{
    std::string const original = state();
    iface->activate(tool);
    tool["height"].set_value(2.0);
    EXPECT_THROW(tool["height"].set_value(20.0), std::runtime_error);
    EXPECT_EQ(state(), original);
    tool["height"].set_value(1.0);
    EXPECT_EQ(height_of_point0(), 1.0);
    iface->deactivate();
    auto& history = teskar::UndoHistory::instance();
    EXPECT_EQ(history.undo_names(), std::vector<std::string>{"Lift"});
    history.undo();
    EXPECT_EQ(state(), original);
}

TEST_F(InteractiveToolTest, APivotDragIsPartOfTheToolsUndoStep)
{
    iface->activate(tool);
    auto& gizmo = lift->add_gizmo(std::make_unique<tolvir::ScalePivotGizmo>());
    tolvir::pivot_move(gizmo, {0, 0, 1}, tolvir::kScalePivot);
    tolvir::pivot_move(gizmo, {2, 0, 0}, tolvir::kScalePivot);
    auto* placed = get_interface<SceneItemInterface>(item);
    EXPECT_EQ(placed->placement().translation_part(), (Vector3d{2, 0, 1}));
    iface->deactivate();
    auto& history = teskar::UndoHistory::instance();
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(placed->placement(), Matrix4d::identity());
    history.redo();
    EXPECT_EQ(placed->placement().translation_part(), (Vector3d{2, 0, 1}));
}
