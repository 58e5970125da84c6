#include "obj_io.h"

#include "file_input.h"
#include "obj_count.h"
#include "text_excerpt.h"
#include "text_numbers.h"

#include "teskar/mesh_builder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <cstdint>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <thread>

namespace vorn {

using VORNSDK::Index;

namespace {

// The text is cut into chunks of whole lines of about kChunk bytes; every thread parses the next
// chunk or puts the next parsed one into the mesh, in file order. Texts below kSplitAbove are read
// on one thread: another costs more than it saves there.
constexpr std::size_t kChunk = std::size_t(512) << 10;
constexpr std::size_t kSplitAbove = std::size_t(256) << 10;
// A mapped file's pages are given back in steps of this much read text.
constexpr std::size_t kReleaseStep = std::size_t(8) << 20;

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

// Threads to read a text of that size with.
std::size_t reading_threads(std::size_t size)
{
    if (size < kSplitAbove)
        return 1;
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
}

// The first whole lines of text that add up to at least size bytes (or all of it).
std::string_view first_lines(std::string_view text, std::size_t size)
{
    if (size >= text.size())
        return text;
    std::size_t const line_end = text.find('\n', size == 0 ? 0 : size - 1);
    return text.substr(0, line_end == std::string_view::npos ? text.size() : line_end + 1);
}

// The text cut into n runs of whole lines of about equal size (the last ones may be empty).
std::vector<std::string_view> split_lines(std::string_view text, std::size_t n)
{
    std::vector<std::string_view> parts;
    std::size_t const size = text.size() / n;
    for (std::size_t k = 0; k < n; ++k) {
        parts.push_back(k + 1 == n ? text : first_lines(text, size));
        text.remove_prefix(parts.back().size());
    }
    return parts;
}

// Runs work(k) for k in [0, n): k = 0 here, the others on threads of their own.
template <class Work>
void on_threads(std::size_t n, Work const& work)
{
    std::vector<std::jthread> others;
    for (std::size_t k = 1; k < n; ++k)
        others.emplace_back([&work, k] { work(k); });
    work(0);
}

// Counts the text on every thread; pages of a mapped file are given back as they are counted.
ObjCounts count_obj(std::string_view text, MappedFile const* file)
{
    std::vector<std::string_view> const parts = split_lines(text, reading_threads(text.size()));
    std::vector<ObjCounts> counts(parts.size());
    on_threads(parts.size(), [&](std::size_t k) {
        for (std::string_view rest = parts[k]; !rest.empty();) {
            std::string_view const block = first_lines(rest, kReleaseStep);
            counts[k] += count_obj_lines(block);
            if (file)
                file->release(block);
            rest.remove_prefix(block.size());
        }
    });
    ObjCounts total;
    for (ObjCounts const& c : counts)
        total += c;
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
    std::uint32_t ordinal = 0; // faces of the piece before it
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
    std::vector<VORNSDK::Vector3d> points;
    std::vector<std::array<float, 2>> uvs;
    std::size_t normals = 0;
    // Quick faces: plain faces of points alone ("f 1 2 3"), kept ready to go into the mesh as
    // they are: their sizes, and their points counted from 0. Fit when the file had read at least
    // quick_reach points before the piece.
    std::vector<std::uint16_t> quick_sizes;
    std::vector<Index> quick_points;
    std::int64_t quick_reach = std::numeric_limits<std::int64_t>::min();
    // The other faces, and their corners as written.
    std::vector<RawCorner> corners;
    std::vector<RawFace> faces;
    std::size_t face_count = 0; // quick and other
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
        quick_sizes.clear();
        quick_points.clear();
        quick_reach = std::numeric_limits<std::int64_t>::min();
        corners.clear();
        faces.clear();
        face_count = 0;
        materials.clear();
        lines = 0;
        fault.reset();
        faulty_face.reset();
    }
};

class PieceParser {
public:
    // Without quick faces every face is kept as written, for a reading that checks each one.
    explicit PieceParser(ParsedPiece& out, bool quick_faces = true) : out_(out), quick_faces_(quick_faces) {}

    void parse(std::string_view text)
    {
        out_.clear();
        out_.text = text;
        // Room for the most a text of this size can hold (no line is shorter than 8 bytes, no
        // corner than 2), so that no buffer grows by copying; room never touched costs nothing.
        out_.points.reserve(text.size() / 8 + 1);
        out_.faces.reserve(quick_faces_ ? 0 : text.size() / 8 + 1);
        out_.quick_sizes.reserve(quick_faces_ ? text.size() / 8 + 1 : 0);
        out_.quick_points.reserve(quick_faces_ ? text.size() / 2 + 1 : 0);
        out_.corners.reserve(text.size() / 2 + 1);
        char const* c = text.data();
        char const* const end = c + text.size();
        while (c != end) {
            ++out_.lines;
            if (char const* const next = plain_line(c, end)) {
                c = next;
                continue;
            }
            char const* line_end = static_cast<char const*>(std::memchr(c, '\n', std::size_t(end - c)));
            line_end = line_end ? line_end : end;
            if (!line(std::string_view(c, std::size_t(line_end - c))))
                return;
            c = line_end + (line_end != end);
        }
    }

private:
    bool line(std::string_view text)
    {
        if (auto hash = text.find('#'); hash != std::string_view::npos)
            text = text.substr(0, hash);
        std::string_view rest = text;
        std::string_view const keyword = next_word(rest);
        if (keyword == "v")
            return numbers(rest, "v", 3, 7, [&] { out_.points.push_back({numbers_[0], numbers_[1], numbers_[2]}); });
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
            out_.materials.emplace_back(out_.face_count, start == std::string_view::npos
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

    // The line at c when it is a common point or face, read straight from its characters: the
    // start of the next line, or nullptr, having kept nothing, for any other line (comments too),
    // which the general reading then takes and says what is wrong with.
    char const* plain_line(char const* c, char const* end)
    {
        if (end - c < 2 || c[1] != ' ')
            return nullptr;
        if (c[0] == 'v')
            return plain_vertex(c + 2, end);
        if (c[0] == 'f') {
            char const* const next = quick_faces_ ? quick_face(c + 2, end) : nullptr;
            return next ? next : plain_face(c + 2, end);
        }
        return nullptr;
    }

    // Past the blanks that end a line: the start of the next line, or nullptr when the line goes on.
    static char const* past_line(char const* c, char const* end)
    {
        while (c != end && blank(*c))
            ++c;
        if (c == end)
            return end;
        return *c == '\n' ? c + 1 : nullptr;
    }

    static bool ends_word(char const* c, char const* end) { return c == end || blank(*c) || *c == '\n'; }

    // "x y z" and nothing more, each a plain decimal.
    char const* plain_vertex(char const* c, char const* end)
    {
        double xyz[3];
        for (double& v : xyz) {
            while (c != end && blank(*c))
                ++c;
            c = detail::parse_decimal_prefix(c, end, v);
            if (!c || !ends_word(c, end))
                return nullptr;
        }
        c = past_line(c, end);
        if (c)
            out_.points.push_back({xyz[0], xyz[1], xyz[2]});
        return c;
    }

    // A whole number from 1 to 999 999 999 at c, taken off; false (c anywhere) for anything else.
    static bool plain_index(char const*& c, char const* end, std::int32_t& out)
    {
        // Up to seven digits are read at once: the first character that is not a digit is the
        // lowest flagged byte (flags above it may be spoilt by carries, never those below).
        if (end - c >= 8) {
            std::uint64_t v;
            std::memcpy(&v, c, 8);
            std::uint64_t const others = ((v + 0x4646464646464646) | (v - 0x3030303030303030)) & 0x8080808080808080;
            if (others != 0) {
                int const n = std::countr_zero(others) / 8;
                if (n == 0)
                    return false;
                // The digits move to the top; the zero bytes below them read as leading zeros.
                v = (v - 0x3030303030303030) << (8 * (8 - n));
                v = v * 10 + (v >> 8);
                v = ((v & 0x000000FF000000FF) * 0x000F424000000064 + ((v >> 16) & 0x000000FF000000FF) * 0x0000271000000001) >> 32;
                out = std::int32_t(v);
                c += n;
                return out > 0;
            }
        }
        char const* const first = c;
        std::int32_t v = 0;
        for (; c != end && unsigned(*c - '0') < 10 && c - first < 9; ++c)
            v = v * 10 + (*c - '0');
        out = v;
        return v > 0 && (c == end || unsigned(*c - '0') >= 10);
    }

    // Whether a short list holds a value twice; compared all against all, with no early way out
    // to mispredict.
    static bool repeats(std::span<Index const> list)
    {
        bool twice = false;
        for (std::size_t k = 1; k < list.size(); ++k)
            for (std::size_t j = 0; j < k; ++j)
                twice |= list[j] == list[k];
        return twice;
    }

    // A quick face: plain, distinct point indices alone, at least three and at most 16 of them.
    char const* quick_face(char const* c, char const* end)
    {
        std::vector<Index>& points = out_.quick_points;
        std::size_t const first = points.size();
        std::int32_t largest = 0;
        auto give_up = [&] {
            points.resize(first);
            return static_cast<char const*>(nullptr);
        };
        for (;;) {
            while (c != end && blank(*c))
                ++c;
            if (c == end || *c == '\n')
                break;
            std::int32_t point = 0;
            if (points.size() - first == 16 || !plain_index(c, end, point) || !ends_word(c, end))
                return give_up();
            points.push_back(Index(point - 1));
            largest = std::max(largest, point);
        }
        std::size_t const n = points.size() - first;
        if (n < 3 || repeats(std::span(points).subspan(first)))
            return give_up();
        out_.quick_sizes.push_back(static_cast<std::uint16_t>(n));
        ++out_.face_count;
        out_.quick_reach = std::max(out_.quick_reach, std::int64_t(largest) - std::int64_t(out_.points.size()));
        return c == end ? end : c + 1;
    }

    // Blank-separated corners "v", "v/vt", "v//vn" or "v/vt/vn" of plain positive indices, at
    // least three and no more than a polygon holds.
    char const* plain_face(char const* c, char const* end)
    {
        RawFace f = new_face();
        auto give_up = [&] {
            out_.corners.resize(f.first_corner);
            return static_cast<char const*>(nullptr);
        };
        for (;;) {
            while (c != end && blank(*c))
                ++c;
            if (c == end || *c == '\n')
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
            if (!ends_word(c, end))
                return give_up();
            f.every_uv = f.every_uv && corner.uv != 0;
            out_.corners.push_back(corner);
            ++f.corners;
        }
        if (f.corners < 3)
            return give_up();
        mark_plain(f);
        keep(f);
        return c == end ? end : c + 1;
    }

    void keep(RawFace const& f)
    {
        ++out_.face_count;
        out_.faces.push_back(f);
    }

    RawFace new_face() const
    {
        RawFace f;
        f.ordinal = static_cast<std::uint32_t>(out_.face_count);
        // Counts within one piece, which is a block of text far below 4 GB.
        f.first_corner = static_cast<std::uint32_t>(out_.corners.size());
        f.points_before = static_cast<std::uint32_t>(out_.points.size());
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
            keep(f);
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
    bool const quick_faces_;
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
        if (std::int64_t(points_) < piece.quick_reach)
            return add_checking_each_face(piece);
        build_.add_points(piece.points);
        std::size_t quick_face = 0, quick_point = 0, next_face = 0, next_material = 0;
        // Quick faces go in together up to the next face kept as written or the next material.
        for (std::size_t ordinal = 0;;) {
            std::size_t const face_at = next_face < piece.faces.size() ? piece.faces[next_face].ordinal : piece.face_count;
            std::size_t const material_at = next_material < piece.materials.size() ? piece.materials[next_material].first
                                                                                     : piece.face_count + 1;
            std::size_t const quick = std::min(face_at, material_at) - ordinal;
            add_quick(piece, quick_face, quick_point, quick);
            ordinal += quick;
            if (material_at == ordinal) {
                add_batch(piece);
                use_material(piece.materials[next_material++].second);
                continue;
            }
            if (ordinal == piece.face_count)
                break;
            RawFace const& f = piece.faces[next_face++];
            ++ordinal;
            if (ready(f)) {
                batch(piece, f);
                continue;
            }
            add_batch(piece);
            if (!face(piece, f, true))
                return false;
        }
        add_batch(piece);
        if (piece.fault) {
            if (piece.faulty_face && !face(piece, *piece.faulty_face, false))
                return false;
            error_ = std::to_string(lines_ + piece.fault->first) + ": " + piece.fault->second;
            return false;
        }
        points_ += piece.points.size();
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

    // A quick face of the piece names a point the file has not read by then: the piece is read
    // again with every face kept as written, which finds that face and says what is wrong.
    bool add_checking_each_face(ParsedPiece const& piece)
    {
        ParsedPiece again;
        PieceParser(again, false).parse(piece.text);
        return add(again);
    }

    // The next n quick faces, at quick_face and quick_point of the piece's lists.
    void add_quick(ParsedPiece const& piece, std::size_t& quick_face, std::size_t& quick_point, std::size_t n)
    {
        if (n == 0)
            return;
        add_batch(piece);
        std::span<std::uint16_t const> const sizes = std::span(piece.quick_sizes).subspan(quick_face, n);
        std::size_t corners = 0;
        for (std::uint16_t size : sizes)
            corners += size;
        Index const first = build_.add_checked_polygons(sizes, std::span(piece.quick_points).subspan(quick_point, corners));
        if (material_)
            for (std::size_t k = 0; k < n; ++k)
                polygon_materials_.emplace_back(first + Index(k), material_);
        quick_face += n;
        quick_point += corners;
    }

    // A plain face whose largest indices are within what the file had read before it: it needs
    // no other check.
    bool ready(RawFace const& f) const
    {
        return f.plain && std::size_t(f.largest[0]) <= points_ + f.points_before &&
               std::size_t(f.largest[1]) <= uvs_.size() + f.uvs_before &&
               std::size_t(f.largest[2]) <= normals_ + f.normals_before;
    }

    // Faces ready to go in are gathered and put into the mesh together.
    void batch(ParsedPiece const& piece, RawFace const& f)
    {
        batch_faces_.push_back(&f);
        batch_sizes_.push_back(static_cast<std::uint16_t>(f.corners));
        for (RawCorner const& c : std::span(piece.corners).subspan(f.first_corner, f.corners))
            batch_corners_.push_back(Index(c.point - 1));
    }

    void add_batch(ParsedPiece const& piece)
    {
        if (batch_faces_.empty())
            return;
        Index const first = build_.add_checked_polygons(batch_sizes_, batch_corners_);
        for (std::size_t k = 0; k < batch_faces_.size(); ++k) {
            RawFace const& f = *batch_faces_[k];
            if (material_)
                polygon_materials_.emplace_back(first + Index(k), material_);
            if (f.every_uv) {
                corner_uvs_.clear();
                for (RawCorner const& c : std::span(piece.corners).subspan(f.first_corner, f.corners))
                    corner_uvs_.push_back(Index(c.uv - 1));
                add_uvs(piece, first + Index(k));
            }
        }
        batch_faces_.clear();
        batch_sizes_.clear();
        batch_corners_.clear();
    }

    // Checks a face's corners in order, each against what the file had read before it; a whole
    // face then goes into the mesh.
    bool face(ParsedPiece const& piece, RawFace const& f, bool whole)
    {
        corners_.clear();
        corner_uvs_.clear();
        std::size_t const points = points_ + f.points_before, uvs = uvs_.size() + f.uvs_before,
                          normals = normals_ + f.normals_before;
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
        if (!whole)
            return true;
        Index const polygon = build_.add_checked_polygon(corners_);
        if (material_)
            polygon_materials_.emplace_back(polygon, material_);
        if (f.every_uv)
            add_uvs(piece, polygon);
        return true;
    }

    // Gives the polygon the texture coordinates listed in corner_uvs_.
    void add_uvs(ParsedPiece const& piece, Index polygon)
    {
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

    teskar::Mesh& mesh_;
    teskar::MeshBuilder build_;
    ObjMaterials const& materials_;
    VORNSDK::Component material_;
    std::size_t points_ = 0, normals_ = 0, lines_ = 0;
    std::vector<std::array<float, 2>> uvs_;
    std::vector<Index> corners_, corner_uvs_;
    std::vector<RawFace const*> batch_faces_;
    std::vector<std::uint16_t> batch_sizes_;
    std::vector<Index> batch_corners_;
    // What goes onto the polygons once the mesh is whole.
    std::vector<std::pair<Index, VORNSDK::Component>> polygon_materials_;
    std::vector<std::pair<Index, std::vector<float>>> corner_values_;
    std::size_t uv_map_ = 0;
    std::string error_;
};

// Parses chunks of the text on several threads and puts them into the mesh in order. A thread
// first puts in the next chunk in order when it is parsed and no one else is putting one in;
// otherwise it parses the next unread chunk when a slot is free for it; otherwise it waits.
class ObjPipeline {
public:
    ObjPipeline(std::string_view text, ObjBuilder& builder, MappedFile const* file, std::size_t threads)
        : text_(text), builder_(builder), file_(file), slots_(2 * threads)
    {
        for (Slot& slot : slots_)
            slot.parser.emplace(slot.piece);
    }

    // False at the first fault, which the builder then names. What a thread throws (running out
    // of memory) stops the others and is thrown again here.
    bool run(std::size_t threads)
    {
        on_threads(threads, [this](std::size_t) {
            try {
                work();
            } catch (...) {
                std::lock_guard const lock(mutex_);
                thrown_ = thrown_ ? thrown_ : std::current_exception();
                failed_ = true;
                changed_.notify_all();
            }
        });
        if (thrown_)
            std::rethrow_exception(thrown_);
        return !failed_;
    }

private:
    enum class State { kFree, kParsing, kParsed };
    struct Slot {
        ParsedPiece piece;
        std::optional<PieceParser> parser;
        std::size_t order = 0;
        State state = State::kFree;
    };

    void work()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (failed_ || (read_ == text_.size() && next_to_add_ == next_order_)) {
                changed_.notify_all();
                return;
            }
            if (Slot* const next = slot_to_add()) {
                adding_ = true;
                lock.unlock();
                bool const ok = builder_.add(next->piece);
                if (ok)
                    give_back(next->piece.text);
                lock.lock();
                adding_ = false;
                failed_ = !ok;
                next->state = State::kFree;
                ++next_to_add_;
            } else if (Slot* const free = free_slot(); free && read_ < text_.size()) {
                free->order = next_order_++;
                free->state = State::kParsing;
                std::string_view const chunk = next_chunk();
                lock.unlock();
                free->parser->parse(chunk);
                lock.lock();
                free->state = State::kParsed;
            } else {
                changed_.wait(lock);
                continue;
            }
            changed_.notify_all();
        }
    }

    Slot* slot_to_add()
    {
        if (adding_)
            return nullptr;
        for (Slot& slot : slots_)
            if (slot.state == State::kParsed && slot.order == next_to_add_)
                return &slot;
        return nullptr;
    }

    Slot* free_slot()
    {
        for (Slot& slot : slots_)
            if (slot.state == State::kFree)
                return &slot;
        return nullptr;
    }

    std::string_view next_chunk()
    {
        std::string_view const chunk = first_lines(text_.substr(read_), kChunk);
        read_ += chunk.size();
        return chunk;
    }

    // Gives back the mapped pages before the end of a chunk put into the mesh, in steps.
    void give_back(std::string_view chunk)
    {
        std::size_t const done = std::size_t(chunk.data() - text_.data()) + chunk.size();
        if (file_ && (done - released_ >= kReleaseStep || done == text_.size())) {
            file_->release(text_.substr(released_, done - released_));
            released_ = done;
        }
    }

    std::string_view const text_;
    ObjBuilder& builder_;
    MappedFile const* const file_;
    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t read_ = 0, next_order_ = 0, next_to_add_ = 0;
    bool adding_ = false, failed_ = false;
    std::exception_ptr thrown_;
    // Only the thread putting chunks in touches it.
    std::size_t released_ = 0;
};

bool read_obj_text(std::string_view text, std::string const& file, teskar::Mesh& mesh, ObjMaterials const& materials,
                   MappedFile const* mapped, std::string& error)
{
    ObjBuilder builder(mesh, count_obj(text, mapped), materials);
    std::size_t const threads = reading_threads(text.size());
    bool const read = ObjPipeline(text, builder, mapped, threads).run(threads);
    builder.finish();
    if (!read)
        error = file + ":" + builder.error();
    return read;
}

} // namespace

bool read_obj(std::string_view text, std::string const& file, teskar::Mesh& mesh, ObjMaterials const& materials,
              std::string& error)
{
    return read_obj_text(text, file, mesh, materials, nullptr, error);
}

bool read_obj_file(std::string const& path, teskar::Mesh& mesh, ObjMaterials const& materials, std::string& error)
{
    MappedFile file;
    return file.open(path, error) && read_obj_text(file.text(), path, mesh, materials, &file, error);
}

} // namespace vorn
