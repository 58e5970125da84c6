#pragma once

#include "framework/command.h"

namespace tolvir {

// Splits a mesh item into its connected pieces, each a new scene item under one new group.
//
// The pieces travel through the clipboard as mesh text; the group is named "New Container" and
// the pieces after the source item ("Box_1", "Box_2", ...). A selection made before joins the
// first piece. The source item leaves the hierarchy with its polygons, its selection cleared.
class BreakCommand : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

} // namespace tolvir
