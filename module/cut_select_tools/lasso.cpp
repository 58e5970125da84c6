#include "cut_select_tools/lasso.h"

#include "framework/declared_only.h"
#include "framework/description_builder.h"
#include "framework/registration.h"

namespace tolvir {

using namespace VORNSDK;

bool LassoSelect::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("InteractiveTool")
        .sub_category("Select")
        .component_user_name("Lasso")
        .icon("/icons/select_lasso.png")
        .attribute("ex", Parameter::PT_BOOL)
        .user_name("Exclusive Select?")
        .default_value(true)
        .attribute("meshes", Parameter::PT_BOOL)
        .user_name("Meshes")
        .default_value(true)
        .attribute("cameras", Parameter::PT_BOOL)
        .user_name("Cameras")
        .default_value(false)
        .attribute("lights", Parameter::PT_BOOL)
        .user_name("Lights")
        .default_value(false)
        .attribute("shape", Parameter::PT_INT)
        .user_name("Shape")
        .default_value(0)
        .help_text("Lasso shape")
        .combo_box({"Freeform", "Marquee", "Radial"});
    return true;
}

bool LassoCommand::describe(ComponentDescription& description)
{
    // Recorded and replayed lasso selections are to run it; the user draws with LassoSelect instead.
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Command")
        .component_user_name("Lasso")
        .icon("/icons/select_lasso.png")
        .tag("hidden", true)
        .attribute("SelectionStyle", Parameter::PT_STRING)
        .user_name("Selection Style")
        .default_value("Exclusive")
        .combo_box({"Exclusive", "Add", "Subtract"})
        .attribute("Viewport", Parameter::PT_REFERENCE)
        .user_name("Viewport")
        .attribute("Points", Parameter::PT_LIST)
        .user_name("Points")
        .default_value(ParameterList());
    return true;
}

void LassoSelect::activate(Component const&) { decline_activation(*this); }

bool LassoSelect::v_execute(Context&) { return refuse_unimplemented(*this); }

bool LassoCommand::v_execute(Context&) { return refuse_unimplemented(*this); }

Status register_lasso(PluginModuleRegistrar& registrar)
{
    register_component_class<LassoSelect>(registrar, "LassoSelect");
    register_component_class<LassoCommand>(registrar, "Lasso");
    return Status(0);
}

} // namespace tolvir
