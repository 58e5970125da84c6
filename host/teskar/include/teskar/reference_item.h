#pragma once

#include "teskar/mesh.h"
#include "teskar/registry.h"
#include "teskar/scene.h"

namespace teskar {

// A scene item that shows another item's mesh at its own placement ("ReferenceItem"): an
// instance. Its attribute "ReferencedItem" (a reference) names the item shown. It has no mesh of
// its own, so mesh edits and mesh tools never reach it; the scene draws and picks it with the
// shown mesh, and it follows every edit of that mesh.
class ReferenceItem : public Item {
public:
    static bool describe(VORNSDK::ComponentDescription& d);
    char const* kind() const override { return "ReferenceItem"; }
    // The box of the shown mesh, in this item's space.
    void local_bounding_box(VORNSDK::Vector3d& min, VORNSDK::Vector3d& max) const override;
    // The item named by "ReferencedItem"; null when none.
    VORNSDK::Component referenced() const;
};

// The mesh an item shows: its own, or for a reference item the mesh of the item it refers to,
// following references in turn. Null for an item that shows no mesh, such as a reference to
// nothing or one of a loop of references.
Mesh const* shown_mesh(VORNSDK::Component const& item);

void register_reference_item(Registry& registry);

} // namespace teskar
