#include "framework/interactive_modifier.h"

#include "framework/scoped_flag.h"

#include "vornsdk/attribute.h"
#include "vornsdk/description.h"
#include "vornsdk/history.h"
#include "vornsdk/mesh.h"
#include "vornsdk/viewport.h"

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
    ScopedFlag const world_flag(world_, world);
    if (auto* mesh = get_interface<MeshInterface>(item.component())) {
        MeshEditContext const edit(mesh, component());
        // An edit that leaves levels open behind it must not keep the mesh in an edit.
        int const level = mesh->edit_nesting();
        apply(item);
        while (mesh->edit_nesting() > level)
            mesh->close_edit();
    } else {
        apply(item);
    }
    return true;
}

void InteractiveModifier::handle_attribute_change(std::uint32_t value)
{
    if (!active() || reapply_suppressed())
        return;
    attribute_changed(value);
    reapply_in_step();
}

void InteractiveModifier::reapply_in_step()
{
    if (!active() || reapply_suppressed() || deactivated() || !transaction())
        return;
    HistoryContext const context(*transaction(), true);
    reapply();
}

void InteractiveModifier::reapply_with(std::function<void()> const& change)
{
    if (!active() || deactivated() || !transaction()) {
        change();
        return;
    }
    HistoryContext const context(*transaction(), true);
    {
        ScopedFlag const quiet = suppress_reapply();
        change();
    }
    reapply();
}

String InteractiveModifier::attribute_name(std::uint32_t index) const
{
    auto const* d = description();
    auto const* a = d ? d->attribute(index) : nullptr;
    return a ? a->name() : String();
}

void InteractiveModifier::commit()
{
    ScopedFlag const suppressed = suppress_reapply();
    renew_transaction();
    for (Component const& item : current_selection())
        DirtyRegions::make_completely_dirty(item);
    ComponentPtr const self(component());
    if (auto const* d = description())
        for (unsigned i = 0; i < d->num_attributes(); ++i)
            self[i].set_value(d->attribute(i)->default_parameter(), true);
}

} // namespace tolvir
