#pragma once

#include "teskar/mesh.h"

#include "vornsdk/component.h"

#include <array>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace vorn {

// The part of an OBJ file that vorn keeps: points, texture coordinates and faces with their
// materials, in file order. Indices are 0-based and already resolved (negative ones too).
struct ObjData {
    struct Face {
        std::vector<VORNSDK::Index> points;
        // One texture coordinate per corner, or empty when some corner has none.
        std::vector<VORNSDK::Index> uvs;
        // The name given by the last usemtl before the face; empty for none.
        std::string material;
    };
    std::vector<VORNSDK::Vector3d> points;
    std::vector<std::array<float, 2>> uvs;
    std::vector<Face> faces;
};

// Parses OBJ text. On a malformed line (a bad number, an index out of range, a face with fewer
// than three vertices or with a point twice) answers false with "FILE:LINE: reason", file being
// the name given here. Statements other than v, vt, vn, f and usemtl are skipped.
bool parse_obj(std::istream& in, std::string const& file, ObjData& data, std::string& error);
bool read_obj_file(std::string const& path, ObjData& data, std::string& error);

// Fills an empty mesh: point i is the i-th point of the data and polygon j its j-th face. Faces
// with a material get material(name); texture coordinates go into a per-corner map "UV".
void build_obj_mesh(ObjData const& data, teskar::Mesh& mesh,
                    std::function<VORNSDK::Component(std::string const&)> const& material);

// Writes every occupied point and polygon, renumbered densely in index order, with "usemtl"
// lines where the material changes (by the material's "Name") and the "UV" map as vt entries.
void write_obj(std::ostream& out, teskar::Mesh const& mesh, std::string const& object_name);
bool write_obj_file(std::string const& path, teskar::Mesh const& mesh, std::string const& object_name,
                    std::string& error);

} // namespace vorn
