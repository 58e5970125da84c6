#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

// The range along the spine over which a deformer acts.
class AutoRange {};

// Curls the selected part of the active mesh along an arc.
class Bend : public AutoRange, public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
