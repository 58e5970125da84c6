#include "obj_piece.h"

#include "text_excerpt.h"
#include "text_numbers.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>

namespace vorn::obj {

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
        out_.faces.reserve(text.size() / 8 + 1);
        out_.quick_sizes.reserve(text.size() / 8 + 1);
        out_.quick_points.reserve(text.size() / 2 + 1);
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
                                    : static_cast<std::int32_t>(std::clamp<long long>(value, kZeroIndex + 1ll, std::numeric_limits<std::int32_t>::max()));
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

    // Skips the blanks at c; whether a word of the same line follows.
    static bool next_word_on_line(char const*& c, char const* end)
    {
        while (c != end && blank(*c))
            ++c;
        return c != end && *c != '\n';
    }

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
            if (!next_word_on_line(c, end))
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
            if (!next_word_on_line(c, end))
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

private:
    ParsedPiece& out_;
    bool const quick_faces_;
    double numbers_[3] = {};
    std::size_t count_ = 0;
};

} // namespace

void parse_piece(std::string_view text, ParsedPiece& out, bool quick_faces)
{
    PieceParser(out, quick_faces).parse(text);
}

} // namespace vorn::obj
