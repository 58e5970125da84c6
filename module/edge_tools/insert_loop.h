#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

// Inserts edge loops across the ring of quads under the pointer, or removes the loop under it.
class EdgeOps : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
