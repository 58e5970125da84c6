#pragma once

#include "teskar/mesh.h"

#include "vornsdk/math.h"

#include <cstdint>
#include <string>

namespace vorn {

inline constexpr std::uint32_t kGeometryFrameMagic = 0x4F45475F; // "_GEO" read as little-endian bytes
inline constexpr std::uint32_t kGeometryFrameVersion = 1;

// One mesh item as the browser draws it, in one little-endian buffer whose sections start on
// 4-byte boundaries (docs/vorn-serve.md lays it out): the header (name, revision, counts, the
// item's selection), positions in world coordinates (world applied), polygon starts and corners,
// each edge once with its hard and selected bits, and point and polygon selection bits.
// Point indices are the mesh's live point slots counted in order, so removed slots leave no gap.
// Built in one pass over the mesh into buffers sized beforehand.
std::string geometry_frame(std::string const& name, std::uint64_t revision, teskar::Mesh const& mesh,
                           VORNSDK::Matrix4d const& world, bool item_selected);

// Lets the heap keep large blocks for reuse instead of returning them to the system: a frame of a
// million quads is about 50 MB, and mapping fresh pages for each one costs about a third of its
// build. For a process that sends frames over and over; call once, early.
void keep_large_blocks();

} // namespace vorn
