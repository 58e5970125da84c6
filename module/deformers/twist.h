#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

// Meant to turn the selected vertices about the axis from a far point to a near point, by an
// angle that varies linearly between the two ends. Declared only: its attributes and key bindings
// are final, the deformation is not written yet; running it fails and activating it hands over to
// the host's fallback tool, each with a message.
class Twist : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    void activate(VORNSDK::Component const& tool) override;
    bool v_execute(VORNSDK::Context& context) override;
};

} // namespace tolvir
