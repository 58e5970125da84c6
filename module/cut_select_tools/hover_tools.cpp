#include "cut_select_tools/hover_tools.h"

#include "framework/declared_only.h"
#include "framework/description_builder.h"
#include "framework/registration.h"

namespace tolvir {

using namespace VORNSDK;

namespace {

// Every hover command is to carry the element it acted on in "Element", so that a repeated or
// recorded run acts on the same element without picking again.
void describe_hover_command(ComponentDescription& description, char const* user_name, char const* icon)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Edit")
        .component_user_name(user_name)
        .icon(icon)
        .attribute("Element", Parameter::PT_STRING)
        .default_value("");
}

} // namespace

bool HoverTool::v_execute(Context&) { return refuse_unimplemented(*this); }

bool HoverExtend::describe(ComponentDescription& description)
{
    describe_hover_command(description, "Hover Extend", "/icons/edit_flip.png");
    return true;
}

bool HoverLoopRemove::describe(ComponentDescription& description)
{
    describe_hover_command(description, "Hover Loop Remove", "/icons/edit_flip.png");
    return true;
}

bool HoverLoop::describe(ComponentDescription& description)
{
    describe_hover_command(description, "Hover Loop", "/icons/edit_flip.png");
    return true;
}

bool HoverFlip::describe(ComponentDescription& description)
{
    describe_hover_command(description, "Hover Flip", "/icons/edit_flip.png");
    return true;
}

bool HoverDelete::describe(ComponentDescription& description)
{
    describe_hover_command(description, "Hover Delete", "/icons/edit_array.png");
    return true;
}

Status register_hover_tools(PluginModuleRegistrar& registrar)
{
    register_component_class<HoverExtend>(registrar, "Hover Extend");
    register_component_class<HoverLoopRemove>(registrar, "Hover Loop Remove");
    register_component_class<HoverLoop>(registrar, "Hover Loop");
    register_component_class<HoverFlip>(registrar, "Hover Flip");
    register_component_class<HoverDelete>(registrar, "Hover Delete");
    return Status(0);
}

} // namespace tolvir
