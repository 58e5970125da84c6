#include "teskar/kernel.h"
#include "teskar/scene.h"

namespace teskar {

void register_application(Registry& registry);

void register_host_components(Registry& registry)
{
    register_application(registry);
    register_scene_components(registry);
}

} // namespace teskar
