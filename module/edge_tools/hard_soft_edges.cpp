#include "edge_tools/hard_soft_edges.h"

#include "framework/description_builder.h"
#include "framework/registration.h"

namespace tolvir {

using namespace VORNSDK;

namespace {

void describe_front_command(ComponentDescription& description, char const* user_name, char const* icon,
                            char const* ui_hints)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Surface")
        .component_user_name(user_name)
        .icon(icon)
        .ui_hints(ui_hints);
}

} // namespace

bool EdgesOperator::describe(ComponentDescription& description)
{
    // Only the front commands run it, so it stays out of the menus.
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Command")
        .component_user_name("EdgesOperator")
        .tag("hidden", true)
        .attribute("hard", Parameter::PT_BOOL)
        .undoable(true)
        .attribute("outline", Parameter::PT_BOOL)
        .undoable(true);
    return true;
}

bool HardEdgesPatchCommand::describe(ComponentDescription& description)
{
    describe_front_command(description, "Hard Edge", "/icons/edit_hardedge.png", "model_tools");
    return true;
}

bool SoftEdgesPatchCommand::describe(ComponentDescription& description)
{
    describe_front_command(description, "Soft Edge", "/icons/edit_softedge.png", "model_tools");
    return true;
}

bool HardEdgesOutlineCommand::describe(ComponentDescription& description)
{
    describe_front_command(description, "Hard Edge Outline", "/icons/edit_hardedgeoutline.png", "surface_tools");
    return true;
}

bool SoftEdgesOutlineCommand::describe(ComponentDescription& description)
{
    describe_front_command(description, "Soft Edge Outline", "/icons/edit_softedgeoutline.png", "model_tools");
    return true;
}

Status register_hard_soft_edges(PluginModuleRegistrar& registrar)
{
    register_component_class<EdgesOperator>(registrar, "EdgesOperator");
    register_component_class<HardEdgesPatchCommand>(registrar, "HardEdgesPatchCommand");
    register_component_class<SoftEdgesPatchCommand>(registrar, "SoftEdgesPatchCommand");
    register_component_class<HardEdgesOutlineCommand>(registrar, "HardEdgesOutlineCommand");
    register_component_class<SoftEdgesOutlineCommand>(registrar, "SoftEdgesOutlineCommand");
    return Status(0);
}

} // namespace tolvir
