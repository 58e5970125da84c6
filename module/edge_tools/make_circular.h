#pragma once

#include "framework/command.h"

namespace tolvir {

// Turns each region of selected polygons joined through shared sides into a flat disc: the
// region's outline moves onto a circle about its centre, through the outline point nearest to
// the centre, and the region becomes a fan of quads around a new centre point that keeps the
// region's material and selection; points inside the region that no polygon uses any more are
// removed. A region whose outline is not one simple closed loop (a closed surface, a region with
// a hole, an outline through a point twice) stays as it was, and the host shows a message.
class CirclifyCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

} // namespace tolvir
