#include "teskar/host_commands.h"
#include "teskar/kernel.h"
#include "teskar/mesh_item.h"
#include "teskar/scene.h"

namespace teskar {

void register_application(Registry& registry);

void register_host_components(Registry& registry)
{
    register_application(registry);
    register_scene_components(registry);
    register_mesh_components(registry);
    register_host_commands(registry);
}

} // namespace teskar
