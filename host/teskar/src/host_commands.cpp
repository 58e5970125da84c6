#include "teskar/host_commands.h"

#include "teskar/mesh_item.h"

#include "vornsdk/description.h"
#include "vornsdk/scene.h"

namespace teskar {

using namespace VORNSDK;

void MeshCommand::describe_command(ComponentDescription& d, char const* name, char const* sub_category)
{
    d.add_tag(Description::category(), "CommandTool");
    d.add_tag(Description::sub_category(), sub_category);
    d.add_tag(Description::user_name(), name);
}

void* MeshCommand::query_interface(UniqueID const& id)
{
    if (id == CommandInterface::iid())
        return static_cast<CommandInterface*>(this);
    return nullptr;
}

bool MeshCommand::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    Mesh* mesh = mesh_of(item.component());
    if (!mesh)
        return true;
    MeshEditContext const edit(mesh, component());
    edit_mesh(*mesh);
    return true;
}

void register_host_commands(Registry& registry)
{
    register_selection_commands(registry);
    register_list_selection_commands(registry);
    register_remove_command(registry);
    register_connect_command(registry);
    register_extend_command(registry);
}

} // namespace teskar
