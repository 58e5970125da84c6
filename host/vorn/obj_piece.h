#pragma once

#include "vornsdk/math.h"
#include "vornsdk/mesh.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorn::obj {

using VORNSDK::Index;

// Stands for a written index of 0, which no element has.
inline constexpr std::int32_t kZeroIndex = std::numeric_limits<std::int32_t>::min();

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

// Parses a run of whole lines of OBJ text into out, up to the first malformed line. Without
// quick_faces every face is kept as written, for a reading that checks each one.
void parse_piece(std::string_view text, ParsedPiece& out, bool quick_faces = true);

} // namespace vorn::obj
