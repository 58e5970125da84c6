#include "framework/pivot.h"

#include "framework/interactive_tool.h"
#include "manipulators/tool_gizmo.h"

#include "vornsdk/attribute.h"
#include "vornsdk/context.h"
#include "vornsdk/scene.h"

namespace tolvir {

using namespace VORNSDK;

Vector3d pivot_position(Component const& item, int mode)
{
    auto* scene_item = get_interface<SceneItemInterface>(item);
    if (!scene_item)
        return {};
    Context context;
    context.set_custom_parameter("Pivot", mode);
    context.set_custom_parameter("ToPivot", 4);
    Matrix4d const to_pivot = item["LocalToParentMatrix"].value(context).as_Matrix4d();
    return (to_pivot * scene_item->placement()).translation_part();
}

void pivot_move(ToolGizmo& gizmo, Vector3d const& vector, int mode)
{
    Vector3d v = vector;
    if (auto* parent = get_interface<SceneItemInterface>(gizmo.component()["MotionParent"].as_ref()))
        v = transform_vector(parent->world_matrix(), v);
    Component const transform = Component::create("TranslateTransform");
    if (!transform || !gizmo.owner())
        return;
    transform["Translation"].set_value(v, false);
    transform["Pivot"].set_value(mode, false);
    transform["Action"].set_value(0, false);
    gizmo.owner()->apply_transform(transform, true);
}

} // namespace tolvir
