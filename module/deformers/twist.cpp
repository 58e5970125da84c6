#include "deformers/twist.h"

#include "framework/declared_only.h"
#include "framework/description_builder.h"
#include "framework/key_bindings.h"
#include "framework/registration.h"

namespace tolvir {

using namespace VORNSDK;

bool Twist::describe(ComponentDescription& description)
{
    // No defaults: activation is to place the axis from the selection.
    DescriptionBuilder(description)
        .category("InteractiveTool")
        .sub_category("Deform")
        .component_user_name("Twist")
        .icon("/icons/deform_twist.png")
        .ui_hints("model_tools")
        .attribute("far", Parameter::PT_VECTOR3D)
        .user_name("Far")
        .ui_flags(1)
        .attribute("near", Parameter::PT_VECTOR3D)
        .user_name("Near")
        .ui_flags(1)
        .attribute("twist_far", Parameter::PT_DOUBLE)
        .user_name("Twist Far")
        .ui_flags(2)
        .attribute("twist_near", Parameter::PT_DOUBLE)
        .user_name("Twist Near")
        .ui_flags(2);

    set_key_bindings(description, {
                                      {"Snaps", "Shift", "Sticky"},
                                      {"Mode", "N", "Toggle"},
                                  });
    return true;
}

void Twist::activate(Component const&) { decline_activation(*this); }

bool Twist::v_execute(Context&) { return refuse_unimplemented(*this); }

Status register_twist(PluginModuleRegistrar& registrar)
{
    register_component_class<Twist>(registrar, "Twist");
    return Status(0);
}

} // namespace tolvir
