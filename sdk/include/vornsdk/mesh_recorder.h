#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/math.h"
#include "vornsdk/unique_id.h"

#include <cstddef>

namespace VORNSDK {

class MeshInterface;

// The host's "MeshEditRecorder": records what an edit did to one mesh. A recording keeps the
// mesh's geometry as it was when the recording began and as it was when it ended (points,
// polygons with their materials and per-corner values, hard edges; not the selections), in
// copies of the recorder's own, renumbered without gaps in index order. Recording neither changes
// the mesh nor groups its edits into undo steps: the edits go to whatever transaction records
// them, as always.
class VORNSDK_API MeshEditRecorderInterface {
public:
    VORNSDK_INTERFACE_ID("9c4b1e70-2f83-4d5a-b6e1-7a8c9d0e1f02")
    virtual ~MeshEditRecorderInterface();

    // Begins a recording of the mesh of a component (a scene item or a raw mesh), ending one in
    // progress first. False, and no recording, when the component has no mesh.
    virtual bool begin(Component const& mesh) = 0;
    // Ends the recording in progress; false when there is none. A mesh that went away meanwhile
    // ends the recording with no geometry.
    virtual bool end() = 0;
    virtual bool recording() const = 0;
    // The component whose mesh was recorded last; null before the first begin.
    virtual Component source() const = 0;
    // The geometry at the beginning and at the end of the last recording; null while it has not
    // been taken.
    virtual MeshInterface const* before() const = 0;
    virtual MeshInterface const* after() const = 0;
    // Adds the geometry the last recording ended with to a mesh, its points moved by placement
    // (MeshInterface::add_geometry). Answers the number of polygons added: none while no
    // recording has ended.
    virtual std::size_t play(MeshInterface& target, Matrix4d const& placement) const = 0;
};

} // namespace VORNSDK
