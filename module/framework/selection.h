#pragma once

#include "vornsdk/component.h"
#include "vornsdk/mesh.h"

#include <vector>

namespace tolvir {

// The mesh of the first item of the active scene's selection; null when nothing is selected or
// that item has no mesh.
VORNSDK::ComponentInterfacePtrT<VORNSDK::MeshInterface> first_selected_mesh();

// The points an edit of the mesh's selection moves, each once, in selection order: by the
// selection mode, the selected points, the ends of the selected edges or the corners of the
// selected polygons. Every point of the mesh, in index order, in item mode and when the mode's
// selection is empty while "NothingSelectedMeansEverythingSelected" holds.
std::vector<VORNSDK::Index> selection_points(VORNSDK::MeshInterface const& mesh, int mode);

// The polygons the mesh's selection covers, in index order: the selected polygons; in point mode
// those whose every point is selected; in edge mode those whose every side is. Every polygon in
// item mode and when the mode's selection is empty while "NothingSelectedMeansEverythingSelected"
// holds.
std::vector<VORNSDK::Index> selection_polygons(VORNSDK::MeshInterface const& mesh, int mode);

} // namespace tolvir
