#pragma once

#include <cstddef>
#include <string_view>

namespace vorn {

// What an OBJ text holds, to size a mesh once before reading it.
struct ObjCounts {
    std::size_t points = 0, polygons = 0, corners = 0;

    ObjCounts& operator+=(ObjCounts const& other)
    {
        points += other.points;
        polygons += other.polygons;
        corners += other.corners;
        return *this;
    }
};

// Counts whole lines of OBJ text (text starts at a line start) without reading them: "v" and "f"
// lines, plus lines that start with a space or a tab, which may be either; and the words after
// blanks anywhere, less three for each "v" and "vn" line and one for each "vt" line, which is no
// fewer than the faces' corners. For a valid text the counts are never below what it holds, and
// exact for the points and polygons of a text whose lines start with their keyword.
ObjCounts count_obj_lines(std::string_view text);

} // namespace vorn
