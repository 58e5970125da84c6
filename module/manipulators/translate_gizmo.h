#pragma once

#include "manipulators/tool_gizmo.h"

#include "vornsdk/attribute.h"

namespace tolvir {

// Moves a position attribute (three doubles): "center" in the screen plane, "x", "y", "z" along
// their axes. The axes follow the orientation attribute ("World" or another mode, see
// gizmo_orientation).
class TranslateGizmo : public ToolGizmo {
public:
    TranslateGizmo(VORNSDK::AttributePtr position, VORNSDK::AttributePtr orientation = {});

    Dragger* create_dragger(VORNSDK::GizmoHandle const& handle, VORNSDK::InputDeviceState const& event) override;
    void apply_drag(VORNSDK::GizmoHandle const& handle, DragValue const& value) override;
    void update() override;

private:
    VORNSDK::Matrix4d orientation() const;

    VORNSDK::AttributePtr position_;
    VORNSDK::AttributePtr orientation_;
};

} // namespace tolvir
