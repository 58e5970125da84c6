#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

// The tweak tool, meant to work directly on the point, edge or polygon under the pointer: quick
// edits on modified presses, grab and drag on a plain press. Declared only: its description and
// filter are final, the editing is not written yet; running it fails and activating it hands over
// to the host's fallback tool, each with a message.
class TestTool : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    void activate(VORNSDK::Component const& tool) override;
    bool v_execute(VORNSDK::Context& context) override;
};

} // namespace tolvir
