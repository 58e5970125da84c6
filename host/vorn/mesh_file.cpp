#include "mesh_file.h"

#include "teskar/mesh_builder.h"

#include "file_input.h"
#include "file_output.h"

#include "vornsdk/attribute.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <optional>
#include <vector>

namespace vorn {

using VORNSDK::Component;
using VORNSDK::Index;
using VORNSDK::kNoIndex;

namespace {

void put(std::string& out, std::size_t n)
{
    char buffer[24];
    auto const r = std::to_chars(buffer, buffer + sizeof buffer, n);
    out.append(buffer, r.ptr);
}

// Six significant digits in the general form, as printf's "%g" writes them.
void put(std::string& out, double v)
{
    char buffer[40];
    auto const r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6);
    out.append(buffer, r.ptr);
}

} // namespace

std::string write_mesh_text(teskar::Mesh const& mesh)
{
    std::vector<Index> number(mesh.points().slots(), kNoIndex);
    std::size_t numbered = 0, written = 0;
    std::string points, faces;
    VORNSDK::EdgeMarker hard;
    // Keyed by the component order, which is the order the materials were made in.
    std::map<Component, std::vector<std::size_t>> materials;
    for (Index f : mesh.polygons()) {
        VORNSDK::PolygonVertices const vertices = mesh.polygon_vertices(f);
        if (Component const material = mesh.polygon_material(f))
            materials[material].push_back(written);
        faces += "\n\t";
        put(faces, std::size_t(vertices.count));
        faces += " (";
        for (std::uint16_t k = 0; k < vertices.count; ++k) {
            Index const p = vertices[k];
            if (number[p] == kNoIndex) {
                number[p] = static_cast<Index>(numbered++);
                auto const q = mesh.point_position(p);
                points += "\n\t(";
                put(points, q.x);
                points += ',';
                put(points, q.y);
                points += ',';
                put(points, q.z);
                points += ')';
            }
            if (k)
                faces += ',';
            put(faces, std::size_t(number[p]));
            // A side keeps the direction it was first met in.
            if (mesh.edge_hard(vertices.edge(k)))
                hard.insert(vertices.edge(k));
        }
        faces += ')';
        ++written;
    }

    std::string out = "MeshData\n\n";
    put(out, numbered);
    out += " Points\n{" + points + "\n}\n\n";
    put(out, written);
    out += " Faces\n{" + faces + "\n}\n\n";
    put(out, hard.size());
    out += " HardEdges\n{";
    for (VORNSDK::VertexPair const e : hard) {
        out += "\n\t(";
        put(out, std::size_t(number[e.v1]));
        out += ',';
        put(out, std::size_t(number[e.v2]));
        out += ')';
    }
    out += "\n}\n\n";
    put(out, materials.size());
    out += " Materials\n{";
    for (auto const& [material, list] : materials) {
        out += "\n\t\"";
        // The reader takes a backslash in a quoted name as an escape; escaping quotes and
        // backslashes lets every name come back as it was.
        for (char const c : material["Name"].value().as_string().to_utf8()) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += "\" ";
        put(out, list.size());
        for (std::size_t face : list) {
            out += ' ';
            put(out, face);
        }
    }
    out += "\n}";
    return out;
}

bool write_mesh_file(std::string const& path, teskar::Mesh const& mesh, std::string& error)
{
    std::string const text = write_mesh_text(mesh);
    return replace_file(
        path,
        [&](std::ostream& out) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            return std::string();
        },
        error);
}

namespace {

// Tokens of the mesh text: "(", ")", ",", "[" and "]" stand alone; a double quote starts a
// quoted token in which a backslash takes the next character literally; anything else runs to
// the next blank, single-character token or quote. Past the end every token is empty.
class Tokens {
public:
    explicit Tokens(std::string_view text) : text_(text) {}

    std::string_view next()
    {
        while (pos_ < text_.size() && blank(text_[pos_]))
            ++pos_;
        start_ = pos_;
        if (pos_ >= text_.size())
            return {};
        if (single(text_[pos_]))
            return text_.substr(pos_++, 1);
        if (text_[pos_] == '"') {
            quoted_.clear();
            for (++pos_; pos_ < text_.size() && text_[pos_] != '"'; ++pos_) {
                if (text_[pos_] == '\\' && pos_ + 1 < text_.size())
                    ++pos_;
                quoted_.push_back(text_[pos_]);
            }
            pos_ += pos_ < text_.size();
            return quoted_;
        }
        while (pos_ < text_.size() && !blank(text_[pos_]) && !single(text_[pos_]) && text_[pos_] != '"')
            ++pos_;
        return text_.substr(start_, pos_ - start_);
    }

    // Where the last token began.
    std::size_t start() const { return start_; }

private:
    static bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    static bool single(char c) { return c == '(' || c == ')' || c == ',' || c == '[' || c == ']'; }

    std::string_view text_;
    std::size_t pos_ = 0, start_ = 0;
    std::string quoted_;
};

bool unsigned_number(std::string_view t, std::uint64_t& out)
{
    auto const [end, error] = std::from_chars(t.data(), t.data() + t.size(), out);
    return !t.empty() && error == std::errc() && end == t.data() + t.size();
}

// Reads mesh text section by section; each step answers false once the text stops making sense.
class Reader {
public:
    Reader(std::string_view text, teskar::Mesh& mesh, MaterialLookup const& material)
        : tokens_(text), size_(text.size()), mesh_(mesh), material_(material)
    {
    }

    MeshTextRead run()
    {
        result_.complete = points() && faces() && hard_edges() && materials();
        // A text that breaks off among the faces leaves the mesh whole all the same.
        if (build_)
            build_->finish();
        if (result_.complete)
            tokens_.next();
        else
            result_.stop = tokens_.start();
        return result_;
    }

private:
    // Separators are skipped whatever they hold.
    void skip() { tokens_.next(); }
    bool word(std::string_view expected) { return tokens_.next() == expected; }
    bool count(std::uint64_t& n) { return unsigned_number(tokens_.next(), n); }

    // A number, after one "," when there is one.
    std::string_view value()
    {
        std::string_view const t = tokens_.next();
        return t == "," ? tokens_.next() : t;
    }

    bool coordinate(double& out)
    {
        std::string_view const t = value();
        auto const [end, error] = std::from_chars(t.data(), t.data() + t.size(), out);
        return !t.empty() && error == std::errc() && end == t.data() + t.size() && std::isfinite(out);
    }

    Index point(std::uint64_t number) const { return number < points_.size() ? points_[number] : kNoIndex; }

    // A count is believed only as far as the text could hold that many elements of at least
    // min_chars characters each.
    Index plausible(std::uint64_t n, std::size_t min_chars) const
    {
        return static_cast<Index>(std::min<std::uint64_t>(n, size_ / min_chars));
    }

    bool points()
    {
        std::uint64_t n = 0;
        if (!word("MeshData") || !count(n) || !word("Points"))
            return false;
        skip();
        points_.reserve(plausible(n, 7));
        build_.emplace(mesh_, plausible(n, 7), 0, 0);
        for (std::uint64_t i = 0; i < n; ++i) {
            VORNSDK::Vector3d p;
            skip();
            if (!coordinate(p.x) || !coordinate(p.y) || !coordinate(p.z))
                return false;
            skip();
            points_.push_back(build_->add_point(p));
            ++result_.points;
        }
        return true;
    }

    bool faces()
    {
        std::uint64_t n = 0;
        skip();
        if (!count(n) || !word("Faces"))
            return false;
        skip();
        faces_.reserve(plausible(n, 4));
        // Four corners a face is a guess that sizes a quad mesh exactly.
        build_->reserve_polygons(plausible(n, 4), 4 * std::size_t(plausible(n, 4)));
        std::vector<Index> list;
        for (std::uint64_t i = 0; i < n; ++i) {
            std::uint64_t corners = 0;
            if (!count(corners) || corners > VORNSDK::kMaxPolygonVertices)
                return false;
            skip();
            list.clear();
            bool known = true;
            for (std::uint64_t k = 0; k < corners; ++k) {
                std::uint64_t number = 0;
                if (!unsigned_number(value(), number))
                    return false;
                known = known && point(number) != kNoIndex;
                list.push_back(point(number));
            }
            skip();
            // A face that cannot be added keeps its number, so later entries still line up.
            Index const f = known ? build_->add_polygon(list) : kNoIndex;
            faces_.push_back(f);
            ++(f != kNoIndex ? result_.faces : result_.skipped);
        }
        // Hard edges and materials need the mesh whole.
        build_->finish();
        return true;
    }

    bool hard_edges()
    {
        std::uint64_t n = 0;
        skip();
        if (!count(n) || !word("HardEdges"))
            return false;
        skip();
        for (std::uint64_t i = 0; i < n; ++i) {
            std::uint64_t a = 0, b = 0;
            skip();
            if (!unsigned_number(value(), a) || !unsigned_number(value(), b))
                return false;
            skip();
            VORNSDK::VertexPair const e{point(a), point(b)};
            bool const known = !e.invalid() && mesh_.edge_exists(e);
            if (known)
                mesh_.set_edge_hard(e, true);
            ++(known ? result_.hard_edges : result_.skipped);
        }
        return true;
    }

    bool materials()
    {
        std::uint64_t n = 0;
        skip();
        if (!count(n) || !word("Materials"))
            return false;
        skip();
        for (std::uint64_t i = 0; i < n; ++i) {
            std::string const name(tokens_.next());
            std::uint64_t listed = 0;
            if (!count(listed))
                return false;
            Component material;
            bool looked_up = false;
            for (std::uint64_t k = 0; k < listed; ++k) {
                std::uint64_t number = 0;
                if (!unsigned_number(tokens_.next(), number))
                    return false;
                Index const f = number < faces_.size() ? faces_[number] : kNoIndex;
                if (f != kNoIndex && !looked_up) {
                    material = material_ ? material_(name) : Component();
                    looked_up = true;
                }
                if (f != kNoIndex && material) {
                    mesh_.set_polygon_material(f, material);
                    ++result_.assignments;
                } else {
                    ++result_.skipped;
                }
            }
        }
        return true;
    }

    Tokens tokens_;
    std::size_t size_;
    teskar::Mesh& mesh_;
    MaterialLookup const& material_;
    MeshTextRead result_;
    std::vector<Index> points_, faces_;
    std::optional<teskar::MeshBuilder> build_;
};

// "LINE:COLUMN" of an offset, both counted from 1.
std::string place(std::string_view text, std::size_t offset)
{
    offset = std::min(offset, text.size());
    std::size_t const line = 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
    // The newline before the offset, if any; at offset 0 there is none (rfind would search all).
    std::size_t const line_start = offset == 0 ? std::string_view::npos : text.rfind('\n', offset - 1);
    std::size_t const column = offset - (line_start == std::string_view::npos ? 0 : line_start + 1) + 1;
    return std::to_string(line) + ":" + std::to_string(column);
}

} // namespace

MeshTextRead read_mesh_text(std::string_view text, teskar::Mesh& mesh, MaterialLookup const& material)
{
    return Reader(text, mesh, material).run();
}

bool read_mesh_file(std::string const& path, teskar::Mesh& mesh, MaterialLookup const& material, std::string& error,
                    std::string& warning)
{
    std::ifstream in;
    if (!open_for_reading(path, in, error))
        return false;
    // read() turns a failed read into the bad state, where a stream iterator would throw.
    std::string text;
    for (char buffer[1 << 16]; in.read(buffer, sizeof buffer) || in.gcount() > 0;)
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) {
        error = "cannot read '" + path + "'";
        return false;
    }
    Tokens first(text);
    if (first.next() != "MeshData") {
        error = path + ":" + place(text, first.start()) + ": not mesh text (it must start with MeshData)";
        return false;
    }
    MeshTextRead const read = read_mesh_text(text, mesh, material);
    std::string const kept = std::to_string(read.points) + " points, " + std::to_string(read.faces) + " faces, " +
                             std::to_string(read.hard_edges) + " hard edges, " + std::to_string(read.assignments) +
                             " material assignments";
    if (!read.complete)
        warning = path + ":" + place(text, read.stop) + ": " +
                  (read.stop >= text.size() ? std::string("the mesh text ends early") : "the mesh text stops making sense") +
                  "; kept " + kept;
    else if (read.skipped)
        warning = path + ": skipped " + std::to_string(read.skipped) +
                  " faces, hard edges or material assignments that could not be added; kept " + kept;
    return true;
}

} // namespace vorn
