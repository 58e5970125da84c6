#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

// The state to be shared by the linear and the radial layout (none yet).
class ArrayBase {};

// The radial layout, repeating around an axis (declared only).
class RadialArray : public virtual ArrayBase {};

// The linear layout, repeating on a 3-D grid (declared only).
class RectangularArray : public virtual ArrayBase {};

// Meant to repeat the selected geometry or item, linearly or radially, as mesh geometry,
// instances or copies. Declared only: its description and filter are final, the repetition is
// not written yet; running it fails and activating it hands over to the host's fallback tool,
// each with a message.
class Array : public RadialArray, public RectangularArray, public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    void activate(VORNSDK::Component const& tool) override;
    bool v_execute(VORNSDK::Context& context) override;
};

} // namespace tolvir
