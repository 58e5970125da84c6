#pragma once

#include "framework/command.h"

namespace tolvir {

// Removes the selected edges, or the edges inside a selected polygon region, merging the polygons
// beside them and dropping the vertices that only served those edges.
class BandGlueCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
};

} // namespace tolvir
