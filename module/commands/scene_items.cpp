#include "commands/scene_items.h"

#include "vornsdk/attribute.h"
#include "vornsdk/scene.h"

namespace tolvir {

using namespace VORNSDK;

Component create_scene_item(Component const& parent, String const& type, String const& name, bool select)
{
    Component item = Component::create(type);
    if (!item)
        return item;
    item["Name"].set_value(name, false);
    if (auto* scene = get_interface<SceneInterface>(parent))
        scene->add_item(item);
    else if (auto* node = get_interface<TreeNodeInterface>(parent))
        node->add_child(item);
    if (select) {
        clear_selection();
        add_to_selection(item);
    }
    return item;
}

} // namespace tolvir
