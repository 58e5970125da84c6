#include "framework/declared_only.h"

#include "framework/interactive_tool.h"

#include "vornsdk/description.h"
#include "vornsdk/host.h"
#include "vornsdk/tool.h"

namespace tolvir {

using namespace VORNSDK;

namespace {

void show_unimplemented(Plugin const& component)
{
    ComponentDescription const* description = component.description();
    String const label = description ? description->value(Description::user_name()).as_string() : String();
    String const name = label.is_null() ? component.component_type() : label;
    display_message(name.to_utf8() + " is not implemented yet (only its description is final)");
}

} // namespace

bool refuse_unimplemented(Plugin const& component)
{
    show_unimplemented(component);
    return false;
}

void decline_activation(Plugin const& component)
{
    show_unimplemented(component);
    InteractiveTool::hand_over_to_fallback();
}

} // namespace tolvir
