#pragma once

#include "framework/command.h"

namespace tolvir {

// Sets one coordinate of every selected point, edge end or polygon corner to a value.
// An "Axis" outside 0..2 names no coordinate: the command then leaves the mesh alone.
class SetValue : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

} // namespace tolvir
