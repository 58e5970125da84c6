#pragma once

#include "framework/command.h"

#include <optional>

namespace tolvir {

// Removes the selected edges, or the edges inside a selected polygon region, merging the polygons
// beside them and dropping the vertices that only served those edges.
// In polygon mode it dissolves the edges inside the selected region and leaves the host in edge
// mode. Every item of one run is dissolved in the selection mode the run started in, and the host
// commands it runs see that item only.
class BandGlueCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_selection(VORNSDK::ComponentList const& items) override;
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;

private:
    // The selection mode when the run over the selected items began.
    std::optional<int> mode_;
};

} // namespace tolvir
