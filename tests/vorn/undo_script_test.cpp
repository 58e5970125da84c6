#include "script_fixture.h"

#include "teskar/history.h"
#include "teskar/host_plugin.h"
#include "teskar/kernel.h"

#include "vornsdk/command.h"
#include "vornsdk/history.h"
#include "vornsdk/input.h"
#include "vornsdk/mesh.h"
#include "vornsdk/tool.h"

#include <memory>
#include <stdexcept>

namespace {

using namespace VORNSDK;

void lift_point0(Component const& item)
{
    if (auto* mesh = get_interface<MeshInterface>(item))
        mesh->set_point_position(0, mesh->point_position(0) + Vector3d{0, 1, 0});
}

// Lifts point 0 of every selected mesh, then fails: by answering false, or by throwing when
// "Throw" is set.
class FailingCommand : public Plugin, public ItemCommand {
public:
    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::user_name(), "Failing");
        teskar::add_attribute(d, "Throw", Parameter::PT_BOOL, false);
        return true;
    }
    void* query_interface(UniqueID const& id) override
    {
        return id == CommandInterface::iid() ? static_cast<ItemCommand*>(this) : nullptr;
    }
    bool execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool) override
    {
        lift_point0(item.component());
        if (attribute("Throw").as_bool())
            throw std::runtime_error("the edit broke down");
        return false;
    }
};

// A tool with an undo step of its own that lifts point 0 of the selected mesh on each press, and
// throws after lifting it on a press with shift held.
class LiftTool : public Plugin, public InteractiveToolInterface {
public:
    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::category(), "InteractiveTool");
        return true;
    }
    void* query_interface(UniqueID const& id) override
    {
        return id == InteractiveToolInterface::iid() ? static_cast<InteractiveToolInterface*>(this) : nullptr;
    }
    void activate(Component const&) override
    {
        step_ = std::make_unique<HistoryTransaction>("Lift");
        History::instance().set_current_transaction(step_.get());
    }
    void deactivate() override { step_.reset(); }
    bool button_pressed(int, InputDeviceState const& s) override
    {
        lift_point0(current_selection().front());
        if (s.modifiers.test(kModifierShift))
            throw std::runtime_error("the lift broke down");
        return true;
    }
    void action_pressed(String const&) override {}
    void action_released(String const&) override {}
    void draw_first(DrawInterface&) override {}
    void draw(DrawInterface&) override {}
    void pointer_moved(int, InputDeviceState const&) override {}
    void button_released(int, InputDeviceState const&) override {}
    void host_notification_a(int) override {}
    void host_notification_b(int) override {}

private:
    std::unique_ptr<HistoryTransaction> step_;
};

class UndoScriptTest : public ScriptTest {
protected:
    static void SetUpTestSuite()
    {
        ScriptTest::SetUpTestSuite();
        auto& registry = teskar::Kernel::instance().registry();
        if (!registry.find("FailingCommand"))
            teskar::register_host_plugin<FailingCommand>(registry, "FailingCommand");
        if (!registry.find("LiftTool"))
            teskar::register_host_plugin<LiftTool>(registry, "LiftTool");
    }
    static std::vector<std::string> redo_names() { return teskar::UndoHistory::instance().redo_names(); }
    static double height_of_point0() { return mesh("g")->point_position(0).y; }
};

} // namespace

TEST_F(UndoScriptTest, UndoWhileAToolIsActiveTakesBackTheToolsLastEdit)
{
    // With polygon 3 selected, a click makes Insert Loop cut the ring through it, within the tool's
    // open step. Undo takes that back, not the selection; the tool goes on working.
    auto out = run_json("new grid g 4 4 2\ncamera 0 5 0 0 0 0 ortho 2.5\nmode polygons\nselect polygons 3\n"
                        "tool InsertLoop\nhover 292 120\npress 292 120\nrelease 292 120\ninfo\nundo\ninfo\n"
                        "press 292 120\nrelease 292 120\ninfo\ndrop\nundo\ninfo\nundo\ninfo\n");
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0]["points"], 27);
    EXPECT_EQ(out[0]["selected_polygons"], nlohmann::json::parse("[3,16]"));
    EXPECT_EQ(out[1]["points"], 25);
    EXPECT_EQ(out[1]["selected_polygons"], nlohmann::json::parse("[3]"));
    EXPECT_EQ(out[2]["points"], 27);
    EXPECT_EQ(out[3]["points"], 25);
    EXPECT_EQ(out[3]["selected_polygons"], nlohmann::json::parse("[3]"));
    EXPECT_EQ(out[4]["selected_polygons"], nlohmann::json::parse("[]"));
    EXPECT_EQ(undo_names(), (std::vector<std::string>{"New Grid", "Selection Mode"}));
}

TEST_F(UndoScriptTest, AFailedOrThrowingCommandLeavesSceneAndListsAsTheyWere)
{
    std::string const prelude = "new grid g 1 1\nmode points\nselect points 1\nundo\n";
    for (char const* line : {"run FailingCommand", "run FailingCommand Throw=true"}) {
        SCOPED_TRACE(line);
        Outcome const o = run(prelude + line + "\n");
        EXPECT_EQ(o.code, 1);
        EXPECT_NE(o.err.find("test.vs:5: "), std::string::npos) << o.err;
        EXPECT_EQ(height_of_point0(), 0.0);
        EXPECT_EQ(undo_names(), (std::vector<std::string>{"New Grid", "Selection Mode"}));
        EXPECT_EQ(redo_names(), std::vector<std::string>{"Select Points"});
    }
    // While a tool is active, the command's changes would join the tool's step: they are taken
    // back alone, and the tool's step is left with nothing.
    Outcome const in_tool = run("new grid g 1 1\ntool InsertLoop\nrun FailingCommand\n");
    EXPECT_EQ(in_tool.code, 1);
    EXPECT_EQ(height_of_point0(), 0.0);
    EXPECT_EQ(undo_names(), std::vector<std::string>{"New Grid"});
}

TEST_F(UndoScriptTest, AToolThatThrowsLeavesTheSceneAsBeforeItsStep)
{
    Outcome const o = run("new grid g 1 1\ntool LiftTool\npress 0 0\nrelease 0 0\npress 0 0 shift\n");
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err, "test.vs:5: the lift broke down\n");
    EXPECT_EQ(height_of_point0(), 0.0);
    EXPECT_EQ(undo_names(), std::vector<std::string>{"New Grid"});
}
