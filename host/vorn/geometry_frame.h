#pragma once

#include "teskar/mesh.h"

#include "vornsdk/math.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vorn {

inline constexpr std::uint32_t kGeometryFrameMagic = 0x4F45475F; // "_GEO" read as little-endian bytes
inline constexpr std::uint32_t kGeometryFrameVersion = 2;

// Bits of the frame's header flags, of its point and polygon flags and of its edge flags.
inline constexpr std::uint32_t kFrameItemSelected = 1, kFrameDelta = 2;
inline constexpr std::uint8_t kSlotVacant = 1;
inline constexpr std::uint8_t kEdgeHard = 1, kEdgeSelected = 2;

// What a client was last sent of one item: enough to tell whether it is up to date and, through
// the mesh's geometry log, which slots changed since.
struct SentItem {
    void const* mesh = nullptr;
    std::uint64_t revision = 0;
    VORNSDK::Matrix4d world;
    bool selected = false;
    std::uint64_t log_epoch = 0;
    std::size_t logged_points = 0, logged_polygons = 0;
    VORNSDK::Index point_slots = 0, polygon_slots = 0;
};

// The item as it is now.
SentItem sent_item(teskar::Mesh const& mesh, VORNSDK::Matrix4d const& world, bool selected);

// Whether a client that was sent `before` shows the item as `now` describes it.
bool up_to_date(SentItem const& before, SentItem const& now);

// One mesh item as the browser draws it, in one little-endian buffer whose sections start on
// 4-byte boundaries (docs/vorn-serve.md lays it out). Points and polygons are named by their
// slots, vacant slots flagged, so that a later delta can name them too; positions are in world
// coordinates. The selection and the hard and selected edges come as lists: the page draws the
// ordinary edges from the polygons' sides.
std::string geometry_frame(std::string const& name, teskar::Mesh const& mesh, SentItem const& now);

// The frame that brings a client holding `before` to `now`: only the points and polygons whose
// slots the mesh's geometry log names since, or that are new, with the selection and the flagged
// edges in full. None when a delta cannot say it (another mesh, placement or log epoch) or would
// list too much of the mesh to be worth it.
std::optional<std::string> geometry_delta(std::string const& name, teskar::Mesh const& mesh, SentItem const& before,
                                          SentItem const& now);

// Lets the heap keep large blocks for reuse instead of returning them to the system: a frame of a
// million quads is about 35 MB, and mapping fresh pages for each one costs about a third of its
// build. For a process that sends frames over and over; call once, early.
void keep_large_blocks();

} // namespace vorn
