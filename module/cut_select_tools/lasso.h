#pragma once

#include "framework/command.h"
#include "framework/interactive_modifier.h"

namespace tolvir {

// The lasso, meant to select or deselect items, points, edges or polygons inside a shape drawn
// over a viewport. Declared only: its description is final, the selection is not written yet;
// running it fails and activating it hands over to the host's fallback tool, each with a message.
class LassoSelect : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    void activate(VORNSDK::Component const& tool) override;
    bool v_execute(VORNSDK::Context& context) override;
};

// Meant to apply a stored lasso outline to an item, so that a lasso selection can be replayed.
// Declared only: running it fails with a message.
class LassoCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool v_execute(VORNSDK::Context& context) override;
};

} // namespace tolvir
