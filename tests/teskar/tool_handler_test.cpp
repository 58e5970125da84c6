#include "teskar/history.h"
#include "teskar/host_plugin.h"
#include "teskar/kernel.h"
#include "teskar/scene.h"
#include "teskar/tool_handler.h"

#include "vornsdk/attribute.h"
#include "vornsdk/context.h"
#include "vornsdk/host.h"
#include "vornsdk/tool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace VORNSDK;

namespace {

// A tool that logs its activations, the handler's busy state during them, and which may refuse
// to start by handing the handler the fallback tool.
class LogTool : public Plugin, public InteractiveToolInterface {
public:
    static inline std::vector<std::string> log;
    static inline bool refuse = false;

    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::category(), "InteractiveTool");
        teskar::add_attribute(d, "Name", Parameter::PT_STRING, "");
        return true;
    }
    void* query_interface(UniqueID const& id) override
    {
        return id == InteractiveToolInterface::iid() ? static_cast<InteractiveToolInterface*>(this) : nullptr;
    }
    void activate(Component const& tool) override
    {
        note("activate", tool == component());
        if (refuse)
            tool_handler()->take_tool(Component::create(tool_handler()->fallback_tool()));
    }
    void deactivate() override { note("deactivate", true); }
    void action_pressed(String const&) override {}
    void action_released(String const&) override {}
    void draw_first(DrawInterface&) override {}
    void draw(DrawInterface&) override {}
    bool button_pressed(int, InputDeviceState const&) override { return false; }
    void pointer_moved(int, InputDeviceState const&) override {}
    void button_released(int, InputDeviceState const&) override {}
    void host_notification_a(int) override {}
    void host_notification_b(int) override {}

private:
    void note(char const* what, bool own)
    {
        log.push_back(std::string(what) + " " + attribute("Name").as_string().to_utf8() +
                      (tool_handler()->busy() ? " busy" : "") + (own ? "" : " foreign"));
    }
};

Component make_tool(char const* name)
{
    Component const c = Component::create("LogTool");
    c["Name"].set_value(name, false);
    return c;
}

class ToolHandlerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { teskar::register_host_plugin<LogTool>(teskar::Kernel::instance().registry(), "LogTool"); }
    void SetUp() override
    {
        teskar::deactivate_tool();
        LogTool::log.clear();
        LogTool::refuse = false;
    }
    void TearDown() override { teskar::deactivate_tool(); }
};

} // namespace

TEST_F(ToolHandlerTest, TakingAToolDeactivatesTheCurrentOneFirst)
{
    Component const a = make_tool("a"), b = make_tool("b");
    EXPECT_TRUE(activate_tool(a));
    EXPECT_TRUE(activate_tool(b));
    EXPECT_TRUE(activate_tool(b)); // already active: nothing happens
    EXPECT_EQ(LogTool::log, (std::vector<std::string>{"activate a busy", "deactivate a busy", "activate b busy"}));
    EXPECT_EQ(tool_handler()->active_tool(), b);
    EXPECT_FALSE(tool_handler()->busy());

    EXPECT_FALSE(activate_tool(Component::create("Object")));
    EXPECT_EQ(tool_handler()->active_tool(), b);

    teskar::deactivate_tool();
    EXPECT_EQ(LogTool::log.back(), "deactivate b busy");
    EXPECT_FALSE(tool_handler()->active_tool().valid());
}

TEST_F(ToolHandlerTest, AToolThatCannotStartGivesWayToTheFallback)
{
    EXPECT_EQ(tool_handler()->fallback_tool(), String("Select"));
    Component const a = make_tool("a");
    activate_tool(a);
    LogTool::refuse = true;
    activate_tool(make_tool("b"));
    // b is replaced without a deactivation, since it never started.
    EXPECT_EQ(LogTool::log, (std::vector<std::string>{"activate a busy", "deactivate a busy", "activate b busy"}));
    EXPECT_EQ(tool_handler()->active_tool().component_type(), String("Select"));
    EXPECT_FALSE(tool_handler()->busy());
}

TEST(ToolSupport, ItemsAnswerTheirPivotAndPlacementMatrices)
{
    teskar::new_scene();
    Component const item = Component::create("Object");
    teskar::scene_of(active_scene())->add_item(item);
    Matrix4d const placement = Matrix4d::translation({1, 2, 3}) * Matrix4d::rotation_z(0.5);
    teskar::item_of(item)->set_placement(placement);
    EXPECT_EQ(item["LocalToParentMatrix"].as_Matrix4d(), placement);
    Context to_pivot;
    to_pivot.set_custom_parameter("Pivot", 1);
    to_pivot.set_custom_parameter("ToPivot", 4);
    EXPECT_EQ(item["LocalToParentMatrix"].value(to_pivot).as_Matrix4d(), Matrix4d::identity());
    EXPECT_EQ(item["Name"].as_string(), String("")); // other attributes read as stored

    // A translate transform handed to the item moves it.
    Component const move = Component::create("TranslateTransform");
    move["Translation"].set_value(Vector3d{0, 0, 5}, false);
    move["Pivot"].set_value(1, false);
    teskar::item_of(item)->apply_transform(move, true);
    EXPECT_EQ(teskar::item_of(item)->placement().translation_part(), (Vector3d{1, 2, 8}));
}
