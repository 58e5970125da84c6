#pragma once

#include "framework/interactive_modifier.h"

#include "vornsdk/attribute.h"

#include <optional>
#include <vector>

namespace tolvir {

class ItemNames;
class ToolGizmo;

// What both layouts share: the item repeated.
class ArrayBase {
protected:
    VORNSDK::Component source_;
};

// The radial layout keeps the items its runs made, by element number less one.
class RadialArray : public virtual ArrayBase {
protected:
    std::vector<VORNSDK::Component> radial_items_;
};

// The linear layout keeps the items its runs made, by element number less one.
class RectangularArray : public virtual ArrayBase {
protected:
    std::vector<VORNSDK::Component> linear_items_;
};

// Repeats the selected polygons of the active mesh, or the mesh's item, on a 3-D grid ("linear")
// or around an axis ("radial"): as new polygons in the same mesh ("Mesh"), as reference items
// that show the item's mesh ("Instance") or as items with copies of it ("Copy"). Item repeats
// stand beside the item under its parent.
//
// Every change re-applies the array from the scene as it was before the tool, within the tool's
// one undo step; a re-run reuses the items the runs before it made and only makes the missing
// ones. The translate gizmo, and presses beside it, move the radial layout's "origin".
class Array : public RadialArray, public RectangularArray, public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);

    void setup() override;
    void attribute_changed(std::uint32_t index) override;
    void on_activate(VORNSDK::Component const& tool) override;
    bool can_resume() override { return true; }
    bool on_button_pressed(InputRecord const& input) override;
    Dragger* gizmo_query(VORNSDK::GizmoHandle const& handle, InputRecord const& input) override;
    void on_gizmo_dragged(VORNSDK::GizmoHandle const& handle, DragValue const& value) override;
    void on_screen_drag(DragValue const& value) override;
    void apply(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item) override;
    void reapply() override;

    // The items the runs of each layout made, in element order (for tests and scripts).
    std::vector<VORNSDK::Component> const& linear_items() const { return linear_items_; }
    std::vector<VORNSDK::Component> const& radial_items() const { return radial_items_; }

private:
    void apply_linear(VORNSDK::Component const& item, VORNSDK::MeshInterface& mesh);
    void apply_radial(VORNSDK::Component const& item, VORNSDK::MeshInterface& mesh);
    // Element e (from 1) of a layout's list, made when missing or of another kind, and in the
    // scene beside the source; null when it cannot be made.
    // New items are named by names, made on first use.
    VORNSDK::Component element(std::vector<VORNSDK::Component>& items, std::size_t e, VORNSDK::Component const& source,
                               bool instance, std::optional<ItemNames>& names);
    void show_gizmo_for_layout();
    void place_gizmo();

    ToolGizmo* gizmo_ = nullptr;
    // The source's geometry as a copy takes it, recorded once per run.
    VORNSDK::Component recorder_;
};

} // namespace tolvir
