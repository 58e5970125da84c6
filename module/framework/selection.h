#pragma once

#include "vornsdk/component.h"
#include "vornsdk/mesh.h"

namespace tolvir {

// The mesh of the first item of the active scene's selection; null when nothing is selected or
// that item has no mesh.
VORNSDK::ComponentInterfacePtrT<VORNSDK::MeshInterface> first_selected_mesh();

} // namespace tolvir
