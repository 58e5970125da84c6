#include "cut_select_tools/tweak.h"

#include "framework/declared_only.h"
#include "framework/description_builder.h"
#include "framework/registration.h"

#include "vornsdk/scene.h"

namespace tolvir {

using namespace VORNSDK;

namespace {

// The tool is for mesh elements, which item mode does not show.
bool offered_outside_item_mode(FilterContext const&) { return selection_mode() != 8; }

} // namespace

bool TestTool::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("InteractiveTool")
        .sub_category("Edit")
        .component_user_name("Tweak")
        .icon("/icons/edit_tweak.png")
        .ui_hints("model_tools");
    return true;
}

void TestTool::activate(Component const&) { decline_activation(*this); }

bool TestTool::v_execute(Context&) { return refuse_unimplemented(*this); }

Status register_tweak(PluginModuleRegistrar& registrar)
{
    register_component_class<TestTool>(registrar, "Tweak", &offered_outside_item_mode);
    return Status(0);
}

} // namespace tolvir
