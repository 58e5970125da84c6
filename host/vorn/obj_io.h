#pragma once

#include "teskar/mesh.h"

#include "vornsdk/component.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// The material of a "usemtl" name.
using ObjMaterials = std::function<VORNSDK::Component(std::string const&)>;

// Reads OBJ text into an empty mesh: point i is the i-th "v" of the text and polygon j its j-th
// face; faces after a "usemtl" get that name's material; texture coordinates go into a
// per-corner map "UV". Other statements are skipped. The text is counted first, to size the mesh
// once; then chunks of it are parsed on several threads and put into the mesh in order. On a
// malformed line (a bad number, an index out of range, a face with fewer than three vertices or
// with a point twice) answers false with "FILE:LINE: reason", file being the name given here; the
// mesh then holds what came before.
bool read_obj(std::string_view text, std::string const& file, teskar::Mesh& mesh, ObjMaterials const& materials,
              std::string& error);
// read_obj on a file's text, read where the system maps it rather than copied.
bool read_obj_file(std::string const& path, teskar::Mesh& mesh, ObjMaterials const& materials, std::string& error);

// Writes every occupied point and polygon, renumbered densely in index order, with "usemtl"
// lines where the material changes (by the material's "Name") and the "UV" map as vt entries.
void write_obj(std::ostream& out, teskar::Mesh const& mesh, std::string const& object_name);
bool write_obj_file(std::string const& path, teskar::Mesh const& mesh, std::string const& object_name,
                    std::string& error);

} // namespace vorn
