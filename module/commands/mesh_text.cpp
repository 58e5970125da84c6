#include "commands/mesh_text.h"

#include "framework/preferences.h"

#include "vornsdk/attribute.h"
#include "vornsdk/host.h"
#include "vornsdk/scene.h"

#include <array>
#include <charconv>
#include <cmath>
#include <map>
#include <vector>

namespace tolvir {

using namespace VORNSDK;

namespace {

// Numbers as the text writes them: integers in decimal, doubles as printf's "%g" does (six
// significant digits, exponent form for very small or large values).
void append(std::string& out, std::size_t n)
{
    char buffer[24];
    auto const r = std::to_chars(buffer, buffer + sizeof buffer, n);
    out.append(buffer, r.ptr);
}

// The general form with six significant digits is slow to produce directly; most coordinates
// need no rounding, so the shortest exact digits are taken when they fit in six and laid out as
// the general form would. That holds only while a double carries far more than six digits:
// subnormal numbers have fewer, and their shortest digits ("5e-324") are not the value rounded to
// six ("4.94066e-324"), so they take the slow road.
void append(std::string& out, double v)
{
    // Whole numbers below a million, common in modelled coordinates, are their own six digits.
    if (v > -1e6 && v < 1e6 && v == static_cast<double>(static_cast<long>(v)) && !(v == 0 && std::signbit(v))) {
        if (v < 0)
            out.push_back('-');
        append(out, static_cast<std::size_t>(v < 0 ? -v : v));
        return;
    }
    char buffer[40];
    auto const shortest = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific);
    std::string_view const sci(buffer, static_cast<std::size_t>(shortest.ptr - buffer));
    std::size_t const e = sci.find('e');
    std::string_view mantissa = sci.substr(0, e);
    bool const negative = !mantissa.empty() && mantissa[0] == '-';
    if (negative)
        mantissa.remove_prefix(1);
    std::string digits;
    for (char c : mantissa)
        if (c != '.')
            digits.push_back(c);
    if (digits.size() > 6 || !(std::isnormal(v) || v == 0)) {
        auto const r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6);
        out.append(buffer, r.ptr);
        return;
    }
    int exponent = 0;
    std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+'), sci.data() + sci.size(), exponent);
    if (negative)
        out.push_back('-');
    if (exponent < -4 || exponent >= 6) {
        out.push_back(digits[0]);
        if (digits.size() > 1) {
            out.push_back('.');
            out.append(digits, 1);
        }
        out.push_back('e');
        out.push_back(exponent < 0 ? '-' : '+');
        int const magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10)
            out.push_back('0');
        append(out, std::size_t(magnitude));
    } else if (exponent < 0) {
        out.append("0.");
        out.append(std::size_t(-exponent - 1), '0');
        out.append(digits);
    } else {
        std::size_t const whole = std::size_t(exponent) + 1;
        if (digits.size() <= whole) {
            out.append(digits);
            out.append(whole - digits.size(), '0');
        } else {
            out.append(digits, 0, whole);
            out.push_back('.');
            out.append(digits, whole);
        }
    }
}

// Collects the sections while the polygons are walked.
class MeshTextWriter {
public:
    MeshTextWriter(MeshInterface const& mesh, Matrix4d const* world) : mesh_(mesh), world_(world) {}

    void add_all_points()
    {
        for (Index p : mesh_.points())
            number_of(p);
    }

    // Sizes the point numbering for a copy of about this many polygons: a closed mesh of quads
    // has about as many points as polygons, a small piece a few more.
    void expect_polygons(std::size_t count) { numbers_.reserve(count + count / 2 + 8); }

    void add_polygon(Index f)
    {
        PolygonVertices const vertices = mesh_.polygon_vertices(f);
        Component const material = mesh_.polygon_material(f);
        if (material)
            materials_[material].push_back(faces_written_);
        faces_ += "\n\t";
        append(faces_, std::size_t(vertices.count));
        faces_ += " (";
        for (std::uint16_t k = 0; k < vertices.count; ++k) {
            if (k)
                faces_ += ',';
            append(faces_, number_of(vertices[k]));
        }
        faces_ += ')';
        for (std::uint16_t k = 0; k < vertices.count; ++k) {
            VertexPair const side = vertices.edge(k);
            if (mesh_.edge_hard(side))
                hard_.insert(side);
        }
        ++faces_written_;
    }

    String finish()
    {
        std::string out = "MeshData\n\n";
        append(out, numbers_.size());
        out += " Points\n{";
        out += points_;
        out += "\n}\n\n";
        append(out, faces_written_);
        out += " Faces\n{";
        out += faces_;
        out += "\n}\n\n";
        append(out, hard_.size());
        out += " HardEdges\n{";
        for (VertexPair const e : hard_) {
            out += "\n\t(";
            append(out, numbers_.position(e.v1));
            out += ',';
            append(out, numbers_.position(e.v2));
            out += ')';
        }
        out += "\n}\n\n";
        append(out, materials_.size());
        out += " Materials\n{";
        for (auto const& [material, faces] : materials_) {
            out += "\n\t\"";
            out += material["Name"].value().as_string().to_utf8();
            out += "\" ";
            append(out, faces.size());
            for (std::size_t face : faces) {
                out += ' ';
                append(out, face);
            }
        }
        out += "\n}";
        return String(out);
    }

private:
    // The text number of a point: its place in the order the writer met the points.
    std::size_t number_of(Index p)
    {
        if (!numbers_.insert(p))
            return numbers_.position(p);
        {
            Vector3d const q = world_ ? transform_point(*world_, mesh_.point_position(p)) : mesh_.point_position(p);
            points_ += "\n\t(";
            append(points_, q.x);
            points_ += ',';
            append(points_, q.y);
            points_ += ',';
            append(points_, q.z);
            points_ += ')';
        }
        return numbers_.size() - 1;
    }

    MeshInterface const& mesh_;
    Matrix4d const* world_;
    VertexMarker numbers_;
    std::string points_, faces_;
    std::size_t faces_written_ = 0;
    EdgeMarker hard_;
    // Ordered by the host's reference order, as the text lists materials.
    std::map<Component, std::vector<std::size_t>> materials_;
};

} // namespace

String write_mesh_text(MeshInterface const& mesh, MasterArrayIterator begin, MasterArrayIterator end,
                       Matrix4d const* world, bool all_points)
{
    MeshTextWriter writer(mesh, world);
    if (all_points)
        writer.add_all_points();
    for (auto it = begin; it != end; ++it)
        writer.add_polygon(*it);
    return writer.finish();
}

String write_mesh_text(MeshInterface const& mesh, SelectionSet<Index> const& polygons, Matrix4d const* world,
                       bool all_points)
{
    MeshTextWriter writer(mesh, world);
    if (all_points)
        writer.add_all_points();
    else
        writer.expect_polygons(polygons.size());
    for (Index f : each(polygons))
        writer.add_polygon(f);
    return writer.finish();
}

void copy_mesh_to_clipboard(MeshInterface const& mesh, bool selected_only)
{
    String text("");
    if (!selected_only || (mesh.selected_polygons().empty() && nothing_selected_means_everything_selected()))
        text = write_mesh_text(mesh, mesh.polygons().begin(), mesh.polygons().end(), nullptr, false);
    else if (!mesh.selected_polygons().empty())
        text = write_mesh_text(mesh, mesh.selected_polygons(), nullptr, false);
    set_clipboard(text);
}

namespace {

// Kinds of characters in mesh text, looked up once per character.
enum Kind : std::uint8_t { kWordChar, kBlank, kSingle, kQuote };

constexpr std::array<Kind, 256> character_kinds()
{
    std::array<Kind, 256> table{};
    for (unsigned char c : std::string_view(" \t\n\r"))
        table[c] = kBlank;
    for (unsigned char c : std::string_view("()[],"))
        table[c] = kSingle;
    table['"'] = kQuote;
    return table;
}

constexpr std::array<Kind, 256> kKinds = character_kinds();

// Splits mesh text into tokens: "(", ")", ",", "[" and "]" stand alone, a double quote starts a
// quoted token (backslash escapes the next character), anything else runs to the next blank,
// single-character token or quote. Past the end every token is empty.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : text_(text) {}

    std::string_view next()
    {
        while (pos_ < text_.size() && is_blank(text_[pos_]))
            ++pos_;
        if (pos_ >= text_.size())
            return {};
        char const c = text_[pos_];
        if (is_single(c))
            return text_.substr(pos_++, 1);
        if (c == '"')
            return quoted();
        std::size_t const start = pos_;
        while (pos_ < text_.size() && kind(text_[pos_]) == kWordChar)
            ++pos_;
        return text_.substr(start, pos_ - start);
    }

    bool at_end() const { return pos_ >= text_.size(); }

private:
    static Kind kind(char c) { return kKinds[static_cast<unsigned char>(c)]; }
    static bool is_blank(char c) { return kind(c) == kBlank; }
    static bool is_single(char c) { return kind(c) == kSingle; }

    std::string_view quoted()
    {
        ++pos_;
        quoted_.clear();
        while (pos_ < text_.size() && text_[pos_] != '"') {
            if (text_[pos_] == '\\' && pos_ + 1 < text_.size())
                ++pos_;
            quoted_.push_back(text_[pos_++]);
        }
        if (pos_ < text_.size())
            ++pos_;
        return quoted_;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string quoted_;
};

// Reads mesh text into a mesh; every read answers false once the text stops making sense.
class MeshTextReader {
public:
    MeshTextReader(MeshInterface& mesh, std::string_view text) : mesh_(mesh), tokens_(text), size_(text.size()) {}

    MeshTextReport run()
    {
        report_.complete = points() && faces() && hard_edges() && materials() && skip();
        return report_;
    }

private:
    bool skip()
    {
        tokens_.next();
        return true;
    }

    bool word(std::string_view expected) { return tokens_.next() == expected; }

    // A count: a non-negative decimal integer. It only bounds a loop; nothing is reserved by it,
    // so a huge count in a short text just runs out of text.
    bool count(std::uint64_t& out) { return unsigned_number(tokens_.next(), out); }

    static bool unsigned_number(std::string_view t, std::uint64_t& out)
    {
        auto const [end, error] = std::from_chars(t.data(), t.data() + t.size(), out);
        return error == std::errc() && end == t.data() + t.size() && !t.empty();
    }

    // A number token, after a single "," separator when there is one.
    std::string_view value_token()
    {
        std::string_view t = tokens_.next();
        if (t == ",")
            t = tokens_.next();
        return t;
    }

    bool coordinate(double& out)
    {
        std::string_view const t = value_token();
        auto const [end, error] = std::from_chars(t.data(), t.data() + t.size(), out);
        return error == std::errc() && end == t.data() + t.size() && !t.empty() && std::isfinite(out);
    }

    bool index(std::uint64_t& out) { return unsigned_number(value_token(), out); }

    Index point_index(std::uint64_t number) const { return number < points_.size() ? points_[number] : kNoIndex; }

    bool points()
    {
        std::uint64_t n = 0;
        if (!word("MeshData") || !count(n) || !word("Points") || !skip())
            return false;
        points_.reserve(plausible(n, 7));
        mesh_.reserve(plausible(n, 7), 0);
        for (std::uint64_t i = 0; i < n; ++i) {
            Vector3d p;
            skip();
            if (!coordinate(p.x) || !coordinate(p.y) || !coordinate(p.z))
                return false;
            skip();
            points_.push_back(mesh_.add_point(p));
            ++report_.points;
        }
        return true;
    }

    struct FaceBatch {
        std::vector<std::uint16_t> sizes;
        std::vector<Index> corners;
        std::vector<std::size_t> numbers; // of the faces listed, in order
        std::size_t read = 0;
    };

    bool faces()
    {
        std::uint64_t n = 0;
        if (!skip() || !count(n) || !word("Faces") || !skip())
            return false;
        // Read whole, then added in one call, so that the mesh lays out its lists once; a face
        // whose points are not all known is numbered but not added.
        FaceBatch batch;
        batch.sizes.reserve(plausible(n, 4));
        batch.corners.reserve(plausible(n, 4) * 4);
        bool const read = read_faces(n, batch);
        add_faces(batch);
        return read;
    }

    bool read_faces(std::uint64_t n, FaceBatch& batch)
    {
        for (; batch.read < n; ++batch.read) {
            std::uint64_t corners = 0;
            if (!count(corners) || corners > kMaxPolygonVertices)
                return false;
            skip();
            std::size_t const start = batch.corners.size();
            bool known = true;
            for (std::uint64_t k = 0; k < corners; ++k) {
                std::uint64_t number = 0;
                if (!index(number)) {
                    batch.corners.resize(start);
                    return false;
                }
                Index const p = point_index(number);
                known = known && p != kNoIndex;
                batch.corners.push_back(p);
            }
            skip();
            if (known) {
                batch.sizes.push_back(static_cast<std::uint16_t>(corners));
                batch.numbers.push_back(batch.read);
            } else {
                batch.corners.resize(start);
            }
        }
        return true;
    }

    void add_faces(FaceBatch const& batch)
    {
        faces_.assign(batch.read, kNoIndex);
        std::vector<Index> added(batch.sizes.size());
        mesh_.add_polygons(batch.sizes, batch.corners, added);
        for (std::size_t k = 0; k < added.size(); ++k) {
            faces_[batch.numbers[k]] = added[k];
            report_.faces += added[k] != kNoIndex;
        }
    }

    bool hard_edges()
    {
        std::uint64_t n = 0;
        if (!skip() || !count(n) || !word("HardEdges") || !skip())
            return false;
        for (std::uint64_t i = 0; i < n; ++i) {
            std::uint64_t a = 0, b = 0;
            skip();
            if (!index(a) || !index(b))
                return false;
            skip();
            VertexPair const e{point_index(a), point_index(b)};
            if (!e.invalid() && mesh_.edge_exists(e)) {
                mesh_.set_edge_hard(e, true);
                ++report_.hard_edges;
            }
        }
        return true;
    }

    bool materials()
    {
        std::uint64_t n = 0;
        if (!skip() || !count(n) || !word("Materials") || !skip())
            return false;
        for (std::uint64_t i = 0; i < n; ++i) {
            std::string const name(tokens_.next());
            Component const material = find_material(name);
            std::uint64_t faces = 0;
            if (!count(faces))
                return false;
            for (std::uint64_t k = 0; k < faces; ++k) {
                std::uint64_t number = 0;
                if (!unsigned_number(tokens_.next(), number))
                    return false;
                if (material && number < faces_.size() && faces_[number] != kNoIndex) {
                    mesh_.set_polygon_material(faces_[number], material);
                    ++report_.assignments;
                }
            }
        }
        return true;
    }

    // The first child named name of the scene's material library; null when none.
    Component find_material(std::string const& name)
    {
        if (!library_looked_up_) {
            library_looked_up_ = true;
            // The library sits at the top of the scene; looking there only keeps each read
            // independent of how many items the scene holds.
            if (auto* scene = get_interface<SceneInterface>(active_scene()))
                for (Component const& item : scene->top_items())
                    if (item.component_type() == String("MaterialLibrary")) {
                        library_ = item;
                        break;
                    }
        }
        auto* node = get_interface<TreeNodeInterface>(library_);
        if (!node)
            return {};
        String const wanted(name);
        for (Component const& child : node->children())
            if (child["Name"].value().as_string() == wanted)
                return child;
        return {};
    }

    // Room for n elements of which each takes at least min_chars of text: a count is only
    // believed as far as the text could hold that many.
    Index plausible(std::uint64_t n, std::size_t min_chars) const
    {
        return static_cast<Index>(std::min<std::uint64_t>(n, size_ / min_chars));
    }

    MeshInterface& mesh_;
    Tokenizer tokens_;
    std::size_t size_;
    MeshTextReport report_;
    std::vector<Index> points_, faces_;
    Component library_;
    bool library_looked_up_ = false;
};

} // namespace

MeshTextReport read_mesh_text(MeshInterface& mesh, std::string_view text) { return MeshTextReader(mesh, text).run(); }

MeshTextReport read_mesh_text(MeshInterface& mesh, String const& text)
{
    std::string const utf8 = text.to_utf8();
    return read_mesh_text(mesh, std::string_view(utf8));
}

} // namespace tolvir
