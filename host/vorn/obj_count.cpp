#include "obj_count.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vorn {

namespace {

// Every character at or below a space except the line end separates words (tabs, carriage
// returns): for counts that must not fall short, treating other control characters as blanks errs
// on the safe side.
bool blank(unsigned char c) { return c <= ' ' && c != '\n'; }

// The counts at one position j of the text, from the characters at j, j + 1 and j + 2.
struct Tally {
    std::size_t points = 0, polygons = 0, uvs = 0, normals = 0, indented = 0, words = 0;

    void add(unsigned char a, unsigned char b, unsigned char c)
    {
        bool const line_start = a == '\n';
        points += line_start && b == 'v' && blank(c);
        polygons += line_start && b == 'f' && blank(c);
        uvs += line_start && b == 'v' && c == 't';
        normals += line_start && b == 'v' && c == 'n';
        indented += line_start && (b == ' ' || b == '\t');
        words += blank(a) && !blank(b) && b != '\n';
    }
};

// Sixteen characters at a time, in a vector type the compiler maps onto the machine's own.
typedef std::uint8_t Bytes __attribute__((vector_size(16)));
typedef std::int8_t Flags __attribute__((vector_size(16)));

Bytes load(char const* c)
{
    Bytes v;
    std::memcpy(&v, c, sizeof v);
    return v;
}

Flags blanks(Bytes v) { return (v <= ' ') & (v != '\n'); }

// The tally of positions [first, last) of text, which holds at least last + 2 characters. Each
// lane counts in a byte, emptied into the totals before it can wrap.
void tally_vectors(char const* text, std::size_t first, std::size_t last, Tally& t)
{
    constexpr std::size_t kLanes = sizeof(Bytes);
    std::size_t j = first;
    while (j + kLanes <= last) {
        // A flag is all ones: taking it away adds one, in lanes that wrap like unsigned bytes.
        Bytes points{}, polygons{}, uvs{}, normals{}, indented{}, words{};
        for (std::size_t step = 0; step < 255 && j + kLanes <= last; ++step, j += kLanes) {
            Bytes const a = load(text + j), b = load(text + j + 1), c = load(text + j + 2);
            Flags const line_start = a == '\n', v = line_start & (b == 'v'), blank_b = blanks(b);
            points -= Bytes(v & blanks(c));
            polygons -= Bytes(line_start & (b == 'f') & blanks(c));
            uvs -= Bytes(v & (c == 't'));
            normals -= Bytes(v & (c == 'n'));
            indented -= Bytes(line_start & ((b == ' ') | (b == '\t')));
            words -= Bytes(blanks(a) & ~blank_b & (b != '\n'));
        }
        for (std::size_t k = 0; k < kLanes; ++k) {
            t.points += points[k];
            t.polygons += polygons[k];
            t.uvs += uvs[k];
            t.normals += normals[k];
            t.indented += indented[k];
            t.words += words[k];
        }
    }
    for (; j < last; ++j)
        t.add(text[j], text[j + 1], text[j + 2]);
}

} // namespace

ObjCounts count_obj_lines(std::string_view text)
{
    auto at = [&](std::size_t i) -> unsigned char { return i < text.size() ? text[i] : '\n'; };
    Tally t;
    // The text starts a line, as if a line end came before it; past its end, lines end.
    t.add('\n', at(0), at(1));
    std::size_t const inside = text.size() >= 2 ? text.size() - 2 : 0;
    tally_vectors(text.data(), 0, inside, t);
    for (std::size_t j = inside; j < text.size(); ++j)
        t.add(at(j), at(j + 1), at(j + 2));
    ObjCounts counts;
    counts.points = t.points + t.indented;
    counts.polygons = t.polygons + t.indented;
    std::size_t const not_corners = 3 * (t.points + t.normals) + t.uvs;
    counts.corners = t.words > not_corners ? t.words - not_corners : 0;
    return counts;
}

} // namespace vorn
