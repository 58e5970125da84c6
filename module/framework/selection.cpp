#include "framework/selection.h"

#include "vornsdk/scene.h"

namespace tolvir {

using namespace VORNSDK;

ComponentInterfacePtrT<MeshInterface> first_selected_mesh()
{
    ComponentList const selection = current_selection(active_scene());
    if (selection.empty())
        return {};
    return ComponentInterfacePtrT<MeshInterface>(selection.front());
}

} // namespace tolvir
