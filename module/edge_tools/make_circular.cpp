#include "edge_tools/make_circular.h"

#include "framework/description_builder.h"
#include "framework/registration.h"

namespace tolvir {

using namespace VORNSDK;

bool CirclifyCommand::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Edit")
        .component_user_name("Make Circular")
        .icon("/icons/edit_array.png");
    return true;
}

Status register_make_circular(PluginModuleRegistrar& registrar)
{
    register_component_class<CirclifyCommand>(registrar, "Make Circular");
    return Status(0);
}

} // namespace tolvir
