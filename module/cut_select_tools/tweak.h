#pragma once

#include "cut_select_tools/picked_element.h"
#include "framework/interactive_modifier.h"

#include "vornsdk/mesh.h"
#include "vornsdk/picking.h"

#include <vector>

namespace tolvir {

// Works directly on the point, edge or polygon under the pointer of the first selected mesh.
//
// Hovering highlights the element under the pointer. A plain press grabs it and the drag moves it
// in the plane facing the view; with the right button the drag scales it instead (a point along
// its normal, an edge's ends towards its middle, a polygon about its centre). Modified presses
// edit at once: Ctrl removes the element, Shift selects a polygon or pulls a new triangle out of a
// border edge or a border point and grabs that; with the right button, Ctrl dissolves an edge
// and Shift inserts a loop across its ring. A drag moves only the points that pass the selection
// test (selected in point mode, on a selected edge or polygon in those modes, every point when
// nothing is selected and "NothingSelectedMeansEverythingSelected" is on). Each press, with its
// drag, is one undo step named "Tweak". While active, the tool keeps a "MeshEditRecorder"
// recording of the mesh.
class TestTool : public InteractiveModifier {
public:
    static bool describe(VORNSDK::ComponentDescription& description);

    void on_activate(VORNSDK::Component const& tool) override;
    void on_deactivate() override;
    void on_draw(VORNSDK::DrawInterface& draw) override;
    bool on_button_pressed(InputRecord const& input) override;
    void on_button_released(InputRecord const& input) override;
    void on_pointer_moved(InputRecord const& input, float dx, float dy, bool button_down) override;
    void on_screen_drag(DragValue const& value) override;
    void reapply() override;
    // The tool works on what is under the pointer: run without one it refuses, with a message.
    bool v_execute(VORNSDK::Context& context) override;

    PickedElement const& hovered() const { return hovered_; }

private:
    void hover(VORNSDK::Component const& viewport, double x, double y);
    void dissolve_edge(VORNSDK::MeshInterface& mesh);
    void insert_loop(VORNSDK::MeshInterface& mesh);
    void remove(VORNSDK::MeshInterface& mesh);
    void select_or_extend(VORNSDK::MeshInterface& mesh);
    void extend_border_point(VORNSDK::MeshInterface& mesh);
    void grab(VORNSDK::MeshInterface& mesh, InputRecord const& input);
    bool passes(VORNSDK::MeshInterface const& mesh, VORNSDK::Index point) const;
    std::vector<VORNSDK::Index> element_points(VORNSDK::MeshInterface const& mesh) const;

    VORNSDK::Component recorder_;
    VORNSDK::Component item_;
    VORNSDK::PickRecord pick_;
    PickedElement hovered_;
    bool key_a_ = false, key_b_ = false;

    // The grab: the button it began with, the points that move with their positions at the press
    // (in the item's own coordinates), the element's reference point and, for a point scaled along
    // its normal, that normal.
    int grab_button_ = -1;
    std::vector<VORNSDK::Index> moved_;
    std::vector<VORNSDK::Vector3d> at_press_;
    VORNSDK::Vector3d centre_, normal_, screen_right_;
    VORNSDK::Matrix4d to_item_;
    // Points the press made: they follow the drag whatever the selection says.
    std::vector<VORNSDK::Index> made_;
    bool near_point_ = false;
};

} // namespace tolvir
