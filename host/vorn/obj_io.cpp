#include "obj_io.h"

#include "file_output.h"

#include "vornsdk/attribute.h"

#include <charconv>
#include <ostream>

namespace vorn {

using VORNSDK::Index;

namespace {

// Shortest text that reads back as the same number.
template <class T>
std::string number(T v)
{
    char buffer[32];
    auto const [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, end);
}

} // namespace

void write_obj(std::ostream& out, teskar::Mesh const& mesh, std::string const& object_name)
{
    out << "# " << mesh.points().count() << " points, " << mesh.polygons().count() << " polygons\n";
    if (!object_name.empty())
        out << "o " << object_name << '\n';
    std::vector<Index> renumbered(mesh.points().slots(), VORNSDK::kNoIndex);
    Index next = 0;
    for (Index p : mesh.points()) {
        renumbered[p] = ++next;
        auto const q = mesh.point_position(p);
        out << "v " << number(q.x) << ' ' << number(q.y) << ' ' << number(q.z) << '\n';
    }

    std::size_t uv_map = mesh.num_vertex_maps();
    for (std::size_t m = 0; m < mesh.num_vertex_maps(); ++m)
        if (mesh.vertex_map_name(m) == VORNSDK::String("UV") && mesh.vertex_map_dimension(m) == 2)
            uv_map = m;
    // Texture coordinates are written per corner, in polygon order; the faces refer to them in turn.
    bool const has_uvs = uv_map < mesh.num_vertex_maps();
    if (has_uvs)
        for (Index f : mesh.polygons()) {
            auto const& values = mesh.corner_values(uv_map, f);
            for (std::size_t k = 0; k + 1 < values.size(); k += 2)
                out << "vt " << number(values[k]) << ' ' << number(values[k + 1]) << '\n';
        }

    std::string current;
    Index next_uv = 0;
    for (Index f : mesh.polygons()) {
        VORNSDK::Component const material = mesh.polygon_material(f);
        std::string const name = material ? material["Name"].as_string().to_utf8() : std::string();
        // A polygon without a material after one with a material goes back to the library's default.
        std::string const label = name.empty() && !current.empty() ? "Default" : name;
        if (label != current) {
            out << "usemtl " << label << '\n';
            current = label;
        }
        bool const with_uvs = has_uvs && !mesh.corner_values(uv_map, f).empty();
        out << 'f';
        for (Index v : mesh.polygon_vertices(f)) {
            out << ' ' << renumbered[v];
            if (with_uvs)
                out << '/' << ++next_uv;
        }
        out << '\n';
    }
}

bool write_obj_file(std::string const& path, teskar::Mesh const& mesh, std::string const& object_name,
                    std::string& error)
{
    return replace_file(
        path,
        [&](std::ostream& out) {
            write_obj(out, mesh, object_name);
            return std::string();
        },
        error);
}

} // namespace vorn
