#pragma once

#include "framework/command.h"

namespace tolvir {

// Removes the selected edges, or the edges inside a selected polygon region, merging the polygons
// beside them and dropping the vertices that only served those edges.
// In polygon mode it dissolves the edges inside the selected region and leaves the host in edge
// mode.
class BandGlueCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

} // namespace tolvir
