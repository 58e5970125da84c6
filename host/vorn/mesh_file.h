#pragma once

#include "teskar/mesh.h"

#include "vornsdk/component.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vorn {

// The mesh text (docs/mesh-text.md): the plain-text mesh form that the module's Break passes
// through the clipboard, read and written here for vorn's .mesh files.

// Every polygon of the mesh in index order; points numbered in the order the polygons first use
// them, hard edges in the order the polygon sides meet them, materials in creation order. A
// double quote or backslash in a material name is written after a backslash, so that the name
// reads back as it was (the module's clipboard text writes names unchanged).
std::string write_mesh_text(teskar::Mesh const& mesh);
bool write_mesh_file(std::string const& path, teskar::Mesh const& mesh, std::string& error);

// What a read added, and where it stopped.
struct MeshTextRead {
    std::size_t points = 0, faces = 0, hard_edges = 0, assignments = 0;
    // Faces, hard edges and material assignments the text names but that could not be added
    // (unknown points or faces, faces with fewer than three distinct points, no material).
    std::size_t skipped = 0;
    // True when the text was read to its end; otherwise stop is the offset of the token that
    // did not fit (the text's size when it ended early).
    bool complete = false;
    std::size_t stop = 0;
};

// The material of a name, or a null component to leave those faces without one. Called once per
// material entry, and only when the entry names a face that was read.
using MaterialLookup = std::function<VORNSDK::Component(std::string const&)>;

// Adds the text's mesh to the mesh. Reading stops at the first thing that is not mesh text and
// keeps what it has added; entries naming points or faces the text lacks are skipped.
MeshTextRead read_mesh_text(std::string_view text, teskar::Mesh& mesh, MaterialLookup const& material);

// Reads a .mesh file into an empty mesh. Answers false, with "FILE: reason" or
// "FILE:LINE:COLUMN: reason", when the file cannot be read or does not start with "MeshData"; the
// mesh is then untouched. Otherwise loads what the text holds and, when reading stopped early or
// skipped entries, says so in warning (same form).
bool read_mesh_file(std::string const& path, teskar::Mesh& mesh, MaterialLookup const& material, std::string& error,
                    std::string& warning);

} // namespace vorn
