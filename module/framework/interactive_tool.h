#pragma once

#include "framework/attribute_listener.h"
#include "framework/cloneable.h"

#include "vornsdk/input.h"
#include "vornsdk/tool.h"

#include <cstdint>

namespace VORNSDK {
class GizmoHandle;
}

namespace tolvir {

class Dragger;
struct DragValue;

// One input event as the tool framework keeps it.
struct InputRecord {
    int kind = VORNSDK::kEventNormal;
    std::uint32_t flags = 0;
    VORNSDK::InputDeviceState state;
};

// Base of the module's interactive tools: receives the host's events through
// InteractiveToolInterface and hands each to a hook that a concrete tool overrides.
class InteractiveTool : public Cloneable, public VORNSDK::InteractiveToolInterface, public AttributeListener {
public:
    void* query_interface(VORNSDK::UniqueID const& id) override;

    // Hooks, each empty or neutral unless a tool overrides it.
    virtual void on_activate(VORNSDK::Component const& tool);
    // Whether a tool deactivated before may become active again; otherwise the tool handler's
    // fallback tool takes over.
    virtual bool can_resume();
    virtual void on_deactivate();
    virtual void on_action_pressed(VORNSDK::String const& action);
    virtual void on_action_released(VORNSDK::String const& action);
    virtual void on_draw_first(VORNSDK::DrawInterface& draw);
    virtual void on_draw(VORNSDK::DrawInterface& draw);
    virtual void draw_gizmos(VORNSDK::DrawInterface& draw);
    // Whether the press was handled.
    virtual bool on_button_pressed(InputRecord const& input);
    virtual void on_button_released(InputRecord const& input);
    virtual void on_pointer_moved(InputRecord const& input, float dx, float dy, bool button_down);
    // A dragger for a press on a gizmo handle, or null to let the gizmo make one.
    virtual Dragger* gizmo_query(VORNSDK::GizmoHandle const& handle, InputRecord const& input);
    virtual void on_gizmo_dragged(VORNSDK::GizmoHandle const& handle, DragValue const& value);
    virtual void on_drag_finished(std::uint32_t result);
    virtual void on_screen_drag(DragValue const& value);
    virtual void on_after_release();
    virtual void on_action_center_press(InputRecord const& input);
    virtual void on_host_notification_a(int code);
    virtual void on_host_notification_b(int code);

    // InteractiveToolInterface
    void activate(VORNSDK::Component const& tool) override;
    void deactivate() override;
    void action_pressed(VORNSDK::String const& action) override;
    void action_released(VORNSDK::String const& action) override;
    void draw_first(VORNSDK::DrawInterface& draw) override;
    void draw(VORNSDK::DrawInterface& draw) override;
    bool button_pressed(int kind, VORNSDK::InputDeviceState const& state) override;
    void pointer_moved(int kind, VORNSDK::InputDeviceState const& state) override;
    void button_released(int kind, VORNSDK::InputDeviceState const& state) override;
    void host_notification_a(int code) override;
    void host_notification_b(int code) override;

protected:
    bool active() const { return active_; }
    bool button_down() const { return button_down_; }
    InputRecord const& current_input() const { return current_; }

private:
    InputRecord current_, previous_, pressed_;
    bool button_down_ = false;
    bool active_ = false;
    bool deactivated_ = false;
};

} // namespace tolvir
