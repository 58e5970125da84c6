#pragma once

#include "framework/command.h"

namespace tolvir {

// Turns the selected polygons into a flat disc: the outline moves onto a circle and the inside
// becomes a fan of quads around a new centre vertex.
class CirclifyCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
