#pragma once

#include "teskar/registry.h"

#include "vornsdk/picking.h"
#include "vornsdk/plugin.h"

#include <cstddef>
#include <cstdint>

namespace teskar {

class Mesh;

// The host's "Picking" component. A pick casts the view ray through the point, from depth 0 to
// depth 1 of the point's viewport, against the mesh items of the active scene, and reports the
// nearest hit (see pick_segment).
class Picking : public VORNSDK::Plugin, public VORNSDK::PickingInterface {
public:
    static bool describe(VORNSDK::ComponentDescription& d);
    void* query_interface(VORNSDK::UniqueID const& id) override;
    bool pick(VORNSDK::ViewportPoint const& point, VORNSDK::PickRecord& record) override;
};

// The nearest mesh item of the scene crossed by the world segment from -> to: the item, the
// world and item-space hit, the polygon hit, its side nearest the hit (in item space), that
// side's end nearest the hit, and the world distance from `from`. Polygons are cast as fans of
// triangles. Items outside the scene are never hit. False, with an empty record, on a miss; a
// segment that the ray caster cannot trace (a coordinate beyond 1e18 in an item's space, or not a
// number) misses.
bool pick_segment(VORNSDK::Component const& scene, VORNSDK::Vector3d const& from, VORNSDK::Vector3d const& to,
                  VORNSDK::PickRecord& record);

// The ray-casting structure of each mesh is built on its first pick and kept while the mesh
// changes: the polygons an edit changed are tested one by one beside it, until those tests have
// cost about as much as a rebuild, which then takes them in. Changes that leave the geometry
// alone (selections, hard edges) cost nothing.
struct PickCacheStats {
    std::size_t meshes = 0;   // structures held
    std::uint64_t builds = 0; // structures built so far
};
PickCacheStats pick_cache_stats();
// Drops the mesh's structure; the mesh's owner calls it when the mesh goes.
void forget_picking(Mesh const* mesh);

void register_picking_components(Registry& registry);

} // namespace teskar
