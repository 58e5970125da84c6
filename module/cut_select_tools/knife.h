#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

// Cuts the selected meshes along the plane through a line drawn in the viewport and the point it
// is seen from.
class Knife : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
