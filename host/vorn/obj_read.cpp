#include "obj_io.h"

#include "file_input.h"
#include "text_excerpt.h"
#include "text_numbers.h"

#include "teskar/mesh_builder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <istream>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <thread>

namespace vorn {

using VORNSDK::Index;

namespace {

// Text is read in blocks of whole lines; each block is cut in two at a line end and both halves
// are parsed at the same time, then put into the mesh in order. Blocks below kSplitAbove are
// parsed in one piece: a thread costs more than it saves there.
constexpr std::size_t kBlock = std::size_t(1) << 20;
constexpr std::size_t kSplitAbove = std::size_t(256) << 10;

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

// Calls piece(text) for runs of whole lines of the stream (the last one may lack its line end),
// read in large blocks. Stops early when piece answers false.
template <class Piece>
bool for_each_piece(std::istream& in, Piece piece)
{
    std::vector<char> block(kBlock);
    std::size_t kept = 0;
    for (;;) {
        if (kept == block.size())
            block.resize(block.size() * 2);
        in.read(block.data() + kept, static_cast<std::streamsize>(block.size() - kept));
        std::size_t const got = static_cast<std::size_t>(in.gcount());
        std::size_t const filled = kept + got;
        if (got == 0) {
            if (kept > 0)
                piece(std::string_view(block.data(), kept));
            break;
        }
        std::string_view const text(block.data(), filled);
        std::size_t const last_end = text.rfind('\n');
        if (last_end == std::string_view::npos) {
            kept = filled;
            continue;
        }
        if (!piece(text.substr(0, last_end + 1)))
            return !in.bad();
        kept = filled - (last_end + 1);
        std::copy(block.begin() + std::ptrdiff_t(last_end + 1), block.begin() + std::ptrdiff_t(filled), block.begin());
    }
    return !in.bad();
}

// Splits whole lines in two at the line end nearest the middle; the second part may be empty.
std::pair<std::string_view, std::string_view> halves(std::string_view text)
{
    if (text.size() < kSplitAbove)
        return {text, {}};
    std::size_t const cut = text.find('\n', text.size() / 2);
    if (cut == std::string_view::npos)
        return {text, {}};
    return {text.substr(0, cut + 1), text.substr(cut + 1)};
}

// Runs first(a) here and second(b) on another thread when b is not empty.
template <class First, class Second>
void in_parallel(std::string_view a, std::string_view b, First const& first, Second const& second)
{
    if (b.empty()) {
        first(a);
        return;
    }
    std::thread other([&] { second(b); });
    first(a);
    other.join();
}

// How many points, polygons and corners the text holds, to size the mesh once.
struct ObjCounts {
    std::size_t points = 0, polygons = 0, corners = 0;

    void count(std::string_view text)
    {
        while (!text.empty()) {
            std::size_t const end = std::min(text.find('\n'), text.size());
            line(text.substr(0, end));
            text.remove_prefix(std::min(end + 1, text.size()));
        }
    }
    void line(std::string_view text)
    {
        std::size_t i = 0;
        while (i < text.size() && blank(text[i]))
            ++i;
        if (i + 1 >= text.size() || !blank(text[i + 1]))
            return;
        if (text[i] == 'v') {
            ++points;
        } else if (text[i] == 'f') {
            ++polygons;
            // Words start where a blank ends.
            for (std::size_t k = i + 2; k < text.size(); ++k)
                corners += !blank(text[k]) && blank(text[k - 1]);
        }
    }
};

ObjCounts count_obj(std::istream& in)
{
    ObjCounts total, a, b;
    for_each_piece(in, [&](std::string_view text) {
        a = b = ObjCounts();
        auto const [x, y] = halves(text);
        in_parallel(x, y, [&](std::string_view t) { a.count(t); }, [&](std::string_view t) { b.count(t); });
        total.points += a.points + b.points;
        total.polygons += a.polygons + b.polygons;
        total.corners += a.corners + b.corners;
        return true;
    });
    return total;
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

// A face corner as written: its indices (0 where a part is absent; beyond the range of int32
// they are clamped, which keeps them out of range) and where its word starts in the piece's text,
// for messages. Kept small: a piece holds millions of them.
struct RawCorner {
    std::int32_t point = 0, uv = 0, normal = 0;
    std::uint32_t word_at = 0;
};

// A face as written, with how many points, texture coordinates and normals the piece had read
// before it (indices are checked against what came before in the whole file).
struct RawFace {
    std::uint32_t first_corner = 0, corners = 0;
    std::uint32_t points_before = 0, uvs_before = 0, normals_before = 0;
    std::uint32_t line = 0;
    bool every_uv = true;
    // Every index written counts from the start, the points are distinct, and the largest index
    // of each part is known: the face then needs no more than three comparisons to be checked.
    bool plain = false;
    std::int32_t largest[3] = {0, 0, 0};
};

// What a run of whole lines says, read without knowing what came before it: the numbers parsed,
// the indices not yet resolved. A malformed line ends the run; its face (when it is one) keeps the
// corners read up to the fault, which are checked before the fault is reported.
struct ParsedPiece {
    std::string_view text;
    std::vector<double> points; // x y z per "v"
    std::vector<std::array<float, 2>> uvs;
    std::size_t normals = 0;
    std::vector<RawCorner> corners;
    std::vector<RawFace> faces;
    std::vector<std::pair<std::size_t, std::string>> materials; // (faces before it, name)
    std::size_t lines = 0;
    // The fault ending the piece: its line, what is wrong, and the face read up to it, if any.
    std::optional<std::pair<std::size_t, std::string>> fault;
    std::optional<RawFace> faulty_face;

    // Keeps the buffers' room: fresh memory for every block would cost a page fault per page.
    void clear()
    {
        text = {};
        points.clear();
        uvs.clear();
        normals = 0;
        corners.clear();
        faces.clear();
        materials.clear();
        lines = 0;
        fault.reset();
        faulty_face.reset();
    }
};

class PieceParser {
public:
    explicit PieceParser(ParsedPiece& out) : out_(out) {}

    void parse(std::string_view text)
    {
        out_.clear();
        out_.text = text;
        // Room for the most a text of this size can hold (no line is shorter than 8 bytes, no
        // corner than 2), so that no buffer grows by copying; room never touched costs nothing.
        out_.points.reserve(3 * (text.size() / 8 + 1));
        out_.faces.reserve(text.size() / 8 + 1);
        out_.corners.reserve(text.size() / 2 + 1);
        while (!text.empty()) {
            std::size_t const end = std::min(text.find('\n'), text.size());
            ++out_.lines;
            if (!line(text.substr(0, end)))
                return;
            text.remove_prefix(std::min(end + 1, text.size()));
        }
    }

private:
    bool line(std::string_view text)
    {
        if (text.starts_with("f ") && plain_face(text.substr(2)))
            return true;
        if (auto hash = text.find('#'); hash != std::string_view::npos)
            text = text.substr(0, hash);
        std::string_view rest = text;
        std::string_view const keyword = next_word(rest);
        if (keyword == "v")
            return numbers(rest, "v", 3, 7, [&] { out_.points.insert(out_.points.end(), numbers_, numbers_ + 3); });
        if (keyword == "f")
            return face(rest);
        if (keyword == "vt")
            return numbers(rest, "vt", 1, 3, [&] { out_.uvs.push_back({float(numbers_[0]), count_ > 1 ? float(numbers_[1]) : 0.0f}); });
        if (keyword == "vn")
            return numbers(rest, "vn", 3, 3, [&] { ++out_.normals; });
        if (keyword == "usemtl") {
            // A material name may hold blanks: it is the rest of the line.
            std::size_t const start = rest.find_first_not_of(" \t");
            std::size_t const end = rest.find_last_not_of(" \t\r");
            out_.materials.emplace_back(out_.faces.size(), start == std::string_view::npos
                                                               ? std::string()
                                                               : std::string(rest.substr(start, end + 1 - start)));
        }
        return true;
    }

    bool fail(std::string reason)
    {
        out_.fault.emplace(out_.lines, std::move(reason));
        return false;
    }

    // Between least and most numbers, read into numbers_, then kept.
    template <class Keep>
    bool numbers(std::string_view rest, char const* keyword, std::size_t least, std::size_t most, Keep keep)
    {
        count_ = 0;
        for (std::string_view word = next_word(rest); !word.empty(); word = next_word(rest)) {
            double v = 0;
            if (!parse_number(word, v))
                return fail("bad number " + quoted_excerpt(word));
            if (count_ < std::size(numbers_))
                numbers_[count_] = v;
            ++count_;
        }
        if (count_ < least || count_ > most)
            return fail(std::string(keyword) + " takes " + std::to_string(least) +
                        (least == most ? "" : " to " + std::to_string(most)) + " numbers");
        keep();
        return true;
    }

    // One corner: v, v/vt, v//vn or v/vt/vn. On a fault the corner keeps the parts read before it.
    bool corner(std::string_view word, RawCorner& c, bool& every_uv)
    {
        c.word_at = static_cast<std::uint32_t>(word.data() - out_.text.data());
        std::string_view parts[3];
        std::size_t n = 0;
        std::string_view part = word;
        for (;;) {
            std::size_t const slash = part.find('/');
            if (n == 2 && slash != std::string_view::npos)
                return fail("bad face vertex " + quoted_excerpt(word));
            parts[n++] = part.substr(0, slash);
            if (slash == std::string_view::npos)
                break;
            part.remove_prefix(slash + 1);
        }
        std::int32_t* const fields[3] = {&c.point, &c.uv, &c.normal};
        for (std::size_t k = 0; k < 3; ++k) {
            if (k >= n || (k > 0 && parts[k].empty())) {
                every_uv = every_uv && k != 1;
                continue;
            }
            long long value = 0;
            if (!parse_index(parts[k], value))
                return fail("bad index " + quoted_excerpt(parts[k]));
            // 0 is refused when the index is checked; it stands for an absent part only here.
            *fields[k] = value == 0 ? kZeroIndex
                                    : static_cast<std::int32_t>(std::clamp<long long>(value, kZeroIndex + 1ll, kMaxIndex));
        }
        return true;
    }

    // A whole number from 1 to 999 999 999 at c, taken off; false (c anywhere) for anything else.
    static bool plain_index(char const*& c, char const* end, std::int32_t& out)
    {
        char const* const first = c;
        std::int32_t v = 0;
        for (; c != end && unsigned(*c - '0') < 10 && c - first < 9; ++c)
            v = v * 10 + (*c - '0');
        out = v;
        return v > 0 && (c == end || unsigned(*c - '0') >= 10);
    }

    // The common face, read straight from its characters: blank-separated corners "v", "v/vt",
    // "v//vn" or "v/vt/vn" of plain positive indices, at least three and no more than a polygon
    // holds. False, having kept nothing, for any other text (comments too): the general reading
    // then takes the line and says what is wrong with it.
    bool plain_face(std::string_view rest)
    {
        RawFace f = new_face();
        char const* c = rest.data();
        char const* const end = c + rest.size();
        auto give_up = [&] {
            out_.corners.resize(f.first_corner);
            return false;
        };
        for (;;) {
            while (c != end && blank(*c))
                ++c;
            if (c == end)
                break;
            if (f.corners == VORNSDK::kMaxPolygonVertices)
                return give_up();
            RawCorner corner;
            corner.word_at = static_cast<std::uint32_t>(c - out_.text.data());
            if (!plain_index(c, end, corner.point))
                return give_up();
            if (c != end && *c == '/') {
                ++c;
                if (c != end && *c != '/' && !plain_index(c, end, corner.uv))
                    return give_up();
                if (c != end && *c == '/' && !plain_index(++c, end, corner.normal))
                    return give_up();
            }
            if (c != end && !blank(*c))
                return give_up();
            f.every_uv = f.every_uv && corner.uv != 0;
            out_.corners.push_back(corner);
            ++f.corners;
        }
        if (f.corners < 3)
            return give_up();
        mark_plain(f);
        out_.faces.push_back(f);
        return true;
    }

    RawFace new_face() const
    {
        RawFace f;
        // Counts within one piece, which is a block of text far below 4 GB.
        f.first_corner = static_cast<std::uint32_t>(out_.corners.size());
        f.points_before = static_cast<std::uint32_t>(out_.points.size() / 3);
        f.uvs_before = static_cast<std::uint32_t>(out_.uvs.size());
        f.normals_before = static_cast<std::uint32_t>(out_.normals);
        f.line = static_cast<std::uint32_t>(out_.lines);
        return f;
    }

    bool face(std::string_view rest)
    {
        RawFace f = new_face();
        bool ok = true;
        for (std::string_view word = next_word(rest); ok && !word.empty(); word = next_word(rest)) {
            if (f.corners == VORNSDK::kMaxPolygonVertices) {
                ok = fail("face with more than " + std::to_string(VORNSDK::kMaxPolygonVertices) + " vertices");
                break;
            }
            out_.corners.emplace_back();
            ++f.corners;
            ok = corner(word, out_.corners.back(), f.every_uv);
        }
        if (ok && f.corners < 3)
            ok = fail("face with " + std::to_string(f.corners) + " vertices");
        if (ok) {
            mark_plain(f);
            out_.faces.push_back(f);
        }
        else
            out_.faulty_face = f;
        return ok;
    }

    void mark_plain(RawFace& f) const
    {
        std::span<RawCorner const> const corners(out_.corners.data() + f.first_corner, f.corners);
        if (corners.size() > 16)
            return;
        for (std::size_t k = 0; k < corners.size(); ++k) {
            RawCorner const& c = corners[k];
            if (c.point <= 0 || c.uv < 0 || c.normal < 0)
                return;
            for (std::size_t j = 0; j < k; ++j)
                if (corners[j].point == c.point)
                    return;
            f.largest[0] = std::max(f.largest[0], c.point);
            f.largest[1] = std::max(f.largest[1], c.uv);
            f.largest[2] = std::max(f.largest[2], c.normal);
        }
        f.plain = true;
    }

public:
    // Stands for a written index of 0, which no element has.
    static constexpr std::int32_t kZeroIndex = std::numeric_limits<std::int32_t>::min();
    static constexpr std::int32_t kMaxIndex = std::numeric_limits<std::int32_t>::max();

private:
    ParsedPiece& out_;
    double numbers_[3] = {};
    std::size_t count_ = 0;
};

// Puts parsed pieces into the mesh in order, checking each face's indices against what the file
// had read before it.
class ObjBuilder {
public:
    ObjBuilder(teskar::Mesh& mesh, ObjCounts const& counts, ObjMaterials const& materials)
        : mesh_(mesh), build_(mesh, counts.points, counts.polygons, counts.corners), materials_(materials)
    {
    }

    // False on the first fault, with error() saying "LINE: reason" relative to the file.
    bool add(ParsedPiece const& piece)
    {
        for (std::size_t i = 0; i < piece.points.size(); i += 3)
            build_.add_point({piece.points[i], piece.points[i + 1], piece.points[i + 2]});
        std::size_t next_material = 0;
        for (std::size_t k = 0; k < piece.faces.size(); ++k) {
            for (; next_material < piece.materials.size() && piece.materials[next_material].first == k; ++next_material)
                use_material(piece.materials[next_material].second);
            if (!face(piece, piece.faces[k], true))
                return false;
        }
        for (; next_material < piece.materials.size(); ++next_material)
            use_material(piece.materials[next_material].second);
        if (piece.fault) {
            if (piece.faulty_face && !face(piece, *piece.faulty_face, false))
                return false;
            error_ = std::to_string(lines_ + piece.fault->first) + ": " + piece.fault->second;
            return false;
        }
        points_ += piece.points.size() / 3;
        normals_ += piece.normals;
        uvs_.insert(uvs_.end(), piece.uvs.begin(), piece.uvs.end());
        lines_ += piece.lines;
        return true;
    }

    std::string const& error() const { return error_; }

    void finish()
    {
        build_.finish();
        for (auto const& [f, material] : polygon_materials_)
            mesh_.set_polygon_material(f, material);
        for (auto& [f, values] : corner_values_)
            mesh_.set_corner_values(uv_map_, f, std::move(values));
    }

private:
    void use_material(std::string const& name)
    {
        material_ = name.empty() || !materials_ ? VORNSDK::Component() : materials_(name);
    }

    bool fail(std::size_t line, std::string reason)
    {
        error_ = std::to_string(lines_ + line) + ": " + std::move(reason);
        return false;
    }

    // Part k (point, texture coordinate, normal) of a corner's word, for messages.
    static std::string_view written_part(ParsedPiece const& piece, RawCorner const& c, std::size_t k)
    {
        std::string_view part = piece.text.substr(c.word_at);
        part = part.substr(0, std::min(part.find_first_of(" \t\r\n#"), part.size()));
        for (; k > 0; --k)
            part.remove_prefix(part.find('/') + 1);
        return part.substr(0, part.find('/'));
    }

    // Part k of a corner: a 1-based index, or a negative one counting back from the last element
    // read so far, of count elements.
    bool resolve(ParsedPiece const& piece, RawCorner const& c, std::size_t k, std::size_t count, std::size_t line,
                 Index& out)
    {
        static constexpr char const* kWhat[] = {"point", "texture coordinate", "normal"};
        std::int32_t const written = k == 0 ? c.point : k == 1 ? c.uv : c.normal;
        long long const i = written == PieceParser::kZeroIndex ? 0 : written;
        long long const resolved = i < 0 ? static_cast<long long>(count) + i : i - 1;
        if (i == 0 || resolved < 0 || resolved >= static_cast<long long>(count))
            return fail(line, std::string(kWhat[k]) + " index " + excerpt(written_part(piece, c, k)) + " out of range (" +
                                  std::to_string(count) + " " + kWhat[k] + "s)");
        out = static_cast<Index>(resolved);
        return true;
    }

    // Checks a face's corners in order; a whole face then goes into the mesh.
    bool face(ParsedPiece const& piece, RawFace const& f, bool whole)
    {
        corners_.clear();
        corner_uvs_.clear();
        std::size_t const points = points_ + f.points_before, uvs = uvs_.size() + f.uvs_before,
                          normals = normals_ + f.normals_before;
        if (whole && f.plain && std::size_t(f.largest[0]) <= points && std::size_t(f.largest[1]) <= uvs &&
            std::size_t(f.largest[2]) <= normals) {
            for (std::size_t k = 0; k < f.corners; ++k) {
                RawCorner const& c = piece.corners[f.first_corner + k];
                corners_.push_back(Index(c.point - 1));
                if (c.uv != 0)
                    corner_uvs_.push_back(Index(c.uv - 1));
            }
            add_face(piece, f);
            return true;
        }
        for (std::size_t k = 0; k < f.corners; ++k) {
            RawCorner const& c = piece.corners[f.first_corner + k];
            if (c.point == 0)
                break; // the corner the fault stopped in, before its point was read
            Index p = 0, t = 0, unused = 0;
            if (!resolve(piece, c, 0, points, f.line, p))
                return false;
            if (std::find(corners_.begin(), corners_.end(), p) != corners_.end())
                return fail(f.line, "face uses point " + std::to_string(p + 1) + " twice");
            corners_.push_back(p);
            if (c.uv != 0) {
                if (!resolve(piece, c, 1, uvs, f.line, t))
                    return false;
                corner_uvs_.push_back(t);
            }
            if (c.normal != 0 && !resolve(piece, c, 2, normals, f.line, unused))
                return false;
        }
        if (whole)
            add_face(piece, f);
        return true;
    }

    // Adds the face whose corners have been checked into corners_ and corner_uvs_.
    void add_face(ParsedPiece const& piece, RawFace const& f)
    {
        Index const polygon = build_.add_checked_polygon(corners_);
        if (material_)
            polygon_materials_.emplace_back(polygon, material_);
        if (f.every_uv) {
            if (corner_values_.empty())
                uv_map_ = mesh_.add_vertex_map("UV", 2);
            std::vector<float> values;
            values.reserve(2 * corner_uvs_.size());
            for (Index t : corner_uvs_) {
                auto const& uv = t < uvs_.size() ? uvs_[t] : piece.uvs[t - uvs_.size()];
                values.insert(values.end(), uv.begin(), uv.end());
            }
            corner_values_.emplace_back(polygon, std::move(values));
        }
    }

    teskar::Mesh& mesh_;
    teskar::MeshBuilder build_;
    ObjMaterials const& materials_;
    VORNSDK::Component material_;
    std::size_t points_ = 0, normals_ = 0, lines_ = 0;
    std::vector<std::array<float, 2>> uvs_;
    std::vector<Index> corners_, corner_uvs_;
    // What goes onto the polygons once the mesh is whole.
    std::vector<std::pair<Index, VORNSDK::Component>> polygon_materials_;
    std::vector<std::pair<Index, std::vector<float>>> corner_values_;
    std::size_t uv_map_ = 0;
    std::string error_;
};

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
    ObjBuilder builder(mesh, counts, materials);
    ParsedPiece a, b;
    PieceParser parse_a(a), parse_b(b);
    bool const read = for_each_piece(in, [&](std::string_view text) {
        auto const [x, y] = halves(text);
        b.clear();
        in_parallel(x, y, [&](std::string_view t) { parse_a.parse(t); }, [&](std::string_view t) { parse_b.parse(t); });
        if (!builder.add(a) || (!y.empty() && !builder.add(b))) {
            error = file + ":" + builder.error();
            return false;
        }
        return true;
    });
    builder.finish();
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

} // namespace vorn
