#pragma once

#include "framework/command.h"

namespace tolvir {

// Turns the selected polygons into a flat disc: the outline moves onto a circle and the inside
// becomes a fan of quads around a new centre vertex.
// Outline vertices the ordering cannot reach stay where they are; inner vertices stay in the
// mesh without polygons. An empty polygon selection changes nothing.
class CirclifyCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

} // namespace tolvir
