#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/input.h"
#include "vornsdk/math.h"
#include "vornsdk/string.h"
#include "vornsdk/unique_id.h"

namespace VORNSDK {

class DrawInterface;

// Event kinds handed with input events.
inline constexpr int kEventNormal = 0;
// A press the host only records (the tool does not act on it).
inline constexpr int kEventRecordOnly = 1;

// What the host calls on the active interactive tool.
class VORNSDK_API InteractiveToolInterface {
public:
    VORNSDK_INTERFACE_ID("5a2e9c44-7d13-4b6a-a8f0-3e4d5c6b7a01")
    virtual void activate(Component const& tool) = 0;
    virtual void deactivate() = 0;
    virtual void action_pressed(String const& action) = 0;
    virtual void action_released(String const& action) = 0;
    virtual void draw_first(DrawInterface& draw) = 0;
    virtual void draw(DrawInterface& draw) = 0;
    virtual bool button_pressed(int kind, InputDeviceState const& state) = 0;
    virtual void pointer_moved(int kind, InputDeviceState const& state) = 0;
    virtual void button_released(int kind, InputDeviceState const& state) = 0;
    virtual void host_notification_a(int code) = 0;
    virtual void host_notification_b(int code) = 0;
    virtual Vector3d point() const { return {}; }
    virtual ~InteractiveToolInterface();
};

} // namespace VORNSDK

namespace VORNSDK {

// The host's keeper of the active tool.
class VORNSDK_API ToolHandlerInterface {
public:
    virtual ~ToolHandlerInterface();
    // Whether the handler is in the middle of switching tools.
    virtual bool busy() const = 0;
    // Brings the handler back to its resting state.
    virtual void settle() = 0;
    // The type name of the tool to fall back to when a tool cannot run.
    virtual String fallback_tool() const = 0;
    // Makes a tool component the active tool (the current one is deactivated first).
    virtual void take_tool(Component const& tool) = 0;
    // The active tool, or null.
    virtual Component active_tool() const = 0;
};

VORNSDK_API ToolHandlerInterface* tool_handler();
// Makes the tool active; false when it is not an interactive tool.
VORNSDK_API bool activate_tool(Component const& tool);

} // namespace VORNSDK
