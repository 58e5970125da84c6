#include "commands/set_value.h"

#include "framework/description_builder.h"
#include "framework/registration.h"

namespace tolvir {

using namespace VORNSDK;

bool SetValue::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Edit")
        .component_user_name("Set Value")
        .icon("/icons/transform_setvalue.png")
        .ui_hints("model_tools")
        .attribute("Value", Parameter::PT_DOUBLE)
        .default_value(0.0)
        .user_name("Value")
        .step(0.25)
        .attribute("Axis", Parameter::PT_INT)
        .default_value(1)
        .button_group({"X", "Y", "Z"})
        .user_name("Tool axis")
        .help_text("Tool axis");
    return true;
}

Status register_set_value(PluginModuleRegistrar& registrar)
{
    register_component_class<SetValue>(registrar, "SetValue");
    return Status(0);
}

} // namespace tolvir
