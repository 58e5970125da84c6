#pragma once

#include "framework/interactive_modifier.h"

#include "vornsdk/index_set.h"
#include "vornsdk/picking.h"

namespace tolvir {

// Inserts edge loops across the ring of quads under the pointer, or removes the loop under it.
//
// Hovering picks the edge under the pointer and previews the loops across its ring; a click
// writes the edge and the cut fraction into "Edge" and "Cut", which inserts the loops, and
// commits: one "Add Loop" undo step per click, with "Slices", "Mirror" and "Absolute" kept for
// the next one. Holding "RemoveLoop" removes the loop under the pointer instead. When the mesh
// has selected polygons, the loops cut across the rings through them.
class EdgeOps : public InteractiveModifier {
public:
    enum Mode { kInsert = 0, kRemoveLoop = 1, kSlideLoop = 2 };

    static bool describe(VORNSDK::ComponentDescription& description);

    void on_activate(VORNSDK::Component const& tool) override;
    void on_action_pressed(VORNSDK::String const& action) override;
    void on_action_released(VORNSDK::String const& action) override;
    void on_draw(VORNSDK::DrawInterface& draw) override;
    bool on_button_pressed(InputRecord const& input) override;
    void on_pointer_moved(InputRecord const& input, float dx, float dy, bool button_down) override;
    void apply(VORNSDK::ComponentInterfaceReferenceT<VORNSDK::SceneItemInterface> const& item) override;

    VORNSDK::VertexPair hovered_edge() const { return hovered_; }
    double cut_fraction() const { return cut_; }
    int mode() const { return mode_; }

private:
    void draw_ring_preview(VORNSDK::DrawInterface& draw) const;
    void draw_loop_preview(VORNSDK::DrawInterface& draw) const;
    void remove_hovered_loop();
    void add_loop(InputRecord const& input);

    bool polygon_selection_empty_ = false;
    VORNSDK::VertexPair hovered_;
    VORNSDK::PickRecord pick_;
    double cut_ = 0;
    int mode_ = kInsert;
};

} // namespace tolvir
