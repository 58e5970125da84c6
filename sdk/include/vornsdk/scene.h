#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/math.h"
#include "vornsdk/unique_id.h"

namespace VORNSDK {

// Selection modes of the host.
inline constexpr int kSelectPoints = 0;
inline constexpr int kSelectEdges = 1;
inline constexpr int kSelectPolygons = 2;
inline constexpr int kSelectItems = 8;

// Place of an item in the scene tree.
class VORNSDK_API TreeNodeInterface {
public:
    VORNSDK_INTERFACE_ID("0b5e7d31-8a42-4f6e-b1c3-2d9a6e4f7a01")
    virtual ~TreeNodeInterface();
    // The parent item, or null for an item at the top of its scene or outside any scene.
    virtual Component parent() const = 0;
    // Moves the item under a new parent; a null parent takes it out of the hierarchy.
    virtual void set_parent(ComponentInterfacePtrT<TreeNodeInterface> const& parent) = 0;
    virtual ComponentList children() const = 0;
    virtual void add_child(Component const& child) = 0;
};

// An item of a scene: a name, a placement relative to its parent and the derived world values.
class VORNSDK_API SceneItemInterface {
public:
    VORNSDK_INTERFACE_ID("0b5e7d31-8a42-4f6e-b1c3-2d9a6e4f7a02")
    virtual ~SceneItemInterface();
    virtual String name() const = 0;
    // The scene holding the item; null when the item is not in a scene.
    virtual Component scene() const = 0;
    // Placement relative to the parent.
    virtual Matrix4d placement() const = 0;
    virtual void set_placement(Matrix4d const& placement) = 0;
    // Item space to world space, and back.
    virtual Matrix4d world_matrix() const = 0;
    virtual Matrix4d inverse_world_matrix() const = 0;
    // World-space box of the item's geometry; empty (max.x < min.x) for an item without geometry.
    virtual void world_bounding_box(Vector3d& min, Vector3d& max) const = 0;
    // Applies a transform component ("TranslateTransform") to the item's placement.
    virtual void apply_transform(Component const& transform, bool relative) = 0;
};

// A scene: its items in a tree under an invisible root, and its ordered item selection.
class VORNSDK_API SceneInterface {
public:
    VORNSDK_INTERFACE_ID("0b5e7d31-8a42-4f6e-b1c3-2d9a6e4f7a03")
    virtual ~SceneInterface();
    // Items at the top of the tree, in order.
    virtual ComponentList top_items() const = 0;
    // Every item, parents before children.
    virtual ComponentList items() const = 0;
    virtual void add_item(Component const& item) = 0;
    // The first item with this name, or null.
    virtual Component find_item(String const& name) const = 0;
};

// The scene the user works in; null before one exists.
VORNSDK_API Component active_scene();
// Selected items of a scene (default: the active scene), in the order they were selected.
VORNSDK_API ComponentList current_selection(Component const& scene = Component());
VORNSDK_API void add_to_selection(Component const& item);
VORNSDK_API void remove_from_selection(Component const& item);
VORNSDK_API void clear_selection(Component const& scene = Component());
VORNSDK_API int selection_mode();
VORNSDK_API void set_selection_mode(int mode);
// True in point, edge and polygon modes.
VORNSDK_API bool in_mesh_selection_mode();

} // namespace VORNSDK
