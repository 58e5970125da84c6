#include "obj_io.h"

#include "file_input.h"
#include "file_output.h"

#include "text_excerpt.h"
#include "text_numbers.h"

#include "teskar/mesh_builder.h"

#include "vornsdk/attribute.h"

#include <algorithm>
#include <array>
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

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The next blank-separated word of a line, taken off its front; empty at the end.
std::string_view next_word(std::string_view& rest)
{
    std::size_t i = 0;
    while (i < rest.size() && blank(rest[i]))
        ++i;
    std::size_t j = i;
    while (j < rest.size() && !blank(rest[j]))
        ++j;
    std::string_view const word = rest.substr(i, j - i);
    rest.remove_prefix(j);
    return word;
}

// Calls line(text, number) for every line of the stream, read in large blocks; a line that
// spans blocks is put together first. Stops early when line answers false.
template <class Line>
bool for_each_line(std::istream& in, Line line)
{
    std::vector<char> block(1 << 20);
    std::string carried;
    std::size_t number = 0;
    for (;;) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        std::size_t const got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            break;
        std::string_view rest(block.data(), got);
        for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(end + 1)) {
            std::string_view text = rest.substr(0, end);
            if (!carried.empty()) {
                carried.append(text);
                text = carried;
            }
            bool const go_on = line(text, ++number);
            carried.clear();
            if (!go_on)
                return true;
        }
        carried.append(rest);
    }
    if (!carried.empty())
        line(std::string_view(carried), ++number);
    return !in.bad();
}

// How many points, polygons and corners the text holds, to size the mesh once.
struct ObjCounts {
    std::size_t points = 0, polygons = 0, corners = 0;
};

ObjCounts count_obj(std::istream& in)
{
    ObjCounts counts;
    for_each_line(in, [&](std::string_view text, std::size_t) {
        std::size_t i = 0;
        while (i < text.size() && blank(text[i]))
            ++i;
        if (i + 1 >= text.size() || !blank(text[i + 1]))
            return true;
        if (text[i] == 'v') {
            ++counts.points;
        } else if (text[i] == 'f') {
            ++counts.polygons;
            // Words start where a blank ends.
            for (std::size_t k = i + 2; k < text.size(); ++k)
                counts.corners += !blank(text[k]) && blank(text[k - 1]);
        }
        return true;
    });
    return counts;
}

// A whole word as a decimal integer with an optional sign; quicker than the general reader for
// the many indices of the faces.
bool parse_index(std::string_view text, long long& value)
{
    bool const negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    if (text.empty() || text.size() > 18)
        return parse_number(text, value) && (value = negative ? -value : value, true);
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    value = negative ? -v : v;
    return true;
}

// Reads OBJ statements straight into a mesh, one line at a time.
class ObjReader {
public:
    ObjReader(teskar::Mesh& mesh, ObjCounts const& counts, ObjMaterials const& materials)
        : mesh_(mesh), build_(mesh, counts.points, counts.polygons, counts.corners), materials_(materials)
    {
    }

    // Empty on success, else the reason the line is malformed.
    std::string line(std::string_view text)
    {
        if (auto hash = text.find('#'); hash != std::string_view::npos)
            text = text.substr(0, hash);
        std::string_view rest = text;
        std::string_view const keyword = next_word(rest);
        if (keyword == "v")
            return vertex(rest);
        if (keyword == "vt")
            return texture(rest);
        if (keyword == "vn")
            return normal(rest);
        if (keyword == "f")
            return face(rest);
        if (keyword == "usemtl") {
            // A material name may hold blanks: it is the rest of the line.
            std::size_t const start = rest.find_first_not_of(" \t");
            std::size_t const end = rest.find_last_not_of(" \t\r");
            std::string const name = start == std::string_view::npos ? std::string() : std::string(rest.substr(start, end + 1 - start));
            material_ = name.empty() || !materials_ ? VORNSDK::Component() : materials_(name);
        }
        return {};
    }

    void finish()
    {
        build_.finish();
        for (auto const& [f, material] : polygon_materials_)
            mesh_.set_polygon_material(f, material);
        for (auto& [f, values] : corner_values_)
            mesh_.set_corner_values(uv_map_, f, std::move(values));
    }

private:
    // Between least and most numbers, read into numbers_.
    std::string numbers(std::string_view rest, char const* keyword, std::size_t least, std::size_t most)
    {
        numbers_.clear();
        for (std::string_view word = next_word(rest); !word.empty(); word = next_word(rest)) {
            double v = 0;
            if (!parse_number(word, v))
                return "bad number " + quoted_excerpt(word);
            numbers_.push_back(v);
        }
        if (numbers_.size() < least || numbers_.size() > most)
            return std::string(keyword) + " takes " + std::to_string(least) +
                   (least == most ? "" : " to " + std::to_string(most)) + " numbers";
        return {};
    }

    std::string vertex(std::string_view rest)
    {
        // x y z, optionally w or a colour; only the position is kept.
        if (auto e = numbers(rest, "v", 3, 7); !e.empty())
            return e;
        build_.add_point({numbers_[0], numbers_[1], numbers_[2]});
        ++points_;
        return {};
    }

    std::string texture(std::string_view rest)
    {
        if (auto e = numbers(rest, "vt", 1, 3); !e.empty())
            return e;
        uvs_.push_back({float(numbers_[0]), numbers_.size() > 1 ? float(numbers_[1]) : 0.0f});
        return {};
    }

    std::string normal(std::string_view rest)
    {
        if (auto e = numbers(rest, "vn", 3, 3); !e.empty())
            return e;
        ++normals_;
        return {};
    }

    // A 1-based index, or a negative one counting back from the last element read so far.
    static std::string resolve(std::string_view text, std::size_t count, char const* what, VORNSDK::Index& out)
    {
        long long i = 0;
        if (!parse_index(text, i))
            return "bad index " + quoted_excerpt(text);
        long long const resolved = i < 0 ? static_cast<long long>(count) + i : i - 1;
        if (i == 0 || resolved < 0 || resolved >= static_cast<long long>(count))
            return std::string(what) + " index " + excerpt(text) + " out of range (" + std::to_string(count) + " " +
                   what + "s)";
        out = static_cast<VORNSDK::Index>(resolved);
        return {};
    }

    std::string face(std::string_view rest)
    {
        corners_.clear();
        corner_uvs_.clear();
        bool every_uv = true;
        for (std::string_view word = next_word(rest); !word.empty(); word = next_word(rest)) {
            if (corners_.size() == VORNSDK::kMaxPolygonVertices)
                return "face with more than " + std::to_string(VORNSDK::kMaxPolygonVertices) + " vertices";
            // v, v/vt, v//vn or v/vt/vn
            std::string_view parts[3];
            std::size_t n = 0;
            std::string_view part = word;
            for (;;) {
                std::size_t const slash = part.find('/');
                if (n == 2 && slash != std::string_view::npos)
                    return "bad face vertex " + quoted_excerpt(word);
                parts[n++] = part.substr(0, slash);
                if (slash == std::string_view::npos)
                    break;
                part.remove_prefix(slash + 1);
            }
            VORNSDK::Index p = 0;
            if (auto e = resolve(parts[0], points_, "point", p); !e.empty())
                return e;
            if (std::find(corners_.begin(), corners_.end(), p) != corners_.end())
                return "face uses point " + std::to_string(p + 1) + " twice";
            corners_.push_back(p);
            if (n > 1 && !parts[1].empty()) {
                VORNSDK::Index t = 0;
                if (auto e = resolve(parts[1], uvs_.size(), "texture coordinate", t); !e.empty())
                    return e;
                corner_uvs_.push_back(t);
            } else {
                every_uv = false;
            }
            if (n > 2 && !parts[2].empty()) {
                VORNSDK::Index unused = 0;
                if (auto e = resolve(parts[2], normals_, "normal", unused); !e.empty())
                    return e;
            }
        }
        if (corners_.size() < 3)
            return "face with " + std::to_string(corners_.size()) + " vertices";
        // The checks above leave nothing the mesh could refuse.
        VORNSDK::Index const f = build_.add_polygon(corners_);
        if (material_)
            polygon_materials_.emplace_back(f, material_);
        if (every_uv) {
            if (corner_values_.empty())
                uv_map_ = mesh_.add_vertex_map("UV", 2);
            std::vector<float> values;
            values.reserve(2 * corner_uvs_.size());
            for (VORNSDK::Index t : corner_uvs_)
                values.insert(values.end(), uvs_[t].begin(), uvs_[t].end());
            corner_values_.emplace_back(f, std::move(values));
        }
        return {};
    }

    teskar::Mesh& mesh_;
    teskar::MeshBuilder build_;
    ObjMaterials const& materials_;
    VORNSDK::Component material_;
    std::size_t points_ = 0, normals_ = 0;
    std::vector<std::array<float, 2>> uvs_;
    std::vector<double> numbers_;
    std::vector<VORNSDK::Index> corners_, corner_uvs_;
    // What goes onto the polygons once the mesh is whole.
    std::vector<std::pair<VORNSDK::Index, VORNSDK::Component>> polygon_materials_;
    std::vector<std::pair<VORNSDK::Index, std::vector<float>>> corner_values_;
    std::size_t uv_map_ = 0;
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

bool read_obj(std::istream& in, std::string const& file, teskar::Mesh& mesh, ObjMaterials const& materials,
              std::string& error)
{
    ObjCounts const counts = count_obj(in);
    if (in.bad()) {
        error = "cannot read '" + file + "'";
        return false;
    }
    in.clear();
    in.seekg(0);
    ObjReader reader(mesh, counts, materials);
    bool const read = for_each_line(in, [&](std::string_view text, std::size_t number) {
        if (std::string reason = reader.line(text); !reason.empty()) {
            error = file + ":" + std::to_string(number) + ": " + reason;
            return false;
        }
        return true;
    });
    reader.finish();
    if (!read) {
        error = "cannot read '" + file + "'";
        return false;
    }
    return error.empty();
}

bool read_obj_file(std::string const& path, teskar::Mesh& mesh, ObjMaterials const& materials, std::string& error)
{
    std::ifstream in;
    return open_for_reading(path, in, error) && read_obj(in, path, mesh, materials, error);
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
