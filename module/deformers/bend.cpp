#include "deformers/bend.h"

#include "framework/declared_only.h"
#include "framework/description_builder.h"
#include "framework/key_bindings.h"
#include "framework/registration.h"

namespace tolvir {

using namespace VORNSDK;

bool Bend::describe(ComponentDescription& description)
{
    DescriptionBuilder const tool = DescriptionBuilder(description)
                                        .category("InteractiveTool")
                                        .sub_category("Deform")
                                        .component_user_name("Bend")
                                        .icon("/icons/deform_bend.png")
                                        .ui_hints("model_tools");

    tool.attribute("set", Parameter::PT_BOOL).user_name("Range Set").default_value(true);
    tool.attribute("origin", Parameter::PT_VECTOR3D).user_name("Bend Center");
    tool.attribute("start", Parameter::PT_VECTOR3D).user_name("Bend Start");
    tool.attribute("end", Parameter::PT_VECTOR3D).user_name("Bend End");
    tool.attribute("trans", Parameter::PT_MATRIX4D).user_name("Matrix");
    tool.attribute("angle", Parameter::PT_DOUBLE).user_name("Angle").ui_flags(2);
    tool.attribute("twist", Parameter::PT_DOUBLE).user_name("Twist").ui_flags(2);

    // Unlabelled working values: the selection's bounding box, from which the range along the
    // spine is to be taken, and the tool's flags.
    for (char const* corner : {"bmin", "bmax"})
        tool.attribute(corner, Parameter::PT_VECTOR3D);
    for (char const* flag : {"twistd", "twistd2", "angled", "mat_d", "mat_d2"})
        tool.attribute(flag, Parameter::PT_BOOL);

    tool.attribute("axis", Parameter::PT_INT).default_value(2).button_group({"X", "Y", "Z"});

    set_key_bindings(description, {{"Snaps", "Ctrl", "Sticky"}});
    return true;
}

void Bend::activate(Component const&) { decline_activation(*this); }

bool Bend::v_execute(Context&) { return refuse_unimplemented(*this); }

Status register_bend(PluginModuleRegistrar& registrar)
{
    register_component_class<Bend>(registrar, "Bend");
    return Status(0);
}

} // namespace tolvir
