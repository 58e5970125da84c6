#pragma once

#include "framework/command.h"
#include "framework/interactive_modifier.h"

namespace tolvir {

// Selects or deselects items, points, edges or polygons inside a shape drawn over a viewport.
class LassoSelect : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

// Applies a stored lasso outline to an item, so that a lasso selection can be replayed.
class LassoCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
