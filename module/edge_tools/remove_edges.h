#pragma once

#include "framework/command.h"

namespace tolvir {

// Removes the edges listed in "EdgeList" by merging the two polygons beside each one.
class RemoveEdges : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
