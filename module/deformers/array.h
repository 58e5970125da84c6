#pragma once

#include "framework/interactive_modifier.h"

namespace tolvir {

// State shared by the linear and the radial layout.
class ArrayBase {};

// Repeats around an axis.
class RadialArray : public virtual ArrayBase {};

// Repeats on a 3-D grid.
class RectangularArray : public virtual ArrayBase {};

// Repeats the selected geometry or item, linearly or radially, as mesh geometry, instances or
// copies.
class Array : public RadialArray, public RectangularArray, public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
