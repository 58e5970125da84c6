#include "cut_select_tools/knife.h"

#include "framework/declared_only.h"
#include "framework/description_builder.h"
#include "framework/key_bindings.h"
#include "framework/registration.h"

namespace tolvir {

using namespace VORNSDK;

bool Knife::describe(ComponentDescription& description)
{
    // Each cut is to be bracketed in a history transaction of its own, so attribute changes are
    // not recorded separately. "Origin" and "Grid" are working state of the tool and its gizmo and
    // stay out of the panel.
    DescriptionBuilder(description)
        .category("InteractiveTool")
        .sub_category("Multiply")
        .component_user_name("Knife")
        .icon("/icons/edit_knife.png")
        .attribute("Start", Parameter::PT_VECTOR3D)
        .undoable(false)
        .user_name("Start Position")
        .ui_flags(1)
        .attribute("End", Parameter::PT_VECTOR3D)
        .undoable(false)
        .user_name("End Position")
        .ui_flags(1)
        .attribute("Origin", Parameter::PT_VECTOR3D)
        .undoable(false)
        .show_ui(false)
        .user_name("Origin - to be hidden")
        .attribute("Grid", Parameter::PT_BOOL)
        .undoable(false)
        .show_ui(false)
        .user_name("Grid Snap")
        .default_value(false)
        .attribute("Remove", Parameter::PT_INT)
        .undoable(false)
        .user_name("Remove")
        .default_value(0)
        .button_group({"None", "Side A", "Side B", "Separate"});

    set_key_bindings(description, {
                                      {"Add", "Shift+RMB", "Moment"},
                                      {"Redraw", "RMB", "Moment"},
                                      {"Remove+", "Up", "Normal"},
                                      {"Remove-", "Down", "Normal"},
                                  });
    return true;
}

void Knife::activate(Component const&) { decline_activation(*this); }

bool Knife::v_execute(Context&) { return refuse_unimplemented(*this); }

Status register_knife(PluginModuleRegistrar& registrar)
{
    register_component_class<Knife>(registrar, "Knife");
    return Status(0);
}

} // namespace tolvir
