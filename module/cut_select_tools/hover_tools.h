#pragma once

#include "framework/command.h"

#include "vornsdk/mesh.h"
#include "vornsdk/picking.h"
#include "vornsdk/scene.h"

namespace tolvir {

// Base of the one-shot commands that act on the mesh element under the pointer, or on the
// selected elements when there is a selection: the user points and presses a key, no click first.
//
// The element acted on is kept in "Element" as text: "vertex 12", "edge (3,4)", "polygon 5", "item"
// or "selection". A run with "Element" set acts on that element of the first target item without
// picking, so a repeated or recorded run acts on the same element. With "Element" empty, a
// selection in the current mode comes first ("selection"); otherwise the element under the pointer
// of the application's "CurrentViewport" is picked and written into "Element". Elements that do
// not exist (any more) and texts that do not read are left alone; nothing to act on changes nothing.
class HoverTool : public Command {
public:
    // Chooses the targets and the element, and dispatches to the handlers below.
    bool v_execute(VORNSDK::Context& context) override;

    // The element text for a pick record (picked_element): "vertex N", "edge (A,B)", "polygon N",
    // or "item" for an item without a mesh or with none of them.
    static VORNSDK::String element_of(VORNSDK::PickRecord const& pick);

protected:
    // Each element handler runs inside a mesh edit of the item's mesh.
    virtual void execute_polygon(VORNSDK::MeshInterface& mesh, VORNSDK::Index polygon);
    virtual void execute_vertex(VORNSDK::MeshInterface& mesh, VORNSDK::Index vertex);
    virtual void execute_edge(VORNSDK::MeshInterface& mesh, VORNSDK::VertexPair edge);
    virtual void execute_whole_item(VORNSDK::Component const& item);

    // The item whose mesh the handler edits.
    VORNSDK::Component const& edited_item() const { return item_; }

    // Whether the command picks under the pointer when nothing is selected (every variant does).
    bool pick_under_cursor_ = false;

private:
    void dispatch(VORNSDK::String const& element, VORNSDK::Component const& item);
    void execute_on_selection(VORNSDK::ComponentList const& targets);
    void execute_vertices(VORNSDK::Component const& item);
    void execute_edges(VORNSDK::Component const& item);
    void execute_polygons(VORNSDK::Component const& item);

    VORNSDK::PickRecord pick_;
    VORNSDK::Component item_;
};

// Deletes the polygon (with the points only it used) or the vertex under the pointer.
class HoverDelete : public HoverTool {
public:
    HoverDelete() { pick_under_cursor_ = true; }
    static bool describe(VORNSDK::ComponentDescription& description);

protected:
    void execute_polygon(VORNSDK::MeshInterface& mesh, VORNSDK::Index polygon) override;
    void execute_vertex(VORNSDK::MeshInterface& mesh, VORNSDK::Index vertex) override;
};

// Reverses the polygon under the pointer, its per-corner values with it.
class HoverFlip : public HoverTool {
public:
    HoverFlip() { pick_under_cursor_ = true; }
    static bool describe(VORNSDK::ComponentDescription& description);

protected:
    void execute_polygon(VORNSDK::MeshInterface& mesh, VORNSDK::Index polygon) override;
};

// Makes the polygon under the pointer the only selected one and runs the host's "Extend".
class HoverExtend : public HoverTool {
public:
    HoverExtend() { pick_under_cursor_ = true; }
    static bool describe(VORNSDK::ComponentDescription& description);

protected:
    void execute_polygon(VORNSDK::MeshInterface& mesh, VORNSDK::Index polygon) override;
};

// Inserts an edge loop across the ring of the edge under the pointer ("SelectRing", "Connect");
// the new loop is left selected.
class HoverLoop : public HoverTool {
public:
    HoverLoop() { pick_under_cursor_ = true; }
    static bool describe(VORNSDK::ComponentDescription& description);

protected:
    void execute_edge(VORNSDK::MeshInterface& mesh, VORNSDK::VertexPair edge) override;
};

// Removes the edge loop through the edge under the pointer ("SelectLoop", then "Dissolve" in edge
// mode; the selection mode is restored afterwards).
class HoverLoopRemove : public HoverTool {
public:
    HoverLoopRemove() { pick_under_cursor_ = true; }
    static bool describe(VORNSDK::ComponentDescription& description);

protected:
    void execute_edge(VORNSDK::MeshInterface& mesh, VORNSDK::VertexPair edge) override;
};

} // namespace tolvir
