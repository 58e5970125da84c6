#pragma once

#include "teskar/mesh.h"
#include "teskar/scene.h"

namespace teskar {

// A scene item that carries a mesh ("SceneObject").
class MeshItem : public Item {
public:
    MeshItem() : mesh_(this) {}
    ~MeshItem() override;
    static bool describe(VORNSDK::ComponentDescription& d);
    void* query_interface(VORNSDK::UniqueID const& id) override;
    char const* kind() const override { return "SceneObject"; }
    void local_bounding_box(VORNSDK::Vector3d& min, VORNSDK::Vector3d& max) const override;

    Mesh& mesh() { return mesh_; }
    Mesh const& mesh() const { return mesh_; }

private:
    Mesh mesh_;
};

// A mesh outside any scene, used as scratch geometry ("RawMesh").
class RawMesh : public VORNSDK::Plugin {
public:
    RawMesh() : mesh_(this) {}
    static bool describe(VORNSDK::ComponentDescription& d);
    void* query_interface(VORNSDK::UniqueID const& id) override;
    Mesh& mesh() { return mesh_; }

private:
    Mesh mesh_;
};

// The host's mesh behind a component (scene object or raw mesh), or null.
Mesh* mesh_of(VORNSDK::Component const& c);

void register_mesh_components(Registry& registry);

} // namespace teskar
