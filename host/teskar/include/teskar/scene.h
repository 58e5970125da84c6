#pragma once

#include "teskar/component_data.h"
#include "teskar/registry.h"

#include "vornsdk/command.h"
#include "vornsdk/plugin.h"
#include "vornsdk/scene.h"

#include <vector>

namespace teskar {

class SceneJournal;
class PlacementJournal;

// A scene item: a node of the scene tree with a name and a placement. Children are held by
// their parent; the parent and the scene are known by plain pointers, which the tree keeps current.
//
// "LocalToParentMatrix" is computed on reading: the placement; or, read through a context whose
// custom parameter "ToPivot" is 4, the translation from the item's origin to its pivot, which is
// the identity since items keep their pivots at their origins.
class Item : public VORNSDK::Plugin,
             public VORNSDK::SceneItemInterface,
             public VORNSDK::TreeNodeInterface,
             public AttributeProvider {
public:
    // Adds the attributes every item has ("Name", "LocalToParentMatrix").
    static void describe_item(VORNSDK::ComponentDescription& d, char const* user_name);
    void* query_interface(VORNSDK::UniqueID const& id) override;
    VORNSDK::Parameter read_attribute(int index, VORNSDK::Context const* context) const override;

    // SceneItemInterface
    VORNSDK::String name() const override;
    VORNSDK::Component scene() const override;
    VORNSDK::Matrix4d placement() const override { return placement_; }
    // Recorded into the undo history, like every change a tool can make to the scene.
    void set_placement(VORNSDK::Matrix4d const& placement) override;
    VORNSDK::Matrix4d world_matrix() const override;
    VORNSDK::Matrix4d inverse_world_matrix() const override;
    void world_bounding_box(VORNSDK::Vector3d& min, VORNSDK::Vector3d& max) const override;
    void apply_transform(VORNSDK::Component const& transform, bool relative) override;

    // TreeNodeInterface
    VORNSDK::Component parent() const override;
    void set_parent(VORNSDK::ComponentInterfacePtrT<VORNSDK::TreeNodeInterface> const& parent) override;
    VORNSDK::ComponentList children() const override { return children_; }
    void add_child(VORNSDK::Component const& child) override;

    // The item's own box in item space; empty for items without geometry.
    virtual void local_bounding_box(VORNSDK::Vector3d& min, VORNSDK::Vector3d& max) const;
    // "Object", "SceneObject", "Camera", ... as the scene listing shows it.
    virtual char const* kind() const = 0;

    Item* parent_item() const { return parent_; }
    class Scene* owner_scene() const { return scene_; }

private:
    friend class Scene;
    friend class SceneJournal;
    friend class PlacementJournal;
    void detach();
    void attach_to_scene(Scene* scene);

    VORNSDK::Matrix4d placement_;
    Item* parent_ = nullptr;
    Scene* scene_ = nullptr;
    VORNSDK::ComponentList children_;
};

// The scene: top-level items and the ordered selection of items.
class Scene : public VORNSDK::Plugin, public VORNSDK::SceneInterface {
public:
    static bool describe(VORNSDK::ComponentDescription& d);
    void* query_interface(VORNSDK::UniqueID const& id) override;

    VORNSDK::ComponentList top_items() const override { return top_; }
    VORNSDK::ComponentList items() const override;
    void add_item(VORNSDK::Component const& item) override;
    VORNSDK::Component find_item(VORNSDK::String const& name) const override;

    VORNSDK::ComponentList const& selection() const { return selection_; }
    bool is_selected(VORNSDK::Component const& item) const;
    void select(VORNSDK::Component const& item);
    void deselect(VORNSDK::Component const& item);
    void clear_selection();

    // The "MaterialLibrary" item, made with the scene.
    VORNSDK::Component material_library();

private:
    friend class Item;
    friend class SceneJournal;
    void remove_top(Item* item);

    VORNSDK::ComponentList top_;
    VORNSDK::ComponentList selection_;
    VORNSDK::Component material_library_;
};

// The plain item types of the host.
void register_scene_components(Registry& registry);

// The Item behind a component, or null.
Item* item_of(VORNSDK::Component const& c);
Scene* scene_of(VORNSDK::Component const& c);

// Makes a new empty scene and makes it the active one.
VORNSDK::Component new_scene();
void set_active_scene(VORNSDK::Component const& scene);

} // namespace teskar
