#pragma once

#include "framework/attribute_listener.h"
#include "framework/cloneable.h"
#include "framework/scoped_flag.h"

#include "vornsdk/history.h"
#include "vornsdk/input.h"
#include "vornsdk/notify.h"
#include "vornsdk/tool.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace VORNSDK {
class GizmoHandle;
}

namespace tolvir {

class Dragger;
class ToolGizmo;
struct DragValue;

// One input event as the tool framework keeps it.
struct InputRecord {
    int kind = VORNSDK::kEventNormal;
    std::uint32_t flags = 0;
    VORNSDK::InputDeviceState state;
};

// Base of the module's interactive tools. It receives the host's events through
// InteractiveToolInterface, keeps the input state, runs gizmos and draggers, and hands each event
// to a hook that a concrete tool overrides.
//
// Presses first go to the visible gizmos: a press on a handle starts a drag whose dragger comes
// from gizmo_query or else from the gizmo; each move then feeds the dragger and hands its value to
// on_gizmo_dragged and to the gizmo. Other presses go to on_button_pressed.
class InteractiveTool : public Cloneable, public VORNSDK::InteractiveToolInterface, public AttributeListener {
public:
    InteractiveTool();
    ~InteractiveTool() override;

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
    // Draws every visible gizmo.
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
    // Called before on_button_pressed while the application's "ActionCenter" is 0.
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

    // Gizmos: the tool owns them; each knows the tool as its owner.
    ToolGizmo& add_gizmo(std::unique_ptr<ToolGizmo> gizmo);
    std::vector<std::unique_ptr<ToolGizmo>> const& gizmos() const { return gizmos_; }
    void clear_gizmos();
    void set_gizmos_on(bool on) { gizmos_on_ = on; }
    bool gizmos_on() const { return gizmos_on_; }
    // Recomputes every gizmo's placement.
    void refresh_gizmos();
    // Starts a drag that no gizmo owns: each move goes to on_screen_drag. The tool takes the dragger.
    void start_screen_drag(Dragger* dragger);
    // Applies a transform component to the first selected item (the pivot gizmos' drags).
    void apply_transform(VORNSDK::Component const& transform, bool relative);

    // Hands over to the tool handler's fallback tool: a tool that cannot work calls it while it
    // is being activated, and never becomes the active tool.
    static void hand_over_to_fallback();

    // Fires on activation and deactivation.
    VORNSDK::Signal& activation_signal() { return signal_; }

protected:
    bool active() const { return active_; }
    bool deactivated() const { return deactivated_; }
    bool button_down() const { return button_down_; }
    bool reapply_suppressed() const { return suppressed_; }
    // Suppresses re-application while the returned guard lives.
    [[nodiscard]] ScopedFlag suppress_reapply() { return ScopedFlag(suppressed_); }
    InputRecord const& current_input() const { return current_; }
    InputRecord const& pressed_input() const { return pressed_; }
    // The undo step of the current use of the tool.
    VORNSDK::HistoryTransaction* transaction() const { return transaction_.get(); }
    // Ends the current undo step and opens the next one under the same name.
    void renew_transaction();
    // Offers a press to the gizmos as the framework does before on_button_pressed: for a tool
    // that moves a handle under the pointer and drags it on at once. True when a drag began.
    bool start_gizmo_drag(InputRecord const& input) { return press_gizmos(input); }
    bool dragging() const { return dragger_ != nullptr; }

private:
    void open_transaction();
    void close_transaction();
    void end_drag();
    bool press_gizmos(InputRecord const& input);

    InputRecord current_, previous_, pressed_;
    bool button_down_ = false;
    std::vector<std::unique_ptr<ToolGizmo>> gizmos_;
    std::unique_ptr<Dragger> dragger_;
    ToolGizmo* drag_gizmo_ = nullptr;
    VORNSDK::GizmoHandle* drag_handle_ = nullptr;
    VORNSDK::String action_;
    bool gizmos_on_ = false;
    bool gizmo_drawing_ = true;
    bool deactivated_ = false;
    bool active_ = false;
    bool suppressed_ = false;
    std::unique_ptr<VORNSDK::HistoryTransaction> transaction_;
    VORNSDK::Signal signal_;
    VORNSDK::ScopedConnections connections_;
};

} // namespace tolvir
