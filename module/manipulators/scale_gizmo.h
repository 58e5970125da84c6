#pragma once

#include "manipulators/tool_gizmo.h"

#include "vornsdk/attribute.h"

namespace tolvir {

// Changes a scale attribute (three doubles): "center" scales uniformly by horizontal pointer
// motion, one hundredth per pixel; "x", "y", "z" scale along their axes by the distance dragged
// along the axis times the axis factor. The gizmo stands at the position attribute.
class ScaleGizmo : public ToolGizmo {
public:
    ScaleGizmo(VORNSDK::AttributePtr scale, VORNSDK::AttributePtr position, double axis_factor = 1.0);

    Dragger* create_dragger(VORNSDK::GizmoHandle const& handle, VORNSDK::InputDeviceState const& event) override;
    void apply_drag(VORNSDK::GizmoHandle const& handle, DragValue const& value) override;
    void update() override;

private:
    VORNSDK::AttributePtr scale_;
    VORNSDK::AttributePtr position_;
    double axis_factor_;
};

} // namespace tolvir
