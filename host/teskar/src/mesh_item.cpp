#include "teskar/mesh_item.h"

#include "teskar/host_plugin.h"
#include "teskar/picking.h"

namespace teskar {

using namespace VORNSDK;

// The picking structure built for the mesh goes with it.
MeshItem::~MeshItem() { forget_picking(&mesh_); }

bool MeshItem::describe(ComponentDescription& d)
{
    describe_item(d, "Mesh");
    return true;
}

void* MeshItem::query_interface(UniqueID const& id)
{
    if (id == MeshInterface::iid())
        return static_cast<MeshInterface*>(&mesh_);
    return Item::query_interface(id);
}

void MeshItem::local_bounding_box(Vector3d& min, Vector3d& max) const { mesh_.bounding_box(min, max); }

bool RawMesh::describe(ComponentDescription& d)
{
    d.add_tag(Description::user_name(), "Raw Mesh");
    return true;
}

void* RawMesh::query_interface(UniqueID const& id)
{
    return id == MeshInterface::iid() ? static_cast<MeshInterface*>(&mesh_) : nullptr;
}

Mesh* mesh_of(Component const& c) { return dynamic_cast<Mesh*>(get_interface<MeshInterface>(c)); }

void register_mesh_components(Registry& registry)
{
    register_host_plugin<MeshItem>(registry, "SceneObject");
    register_host_plugin<RawMesh>(registry, "RawMesh");
}

} // namespace teskar

namespace VORNSDK {
MeshInterface::~MeshInterface() = default;
} // namespace VORNSDK
