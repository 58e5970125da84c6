#include "framework/interactive_tool.h"

#include "manipulators/dragger.h"
#include "manipulators/tool_gizmo.h"

#include "vornsdk/attribute.h"
#include "vornsdk/description.h"
#include "vornsdk/gizmo.h"
#include "vornsdk/host.h"
#include "vornsdk/scene.h"
#include "vornsdk/viewport.h"

namespace tolvir {

using namespace VORNSDK;

InteractiveTool::InteractiveTool() = default;

InteractiveTool::~InteractiveTool()
{
    connections_.clear();
    close_transaction();
}

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
bool InteractiveTool::on_button_pressed(InputRecord const&) { return false; }
void InteractiveTool::on_button_released(InputRecord const&) {}
void InteractiveTool::on_pointer_moved(InputRecord const&, float, float, bool) {}
Dragger* InteractiveTool::gizmo_query(GizmoHandle const&, InputRecord const&) { return nullptr; }
void InteractiveTool::on_gizmo_dragged(GizmoHandle const&, DragValue const&) {}
void InteractiveTool::on_drag_finished(std::uint32_t) {}
void InteractiveTool::on_screen_drag(DragValue const&) {}
void InteractiveTool::on_after_release() {}
void InteractiveTool::on_action_center_press(InputRecord const&) {}

void InteractiveTool::draw_gizmos(DrawInterface& draw)
{
    for (auto const& g : gizmos_)
        if (g->is_visible() && g->gizmo())
            g->gizmo()->draw(draw, current_.state.viewport);
}

void InteractiveTool::on_host_notification_a(int code)
{
    if (code < 3)
        if (auto* handler = tool_handler(); handler && !handler->busy())
            handler->settle();
}

void InteractiveTool::on_host_notification_b(int code)
{
    if (code != 0 && code != 2)
        return;
    auto* handler = tool_handler();
    if (!handler || handler->busy() || !Plugin::in_context(FilterContext{active_scene(), selection_mode()}))
        return;
    Component const fresh = Component::create(component_type());
    if (fresh)
        activate_tool(fresh);
}

ToolGizmo& InteractiveTool::add_gizmo(std::unique_ptr<ToolGizmo> gizmo)
{
    gizmo->set_owner(this);
    gizmos_.push_back(std::move(gizmo));
    return *gizmos_.back();
}

void InteractiveTool::clear_gizmos()
{
    end_drag();
    gizmos_.clear();
}

void InteractiveTool::refresh_gizmos()
{
    for (auto const& g : gizmos_)
        g->update();
}

void InteractiveTool::start_screen_drag(Dragger* dragger)
{
    dragger_.reset(dragger);
    drag_gizmo_ = nullptr;
    drag_handle_ = nullptr;
}

void InteractiveTool::apply_transform(Component const& transform, bool relative)
{
    ComponentList const selection = current_selection();
    if (selection.empty())
        return;
    if (auto* item = get_interface<SceneItemInterface>(selection.front()))
        item->apply_transform(transform, relative);
}

void InteractiveTool::open_transaction()
{
    auto const* d = description();
    String const name = d ? d->value(Description::user_name()).as_string() : String();
    transaction_ = std::make_unique<HistoryTransaction>(name.is_null() ? component_type() : name);
    History::instance().set_current_transaction(transaction_.get());
}

void InteractiveTool::close_transaction()
{
    if (!transaction_)
        return;
    if (History::instance().current_transaction() == transaction_.get())
        History::instance().set_current_transaction(nullptr);
    transaction_.reset();
}

void InteractiveTool::renew_transaction()
{
    auto const* old = transaction_.get();
    String const name = old ? old->name() : component_type();
    auto next = std::make_unique<HistoryTransaction>(name);
    History::instance().set_current_transaction(next.get());
    // The old transaction closes here, which ends its undo step.
    transaction_ = std::move(next);
}

// The tool keeps no handle of its own component: the host holds it while the tool is active,
// and a handle here would keep the tool alive for ever.
void InteractiveTool::activate(Component const& tool)
{
    if (AttributePtr const center = app_node()["ActionCenter"]; center.valid())
        connections_.add(center.connect([this](Parameter const&) { refresh_gizmos(); }));
    if (deactivated_ && !can_resume()) {
        // A tool that cannot pick up where it left hands over to the fallback tool.
        connections_.clear();
        hand_over_to_fallback();
        return;
    }
    active_ = true;
    open_transaction();
    signal_.fire(Parameter());
    on_activate(tool);
    refresh_gizmos();
}

void InteractiveTool::hand_over_to_fallback()
{
    if (auto* handler = tool_handler())
        if (Component const fallback = Component::create(handler->fallback_tool()))
            handler->take_tool(fallback);
}

void InteractiveTool::end_drag()
{
    if (drag_handle_)
        drag_handle_->set_state(0);
    dragger_.reset();
    drag_gizmo_ = nullptr;
    drag_handle_ = nullptr;
}

void InteractiveTool::deactivate()
{
    dragger_.reset();
    show_cursor(true);
    if (button_down_)
        button_released(current_.kind, current_.state);
    end_drag();
    current_ = previous_ = pressed_ = InputRecord();
    on_deactivate();
    signal_.fire(Parameter());
    deactivated_ = true;
    active_ = false;
    connections_.clear();
    ComponentList const selection = current_selection();
    DirtyRegions::make_completely_dirty(selection.empty() ? active_scene() : selection.front());
    close_transaction();
}

void InteractiveTool::action_pressed(String const& action)
{
    action_ = action;
    on_action_pressed(action);
    DirtyRegions::redraw_viewports(active_scene());
}

void InteractiveTool::action_released(String const& action)
{
    on_action_released(action);
    action_ = String();
    DirtyRegions::redraw_viewports(active_scene());
}

void InteractiveTool::draw_first(DrawInterface& d) { on_draw_first(d); }

void InteractiveTool::draw(DrawInterface& d)
{
    on_draw(d);
    if (gizmos_on_)
        draw_gizmos(d);
    if (gizmo_drawing_ && dragger_)
        dragger_->draw(d);
}

bool InteractiveTool::press_gizmos(InputRecord const& input)
{
    double const x = input.state.pointer_x(), y = input.state.pointer_y();
    for (auto const& g : gizmos_) {
        if (!g->is_visible() || !g->gizmo())
            continue;
        GizmoHandle* handle = g->gizmo()->handle_at(input.state.viewport, x, y);
        if (!handle)
            continue;
        ToolGizmo* owner = g.get();
        for (auto const& candidate : gizmos_)
            if (candidate->component() == handle->gizmo())
                owner = candidate.get();
        Dragger* dragger = gizmo_query(*handle, input);
        if (!dragger)
            dragger = owner->create_dragger(*handle, input.state);
        if (!dragger)
            continue;
        end_drag();
        dragger_.reset(dragger);
        drag_gizmo_ = owner;
        drag_handle_ = handle;
        handle->set_state(3);
        owner->begin_drag(*handle, input.state);
        button_down_ = true;
        return true;
    }
    return false;
}

bool InteractiveTool::button_pressed(int kind, InputDeviceState const& state)
{
    if (button_down_)
        return true;
    current_ = previous_ = pressed_ = InputRecord{kind, 0, state};
    if (kind == kEventRecordOnly)
        return false;
    if (gizmos_on_ && press_gizmos(current_))
        return true;
    if (AttributePtr const center = app_node()["ActionCenter"]; center.valid() && center.as_int() == 0)
        on_action_center_press(current_);
    bool const handled = on_button_pressed(current_);
    button_down_ = true;
    return handled;
}

void InteractiveTool::pointer_moved(int kind, InputDeviceState const& state)
{
    current_ = InputRecord{kind, 0, state};
    if (dragger_ && drag_gizmo_) {
        DragValue const value = dragger_->track(state);
        on_gizmo_dragged(*drag_handle_, value);
        drag_gizmo_->apply_drag(*drag_handle_, value);
    } else if (dragger_) {
        on_screen_drag(dragger_->track(state));
    } else {
        on_pointer_moved(current_, static_cast<float>(current_.state.pointer_x() - previous_.state.pointer_x()),
                         static_cast<float>(current_.state.pointer_y() - previous_.state.pointer_y()), button_down_);
    }
    previous_ = current_;
}

void InteractiveTool::button_released(int kind, InputDeviceState const& state)
{
    current_ = InputRecord{kind, 0, state};
    button_down_ = false;
    show_cursor(true);
    if (dragger_) {
        if (drag_gizmo_) {
            drag_gizmo_->end_drag(*drag_handle_);
            on_drag_finished(0);
        } else {
            on_after_release();
        }
        end_drag();
    }
    on_button_released(current_);
}

void InteractiveTool::host_notification_a(int code) { on_host_notification_a(code); }
void InteractiveTool::host_notification_b(int code) { on_host_notification_b(code); }

} // namespace tolvir
