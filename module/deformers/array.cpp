#include "deformers/array.h"

#include "framework/declared_only.h"
#include "framework/description_builder.h"
#include "framework/registration.h"
#include "framework/selection.h"

#include <numbers>

namespace tolvir {

using namespace VORNSDK;

namespace {

constexpr int kLinear = 0;
constexpr int kRadial = 1;

} // namespace

bool Array::describe(ComponentDescription& description)
{
    DescriptionBuilder const tool = DescriptionBuilder(description)
                                        .category("InteractiveTool")
                                        .sub_category("Multiply")
                                        .component_user_name("Array")
                                        .icon("/icons/edit_array.png");

    tool.attribute("ArrayElement", Parameter::PT_INT)
        .user_name("Array Elements")
        .default_value(0)
        .button_group({"Mesh", "Instance", "Copy"});
    tool.attribute("ArrayType", Parameter::PT_INT)
        .user_name("Array type")
        .default_value(kLinear)
        .button_group({"linear", "radial"});

    // The panel shows only the settings of the chosen layout.
    Parameter const radial = shown_when("ArrayType", kRadial);
    tool.attribute("gizmo", Parameter::PT_BOOL)
        .user_name("Show Gizmo")
        .default_value(true)
        .ui_separator()
        .ui_stack(radial);
    tool.attribute("axis", Parameter::PT_INT)
        .user_name("Axis")
        .default_value(1)
        .button_group({"X", "Y", "Z"})
        .ui_stack(radial);
    tool.attribute("nrad", Parameter::PT_INT).user_name("Number Radial").default_value(8).ui_stack(radial);
    tool.attribute("angle", Parameter::PT_DOUBLE)
        .user_name("Angle")
        .default_value(2.0 * std::numbers::pi)
        .step(0.05)
        .ui_flags(2)
        .ui_stack(radial);
    tool.attribute("overt", Parameter::PT_DOUBLE)
        .user_name("Offset Vertical")
        .default_value(0.0)
        .step(0.5)
        .ui_flags(1)
        .ui_stack(radial);
    tool.attribute("origin", Parameter::PT_VECTOR3D)
        .user_name("Origin")
        .default_value(Vector3d{0, 0, 0})
        .step(0.5)
        .ui_stack(radial);

    Parameter const linear = shown_when("ArrayType", kLinear);
    tool.attribute("Number", Parameter::PT_VECTOR3I)
        .user_name("Number")
        .default_value(Vector3i{3, 0, 0})
        .step(1)
        .ui_separator()
        .ui_stack(linear);
    tool.attribute("Distance", Parameter::PT_VECTOR3D)
        .user_name("Distance")
        .default_value(Vector3d{0, 0, 0})
        .step(0.5)
        .ui_flags(1)
        .ui_stack(linear);
    tool.attribute("disttype", Parameter::PT_INT)
        .user_name("Distance Use")
        .default_value(0)
        .button_group({"Gap", "Offset", "Total", "Between"})
        .ui_stack(linear);
    return true;
}

void Array::activate(Component const&) { decline_activation(*this); }

bool Array::v_execute(Context&) { return refuse_unimplemented(*this); }

namespace {

// Array is offered only when the first selected item carries a mesh.
bool array_filter(FilterContext const&) { return first_selected_mesh().valid(); }

} // namespace

Status register_array(PluginModuleRegistrar& registrar)
{
    register_component_class<Array>(registrar, "Array", &array_filter);
    return Status(0);
}

} // namespace tolvir
