#include "teskar/reference_item.h"

#include "teskar/host_plugin.h"
#include "teskar/mesh_item.h"

#include "vornsdk/attribute.h"

#include <limits>

namespace teskar {

using namespace VORNSDK;

bool ReferenceItem::describe(ComponentDescription& d)
{
    describe_item(d, "Reference");
    add_attribute(d, "ReferencedItem", Parameter::PT_REFERENCE);
    return true;
}

Component ReferenceItem::referenced() const { return attribute("ReferencedItem").as_ref(); }

void ReferenceItem::local_bounding_box(Vector3d& min, Vector3d& max) const
{
    if (Mesh const* mesh = shown_mesh(component())) {
        mesh->bounding_box(min, max);
        return;
    }
    double const inf = std::numeric_limits<double>::infinity();
    min = {inf, inf, inf};
    max = {-inf, -inf, -inf};
}

Mesh const* shown_mesh(Component const& item)
{
    // References that run round in a loop show nothing: a chain is followed for 1024 items at most.
    Component c = item;
    for (int hops = 0; c && hops < 1024; ++hops) {
        if (Mesh const* mesh = mesh_of(c))
            return mesh;
        auto const* reference = dynamic_cast<ReferenceItem const*>(item_of(c));
        if (!reference)
            return nullptr;
        c = reference->referenced();
    }
    return nullptr;
}

void register_reference_item(Registry& registry) { register_host_plugin<ReferenceItem>(registry, "ReferenceItem"); }

} // namespace teskar
