#pragma once

#include "manipulators/dragger.h"

#include "vornsdk/attribute.h"
#include "vornsdk/component.h"
#include "vornsdk/gizmo.h"
#include "vornsdk/input.h"
#include "vornsdk/math.h"

namespace tolvir {

class InteractiveTool;

// The on-screen manipulator of a tool: a host "Gizmo" component that draws the handles and finds
// the one under the pointer, plus what a press on a handle does: which dragger follows the
// pointer and how its values change the tool's attributes.
class ToolGizmo {
public:
    // gizmo is the host "Gizmo" component holding the parts.
    explicit ToolGizmo(VORNSDK::Component gizmo, VORNSDK::Matrix4d const& placement = VORNSDK::Matrix4d::identity());
    ToolGizmo(ToolGizmo const&) = delete;
    ToolGizmo& operator=(ToolGizmo const&) = delete;
    virtual ~ToolGizmo();

    // A new dragger for a press on a handle, owned by the caller; null: the press does nothing.
    virtual Dragger* create_dragger(VORNSDK::GizmoHandle const& handle, VORNSDK::InputDeviceState const& event) = 0;
    virtual void begin_drag(VORNSDK::GizmoHandle const& handle, VORNSDK::InputDeviceState const& event);
    virtual void apply_drag(VORNSDK::GizmoHandle const& handle, DragValue const& value) = 0;
    virtual void end_drag(VORNSDK::GizmoHandle const& handle);
    // Recomputes the placement from the gizmo's attributes and hands it to the gizmo component.
    virtual void update();

    VORNSDK::Component const& component() const { return component_; }
    VORNSDK::GizmoInterface* gizmo() const { return gizmo_; }
    VORNSDK::Matrix4d const& placement() const { return placement_; }
    void show() { visible_ = true; }
    void hide() { visible_ = false; }
    bool is_visible() const { return visible_; }
    void set_owner(InteractiveTool* owner) { owner_ = owner; }
    InteractiveTool* owner() const { return owner_; }
    // Takes a new placement and updates the gizmo.
    void set_transform(VORNSDK::Matrix4d const& placement);

protected:
    // Hands a placement to the gizmo component, keeping the component's own scale and rotation
    // (its matrix is decomposed and recomposed before the placement is applied).
    void place(VORNSDK::Matrix4d const& placement);

    VORNSDK::Matrix4d placement_;
    VORNSDK::Component component_;
    VORNSDK::GizmoInterface* gizmo_ = nullptr;
    InteractiveTool* owner_ = nullptr;
    bool visible_ = true;
};

// The gizmo that ignores presses: no dragger, no attribute change.
class BasicGizmo : public ToolGizmo {
public:
    using ToolGizmo::ToolGizmo;
    Dragger* create_dragger(VORNSDK::GizmoHandle const&, VORNSDK::InputDeviceState const&) override { return nullptr; }
    void apply_drag(VORNSDK::GizmoHandle const&, DragValue const&) override {}
};

} // namespace tolvir
