#pragma once

#include "framework/command.h"

#include "vornsdk/mesh.h"

namespace tolvir {

// Removes the edges listed in "EdgeList" by merging the two polygons beside each one.
// Edges are taken one at a time against the mesh as the earlier merges left it; an edge that
// does not exist, lies on a border, or whose polygons cannot be merged is skipped, and the list
// ends at its first malformed entry.
class RemoveEdges : public Command {
public:
    static bool describe(VORNSDK::ComponentDescription& description);
    bool execute_item(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item,
                      bool world) override;
};

// Merges polygon q into polygon p across the chain of sides they share, which disappears but
// for its two end points; p keeps its index and q is removed, and so are the points inside the
// chain that no polygon uses any more. False, with nothing changed, when
// the shared vertices do not form one unbroken run of at least two vertices (and not all of the
// smaller polygon), or when the merged cycle would be invalid.
bool merge_polygons(VORNSDK::MeshInterface& mesh, VORNSDK::Index p, VORNSDK::Index q);

} // namespace tolvir
