#pragma once

#include "manipulators/tool_gizmo.h"

namespace tolvir {

// Moves the scale or rotate pivot of the first selected item: a translate gizmo standing at the
// pivot, whose drags go to the owner as pivot moves. With nothing selected it does nothing.
class PivotGizmo : public ToolGizmo {
public:
    Dragger* create_dragger(VORNSDK::GizmoHandle const& handle, VORNSDK::InputDeviceState const& event) override;
    void apply_drag(VORNSDK::GizmoHandle const& handle, DragValue const& value) override;
    void update() override;

protected:
    // mode: kScalePivot or kRotatePivot.
    explicit PivotGizmo(int mode);

private:
    int mode_;
};

class ScalePivotGizmo : public PivotGizmo {
public:
    ScalePivotGizmo();
};

class RotatePivotGizmo : public PivotGizmo {
public:
    RotatePivotGizmo();
};

} // namespace tolvir
