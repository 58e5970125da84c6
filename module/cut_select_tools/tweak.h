#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

// Works directly on the point, edge or polygon under the pointer: quick edits on modified presses,
// grab and drag on a plain press.
class TestTool : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
