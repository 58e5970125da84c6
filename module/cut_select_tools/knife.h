#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

// The knife, meant to cut the selected meshes along the plane through a line drawn in the
// viewport and the point it is seen from. Declared only: its attributes and key bindings are
// final, the cut is not written yet; running it fails and activating it hands over to the host's
// fallback tool, each with a message saying so.
class Knife : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    void activate(VORNSDK::Component const& tool) override;
    bool v_execute(VORNSDK::Context& context) override;
};

} // namespace tolvir
