#pragma once

#include "vornsdk/component.h"
#include "vornsdk/math.h"

namespace tolvir {

class ToolGizmo;

// Pivot modes of an item.
inline constexpr int kScalePivot = 1;
inline constexpr int kRotatePivot = 2;

// Where an item's scale pivot (mode 1) or rotate pivot (mode 2) stands, in its parent's space.
VORNSDK::Vector3d pivot_position(VORNSDK::Component const& item, int mode);

// Moves the pivot of the first selected item by a drag vector: a "TranslateTransform" handed to
// the gizmo's owner. The vector is turned by the item named in the gizmo's "MotionParent".
void pivot_move(ToolGizmo& gizmo, VORNSDK::Vector3d const& vector, int mode);

} // namespace tolvir
