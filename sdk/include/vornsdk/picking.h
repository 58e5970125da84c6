#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/index_set.h"
#include "vornsdk/math.h"
#include "vornsdk/unique_id.h"
#include "vornsdk/viewport.h"

namespace VORNSDK {

// What lies under a viewport point: the nearest mesh item hit by the view ray, the polygon hit,
// the side of that polygon nearest the hit and the end of that side nearest the hit.
struct PickRecord {
    Component item;
    Vector3d hit;       // world space
    Vector3d local_hit; // the item's own space
    Index polygon = kNoIndex;
    VertexPair edge;
    Index vertex = kNoIndex;
    double distance = 0; // along the view ray, from its origin

    bool valid() const { return item.valid(); }
};

// The host's "Picking" component.
class VORNSDK_API PickingInterface {
public:
    VORNSDK_INTERFACE_ID("2e7f4c90-1a5b-4d6e-8f71-9b0c1d2e3f02")
    virtual ~PickingInterface();
    // Fills the record; false (and an invalid record) when nothing is under the point.
    virtual bool pick(ViewportPoint const& point, PickRecord& record) = 0;
};

} // namespace VORNSDK
