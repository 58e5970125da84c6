#include "teskar/gizmo.h"
#include "teskar/host_commands.h"
#include "teskar/kernel.h"
#include "teskar/mesh_item.h"
#include "teskar/mesh_recorder.h"
#include "teskar/picking.h"
#include "teskar/reference_item.h"
#include "teskar/scene.h"
#include "teskar/tool_handler.h"
#include "teskar/viewport.h"

namespace teskar {

void register_application(Registry& registry);

void register_host_components(Registry& registry)
{
    register_application(registry);
    register_scene_components(registry);
    register_mesh_components(registry);
    register_reference_item(registry);
    register_mesh_recorder(registry);
    register_host_commands(registry);
    register_viewport_components(registry);
    register_picking_components(registry);
    register_gizmo_components(registry);
    register_tool_components(registry);
}

} // namespace teskar
