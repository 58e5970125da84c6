#include "commands/set_value.h"

#include "framework/description_builder.h"
#include "framework/registration.h"

#include "vornsdk/mesh.h"
#include "vornsdk/scene.h"

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

bool SetValue::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool)
{
    ComponentInterfacePtrT<MeshInterface> const mesh(item.component());
    if (!mesh)
        return true;
    MeshEditContext const edit(mesh.get(), component());
    double const value = attribute("Value").value().as_double();
    int const axis = attribute("Axis").value().as_int();
    if (axis < 0 || axis > 2)
        return true;
    auto const set = [&](Index p) {
        Vector3d position = mesh->point_position(p);
        position[axis] = value;
        mesh->set_point_position(p, position);
    };
    switch (selection_mode()) {
    case kSelectPoints:
        for (Index p : each(mesh->selected_points()))
            set(p);
        break;
    case kSelectEdges:
        for (VertexPair const e : each(mesh->selected_edges())) {
            set(e.v1);
            set(e.v2);
        }
        break;
    case kSelectPolygons:
        for (Index f : each(mesh->selected_polygons()))
            for (Index p : mesh->polygon_vertices(f))
                set(p);
        break;
    default:
        break;
    }
    return true;
}

Status register_set_value(PluginModuleRegistrar& registrar)
{
    register_component_class<SetValue>(registrar, "SetValue");
    return Status(0);
}

} // namespace tolvir
