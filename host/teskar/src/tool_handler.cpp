#include "teskar/tool_handler.h"

#include "teskar/host_plugin.h"

#include "vornsdk/description.h"

#include <utility>

namespace teskar {

using namespace VORNSDK;

namespace {

// The host's resting tool: it takes no events and draws nothing.
class SelectTool : public Plugin, public InteractiveToolInterface {
public:
    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::user_name(), "Select");
        d.add_tag(Description::category(), "InteractiveTool");
        return true;
    }
    void* query_interface(UniqueID const& id) override
    {
        return id == InteractiveToolInterface::iid() ? static_cast<InteractiveToolInterface*>(this) : nullptr;
    }
    void activate(Component const&) override {}
    void deactivate() override {}
    void action_pressed(String const&) override {}
    void action_released(String const&) override {}
    void draw_first(DrawInterface&) override {}
    void draw(DrawInterface&) override {}
    bool button_pressed(int, InputDeviceState const&) override { return false; }
    void pointer_moved(int, InputDeviceState const&) override {}
    void button_released(int, InputDeviceState const&) override {}
    void host_notification_a(int) override {}
    void host_notification_b(int) override {}
};

// A transform for Item::apply_transform: a translation, Euler XYZ angles in radians, the pivot
// it refers to and what it does.
class TranslateTransform : public Plugin {
public:
    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::user_name(), "Translate Transform");
        add_attribute(d, "Translation", Parameter::PT_VECTOR3D, Vector3d{});
        add_attribute(d, "Pivot", Parameter::PT_INT, 0);
        add_attribute(d, "Action", Parameter::PT_INT, 0);
        add_attribute(d, "RotateX", Parameter::PT_DOUBLE, 0.0);
        add_attribute(d, "RotateY", Parameter::PT_DOUBLE, 0.0);
        add_attribute(d, "RotateZ", Parameter::PT_DOUBLE, 0.0);
        return true;
    }
};

// The viewports' snapping grid.
class ViewportGrid : public Plugin {
public:
    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::user_name(), "Viewport Grid");
        add_attribute(d, "GridSize", Parameter::PT_DOUBLE, 1.0);
        return true;
    }
};

// Keeps the handler busy for a scope; a tool that throws while it switches must not leave the
// handler busy for ever.
class Switching {
public:
    explicit Switching(bool& flag) : flag_(flag) { flag_ = true; }
    ~Switching() { flag_ = false; }
    Switching(Switching const&) = delete;
    Switching& operator=(Switching const&) = delete;

private:
    bool& flag_;
};

} // namespace

// Never destroyed: releasing its tool during static destruction would run the tool's code after
// the rest of the host is gone.
ToolHandler& ToolHandler::instance()
{
    static auto* const handler = new ToolHandler;
    return *handler;
}

String ToolHandler::fallback_tool() const { return "Select"; }

void ToolHandler::take_tool(Component const& tool)
{
    if (!get_interface<InteractiveToolInterface>(tool))
        return;
    if (switching_) {
        // Called from inside an activation: the tool being activated gives way to this one.
        if (tool != active_)
            pending_ = tool;
        return;
    }
    if (tool == active_)
        return;
    Switching const busy(switching_);
    Component const old = active_;
    if (auto* current = get_interface<InteractiveToolInterface>(old))
        current->deactivate();
    pending_ = tool;
    while (pending_) {
        active_ = pending_;
        pending_.reset();
        get_interface<InteractiveToolInterface>(active_)->activate(active_);
    }
}

void ToolHandler::drop()
{
    Component const old = std::exchange(active_, Component());
    pending_.reset();
    if (auto* current = get_interface<InteractiveToolInterface>(old)) {
        Switching const busy(switching_);
        current->deactivate();
    }
}

void deactivate_tool() { ToolHandler::instance().drop(); }

void register_tool_components(Registry& registry)
{
    register_host_plugin<SelectTool>(registry, "Select");
    register_host_plugin<TranslateTransform>(registry, "TranslateTransform");
    register_host_plugin<ViewportGrid>(registry, "ViewportGrid");
}

} // namespace teskar

namespace VORNSDK {

ToolHandlerInterface::~ToolHandlerInterface() = default;

ToolHandlerInterface* tool_handler() { return &teskar::ToolHandler::instance(); }

bool activate_tool(Component const& tool)
{
    if (!get_interface<InteractiveToolInterface>(tool))
        return false;
    teskar::ToolHandler::instance().take_tool(tool);
    return true;
}

} // namespace VORNSDK
