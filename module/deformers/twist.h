#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

// Turns the selected vertices about the axis from a far point to a near point, by an angle that
// varies linearly between the two ends.
class Twist : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
