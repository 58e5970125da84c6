#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

// The range along the spine over which a deformer is to act (none yet).
class AutoRange {};

// Meant to curl the selected part of the active mesh along an arc. Declared only: its attributes
// and key bindings are final, the deformation is not written yet; running it fails and
// activating it hands over to the host's fallback tool, each with a message.
class Bend : public AutoRange, public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    void activate(VORNSDK::Component const& tool) override;
    bool v_execute(VORNSDK::Context& context) override;
};

} // namespace tolvir
