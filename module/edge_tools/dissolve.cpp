#include "edge_tools/dissolve.h"

#include "framework/description_builder.h"
#include "framework/registration.h"

namespace tolvir {

using namespace VORNSDK;

bool BandGlueCommand::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Edit")
        .component_user_name("Dissolve")
        .icon("/icons/edit_dissolve.png")
        .ui_hints("model_tools");
    return true;
}

Status register_dissolve(PluginModuleRegistrar& registrar)
{
    register_component_class<BandGlueCommand>(registrar, "Dissolve");
    return Status(0);
}

} // namespace tolvir
