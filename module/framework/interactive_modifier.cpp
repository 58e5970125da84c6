#include "framework/interactive_modifier.h"

namespace tolvir {

using namespace VORNSDK;

void* InteractiveModifier::query_interface(UniqueID const& id)
{
    if (id == CommandInterface::iid())
        return static_cast<ItemCommand*>(this);
    return InteractiveTool::query_interface(id);
}

void InteractiveModifier::copy_from(Plugin const& source)
{
    if (auto const* other = dynamic_cast<InteractiveModifier const*>(&source))
        world_ = other->world_;
}

void InteractiveModifier::apply(ComponentInterfaceReferenceT<SceneItemInterface> const&) {}

void InteractiveModifier::reapply()
{
    for (Component const& item : current_selection()) {
        ComponentInterfacePtrT<SceneItemInterface> const scene_item(item);
        if (scene_item)
            execute_item(scene_item, false);
    }
}

bool InteractiveModifier::execute_scene(ComponentInterfaceReferenceT<TreeNodeInterface> const&) { return true; }

bool InteractiveModifier::execute_item(ComponentInterfaceReferenceT<SceneItemInterface> const& item, bool world)
{
    world_ = world;
    apply(item);
    world_ = false;
    return true;
}

} // namespace tolvir
