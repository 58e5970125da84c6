#include "commands/break_command.h"

#include "framework/description_builder.h"
#include "framework/registration.h"

namespace tolvir {

using namespace VORNSDK;

bool BreakCommand::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Edit")
        .component_user_name("Break")
        .icon("/icons/edit_array.png");
    return true;
}

Status register_break(PluginModuleRegistrar& registrar)
{
    register_component_class<BreakCommand>(registrar, "Break");
    return Status(0);
}

} // namespace tolvir
