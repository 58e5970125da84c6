#include "framework/interactive_tool.h"

namespace tolvir {

using namespace VORNSDK;

void* InteractiveTool::query_interface(UniqueID const& id)
{
    if (id == InteractiveToolInterface::iid())
        return static_cast<InteractiveToolInterface*>(this);
    if (id == AttributeListenerInterface::iid())
        return static_cast<AttributeListener*>(this);
    return Cloneable::query_interface(id);
}

void InteractiveTool::on_activate(Component const&) {}
bool InteractiveTool::can_resume() { return false; }
void InteractiveTool::on_deactivate() {}
void InteractiveTool::on_action_pressed(String const&) {}
void InteractiveTool::on_action_released(String const&) {}
void InteractiveTool::on_draw_first(DrawInterface&) {}
void InteractiveTool::on_draw(DrawInterface&) {}
void InteractiveTool::draw_gizmos(DrawInterface&) {}
bool InteractiveTool::on_button_pressed(InputRecord const&) { return false; }
void InteractiveTool::on_button_released(InputRecord const&) {}
void InteractiveTool::on_pointer_moved(InputRecord const&, float, float, bool) {}
Dragger* InteractiveTool::gizmo_query(GizmoHandle const&, InputRecord const&) { return nullptr; }
void InteractiveTool::on_gizmo_dragged(GizmoHandle const&, DragValue const&) {}
void InteractiveTool::on_drag_finished(std::uint32_t) {}
void InteractiveTool::on_screen_drag(DragValue const&) {}
void InteractiveTool::on_after_release() {}
void InteractiveTool::on_action_center_press(InputRecord const&) {}
void InteractiveTool::on_host_notification_a(int) {}
void InteractiveTool::on_host_notification_b(int) {}

void InteractiveTool::activate(Component const& tool)
{
    if (deactivated_ && !can_resume())
        return;
    active_ = true;
    on_activate(tool);
}

void InteractiveTool::deactivate()
{
    on_deactivate();
    active_ = false;
    deactivated_ = true;
}

void InteractiveTool::action_pressed(String const& action) { on_action_pressed(action); }
void InteractiveTool::action_released(String const& action) { on_action_released(action); }
void InteractiveTool::draw_first(DrawInterface& d) { on_draw_first(d); }
void InteractiveTool::draw(DrawInterface& d) { on_draw(d); }

bool InteractiveTool::button_pressed(int kind, InputDeviceState const& state)
{
    if (button_down_)
        return true;
    current_ = previous_ = pressed_ = InputRecord{kind, 0, state};
    if (kind == kEventRecordOnly)
        return false;
    bool const handled = on_button_pressed(current_);
    button_down_ = true;
    return handled;
}

void InteractiveTool::pointer_moved(int kind, InputDeviceState const& state)
{
    current_ = InputRecord{kind, 0, state};
    on_pointer_moved(current_, static_cast<float>(current_.state.pointer_x() - previous_.state.pointer_x()),
                     static_cast<float>(current_.state.pointer_y() - previous_.state.pointer_y()), button_down_);
    previous_ = current_;
}

void InteractiveTool::button_released(int kind, InputDeviceState const& state)
{
    current_ = InputRecord{kind, 0, state};
    button_down_ = false;
    on_button_released(current_);
}

void InteractiveTool::host_notification_a(int code) { on_host_notification_a(code); }
void InteractiveTool::host_notification_b(int code) { on_host_notification_b(code); }

} // namespace tolvir
