#pragma once

#include "vornsdk/math.h"
#include "vornsdk/mesh.h"
#include "vornsdk/string.h"

#include <string>
#include <string_view>

namespace tolvir {

// The mesh text: a plain-text form of a mesh with its points, faces in winding order, hard
// edges and material assignments. Point and face numbers in the text are positions in the text,
// not host indices.

// Writes the polygons of a range. With world set, points are written through that matrix; with
// all_points, every point of the mesh is written (in index order) and not only those the
// polygons use.
VORNSDK::String write_mesh_text(VORNSDK::MeshInterface const& mesh, VORNSDK::MasterArrayIterator begin,
                                VORNSDK::MasterArrayIterator end, VORNSDK::Matrix4d const* world, bool all_points);
// Writes the polygons of a selection, in selection order.
VORNSDK::String write_mesh_text(VORNSDK::MeshInterface const& mesh, VORNSDK::SelectionSet<VORNSDK::Index> const& polygons,
                                VORNSDK::Matrix4d const* world, bool all_points);

// Puts the mesh text of the mesh on the clipboard: every polygon, or with selected_only the
// selected polygons (all of them when none is selected and nothing selected means everything;
// otherwise the empty text).
void copy_mesh_to_clipboard(VORNSDK::MeshInterface const& mesh, bool selected_only);

// What reading got through: the counts of elements added.
struct MeshTextReport {
    std::size_t points = 0, faces = 0, hard_edges = 0, assignments = 0;
    // False when the text ended early or held something that is not mesh text.
    bool complete = false;
};

// Adds the text's mesh to the mesh. Reading stops at the first thing that is not mesh text and
// keeps what it has added; entries that name points or faces the text does not have are skipped.
// Materials are found by name among the children of the active scene's "MaterialLibrary".
MeshTextReport read_mesh_text(VORNSDK::MeshInterface& mesh, std::string_view text);
MeshTextReport read_mesh_text(VORNSDK::MeshInterface& mesh, VORNSDK::String const& text);

} // namespace tolvir
