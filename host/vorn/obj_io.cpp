#include "obj_io.h"

#include "file_input.h"
#include "file_output.h"

#include "text_excerpt.h"
#include "text_numbers.h"

#include "vornsdk/attribute.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
#include <string_view>

namespace vorn {

using VORNSDK::Index;

namespace {

std::vector<std::string_view> split_blanks(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        std::size_t const start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            out.push_back(line.substr(start, i - start));
    }
    return out;
}

// Reads one line's worth of OBJ statements into the data, reporting failures as a reason.
class ObjParser {
public:
    explicit ObjParser(ObjData& data) : data_(data) {}

    // Empty on success, else the reason the line is malformed.
    std::string line(std::string_view text)
    {
        if (auto hash = text.find('#'); hash != std::string_view::npos)
            text = text.substr(0, hash);
        auto const words = split_blanks(text);
        if (words.empty())
            return {};
        std::string_view const keyword = words.front();
        if (keyword == "v")
            return vertex(words);
        if (keyword == "vt")
            return texture(words);
        if (keyword == "vn")
            return normal(words);
        if (keyword == "f")
            return face(words);
        if (keyword == "usemtl") {
            // A material name may hold blanks: it is the rest of the line.
            std::size_t const start = text.find_first_not_of(" \t", text.find("usemtl") + 6);
            std::size_t const end = text.find_last_not_of(" \t\r");
            material_ = start == std::string_view::npos ? std::string() : std::string(text.substr(start, end + 1 - start));
            return {};
        }
        return {};
    }

private:
    std::string numbers(std::vector<std::string_view> const& words, std::size_t least, std::size_t most,
                        std::vector<double>& out)
    {
        if (words.size() - 1 < least || words.size() - 1 > most)
            return std::string(words.front()) + " takes " + std::to_string(least) +
                   (least == most ? "" : " to " + std::to_string(most)) + " numbers";
        for (std::size_t k = 1; k < words.size(); ++k) {
            double v = 0;
            if (!parse_number(words[k], v))
                return "bad number " + quoted_excerpt(words[k]);
            out.push_back(v);
        }
        return {};
    }

    std::string vertex(std::vector<std::string_view> const& words)
    {
        // x y z, optionally w or a colour; only the position is kept.
        std::vector<double> v;
        if (auto e = numbers(words, 3, 7, v); !e.empty())
            return e;
        data_.points.push_back({v[0], v[1], v[2]});
        return {};
    }

    std::string texture(std::vector<std::string_view> const& words)
    {
        std::vector<double> v;
        if (auto e = numbers(words, 1, 3, v); !e.empty())
            return e;
        data_.uvs.push_back({float(v[0]), v.size() > 1 ? float(v[1]) : 0.0f});
        return {};
    }

    std::string normal(std::vector<std::string_view> const& words)
    {
        std::vector<double> v;
        if (auto e = numbers(words, 3, 3, v); !e.empty())
            return e;
        ++normals_;
        return {};
    }

    // A 1-based index, or a negative one counting back from the last element read so far.
    std::string resolve(std::string_view text, std::size_t count, char const* what, Index& out)
    {
        long long i = 0;
        if (!parse_number(text, i))
            return "bad index " + quoted_excerpt(text);
        long long const resolved = i < 0 ? static_cast<long long>(count) + i : i - 1;
        if (i == 0 || resolved < 0 || resolved >= static_cast<long long>(count))
            return std::string(what) + " index " + excerpt(text) + " out of range (" + std::to_string(count) + " " +
                   what + "s)";
        out = static_cast<Index>(resolved);
        return {};
    }

    std::string face(std::vector<std::string_view> const& words)
    {
        if (words.size() - 1 < 3)
            return "face with " + std::to_string(words.size() - 1) + " vertices";
        if (words.size() - 1 > VORNSDK::kMaxPolygonVertices)
            return "face with more than " + std::to_string(VORNSDK::kMaxPolygonVertices) + " vertices";
        ObjData::Face f;
        f.material = material_;
        bool every_uv = true;
        for (std::size_t k = 1; k < words.size(); ++k) {
            // v, v/vt, v//vn or v/vt/vn
            std::string_view parts[3];
            std::size_t n = 0;
            std::string_view rest = words[k];
            for (;;) {
                std::size_t const slash = rest.find('/');
                if (n == 2 && slash != std::string_view::npos)
                    return "bad face vertex " + quoted_excerpt(words[k]);
                parts[n++] = rest.substr(0, slash);
                if (slash == std::string_view::npos)
                    break;
                rest.remove_prefix(slash + 1);
            }
            Index p = 0;
            if (auto e = resolve(parts[0], data_.points.size(), "point", p); !e.empty())
                return e;
            for (Index q : f.points)
                if (q == p)
                    return "face uses point " + std::to_string(p + 1) + " twice";
            f.points.push_back(p);
            if (n > 1 && !parts[1].empty()) {
                Index t = 0;
                if (auto e = resolve(parts[1], data_.uvs.size(), "texture coordinate", t); !e.empty())
                    return e;
                f.uvs.push_back(t);
            } else {
                every_uv = false;
            }
            if (n > 2 && !parts[2].empty()) {
                Index unused = 0;
                if (auto e = resolve(parts[2], normals_, "normal", unused); !e.empty())
                    return e;
            }
        }
        if (!every_uv)
            f.uvs.clear();
        data_.faces.push_back(std::move(f));
        return {};
    }

    ObjData& data_;
    std::string material_;
    std::size_t normals_ = 0;
};

// Shortest text that reads back as the same number.
template <class T>
std::string number(T v)
{
    char buffer[32];
    auto const [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, end);
}

} // namespace

bool parse_obj(std::istream& in, std::string const& file, ObjData& data, std::string& error)
{
    ObjData parsed;
    ObjParser parser(parsed);
    std::string text;
    for (std::size_t line = 1; std::getline(in, text); ++line) {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (std::string reason = parser.line(text); !reason.empty()) {
            error = file + ":" + std::to_string(line) + ": " + reason;
            return false;
        }
    }
    if (in.bad()) {
        error = "cannot read '" + file + "'";
        return false;
    }
    data = std::move(parsed);
    return true;
}

bool read_obj_file(std::string const& path, ObjData& data, std::string& error)
{
    std::ifstream in;
    return open_for_reading(path, in, error) && parse_obj(in, path, data, error);
}

void build_obj_mesh(ObjData const& data, teskar::Mesh& mesh,
                    std::function<VORNSDK::Component(std::string const&)> const& material)
{
    for (auto const& p : data.points)
        mesh.add_point(p);
    bool const has_uvs = std::any_of(data.faces.begin(), data.faces.end(), [](auto const& f) { return !f.uvs.empty(); });
    std::size_t const uv_map = has_uvs ? mesh.add_vertex_map("UV", 2) : 0;
    mesh.prepare_polygons(VORNSDK::kElementPolygons, static_cast<Index>(data.faces.size()));
    for (auto const& face : data.faces) {
        VORNSDK::CompactIndexArray vertices;
        for (Index p : face.points)
            vertices.push_back(p);
        // The parser refused short faces and repeated points, so every face is accepted.
        Index const f = mesh.add_polygon(vertices);
        if (!face.material.empty() && material)
            mesh.set_polygon_material(f, material(face.material));
        if (!face.uvs.empty()) {
            std::vector<float> values;
            for (Index t : face.uvs)
                values.insert(values.end(), data.uvs[t].begin(), data.uvs[t].end());
            mesh.set_corner_values(uv_map, f, std::move(values));
        }
    }
}

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
