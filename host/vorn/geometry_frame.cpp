#include "geometry_frame.h"

#include <algorithm>
#include <cstring>
#include <malloc.h>
#include <vector>

namespace vorn {

using VORNSDK::Index;

namespace {

std::size_t padded(std::size_t bytes) { return (bytes + 3) & ~std::size_t(3); }

// The frame's arrays before they are laid out, kept between frames (per thread) so that a frame
// of a large mesh does not pay for fresh pages of scratch memory each time.
struct Scratch {
    std::vector<std::uint32_t> compact; // point slot -> frame index
    std::vector<Index> slot;            // frame index -> point slot
    std::vector<std::uint32_t> starts, corners;
    std::vector<std::uint8_t> side_hard; // per corner: the side from it to the next is marked hard
    std::vector<std::uint32_t> first;    // per point: where its sides start in `higher` (counts first)
    std::vector<std::uint32_t> higher;   // the higher end of every side, grouped by the lower end
    std::vector<std::uint8_t> higher_hard;
    std::vector<std::uint32_t> stamp;
    std::vector<std::uint32_t> edges;
    std::vector<std::uint8_t> edge_flags;

    void read_polygons(teskar::Mesh const& mesh);
    void group_sides(std::size_t points, bool hard);
    void collect_edges(std::size_t points, bool hard);
    void mark_selected_edges(teskar::Mesh const& mesh);
};

void Scratch::read_polygons(teskar::Mesh const& mesh)
{
    compact.resize(mesh.points().slots());
    slot.clear();
    for (Index p : mesh.points()) {
        compact[p] = static_cast<std::uint32_t>(slot.size());
        slot.push_back(p);
    }
    bool const hard = mesh.hard_edge_count() > 0;
    starts.assign(1, 0);
    corners.clear();
    side_hard.clear();
    first.assign(slot.size() + 1, 0);
    for (Index f : mesh.polygons()) {
        VORNSDK::PolygonVertices const list = mesh.polygon_vertices(f);
        std::uint32_t const begin = static_cast<std::uint32_t>(corners.size());
        for (std::size_t k = 0; k < list.count; ++k) {
            corners.push_back(compact[list[k]]);
            if (hard)
                side_hard.push_back(mesh.side_marked_hard(f, k) ? 1 : 0);
        }
        // Sides counted by their lower end, for group_sides.
        std::uint32_t const end = static_cast<std::uint32_t>(corners.size());
        for (std::uint32_t c = begin; c < end; ++c)
            ++first[std::min(corners[c], corners[c + 1 == end ? begin : c + 1]) + 1];
        starts.push_back(end);
    }
}

// A counting sort of the sides by their lower end, on the counts read_polygons made.
void Scratch::group_sides(std::size_t points, bool hard)
{
    for (std::size_t p = 0; p < points; ++p)
        first[p + 1] += first[p];
    higher.resize(corners.size());
    higher_hard.resize(hard ? corners.size() : 0);
    // `stamp` serves as the fill cursor of each group here.
    stamp.assign(first.begin(), first.end() - 1);
    std::size_t const polygons = starts.size() - 1;
    for (std::size_t f = 0; f < polygons; ++f) {
        std::uint32_t const begin = starts[f], end = starts[f + 1];
        for (std::uint32_t c = begin; c < end; ++c) {
            std::uint32_t const a = corners[c], b = corners[c + 1 == end ? begin : c + 1];
            std::uint32_t const at = stamp[std::min(a, b)]++;
            higher[at] = std::max(a, b);
            if (hard)
                higher_hard[at] = side_hard[c];
        }
    }
}

// Each edge once, lower end first: the sides of one lower end with the same higher end are one
// edge, hard when any polygon marks its side hard.
void Scratch::collect_edges(std::size_t points, bool hard)
{
    constexpr std::uint32_t kNone = ~std::uint32_t(0);
    stamp.assign(points, kNone);
    edges.clear();
    edge_flags.clear();
    for (std::uint32_t lo = 0; lo < points; ++lo) {
        std::size_t const group = edge_flags.size();
        for (std::uint32_t s = first[lo]; s < first[lo + 1]; ++s) {
            std::uint32_t const hi = higher[s];
            if (stamp[hi] == kNone || stamp[hi] < group) {
                stamp[hi] = static_cast<std::uint32_t>(edge_flags.size());
                edges.push_back(lo);
                edges.push_back(hi);
                edge_flags.push_back(0);
            }
            if (hard && higher_hard[s])
                edge_flags[stamp[hi]] |= 1;
        }
    }
}

void Scratch::mark_selected_edges(teskar::Mesh const& mesh)
{
    auto const& selected = mesh.selected_edges();
    if (selected.empty())
        return;
    for (std::size_t e = 0; e < edge_flags.size(); ++e)
        if (selected.contains({slot[edges[2 * e]], slot[edges[2 * e + 1]]}))
            edge_flags[e] |= 2;
}

// Appends raw values at a cursor inside a buffer sized beforehand.
class Writer {
public:
    explicit Writer(std::string& out) : at_(out.data()) {}
    void u32(std::uint32_t v) { bytes(&v, sizeof v); }
    template <class T>
    void array(std::vector<T> const& v)
    {
        bytes(v.data(), v.size() * sizeof(T));
    }
    void bytes(void const* data, std::size_t n)
    {
        if (n)
            std::memcpy(at_, data, n);
        at_ += n;
    }
    // Skips to the next 4-byte boundary (the buffer starts zeroed, so the padding is zeros).
    void align(std::size_t written) { at_ += padded(written) - written; }
    char* cursor() { return at_; }

private:
    char* at_;
};

} // namespace

void keep_large_blocks()
{
    constexpr int kLarge = 1 << 30;
    mallopt(M_MMAP_THRESHOLD, kLarge);
    mallopt(M_TRIM_THRESHOLD, kLarge);
}

std::string geometry_frame(std::string const& name, std::uint64_t revision, teskar::Mesh const& mesh,
                           VORNSDK::Matrix4d const& world, bool item_selected)
{
    thread_local Scratch s;
    bool const hard = mesh.hard_edge_count() > 0;
    s.read_polygons(mesh);
    std::size_t const points = s.slot.size(), polygons = s.starts.size() - 1, corners = s.corners.size();
    s.group_sides(points, hard);
    s.collect_edges(points, hard);
    s.mark_selected_edges(mesh);
    std::size_t const edges = s.edge_flags.size();

    std::size_t const size = 4 * 2 + 4 + padded(name.size()) + 4 * 7 + 4 * 3 * points + 4 * (polygons + 1) +
                             4 * corners + 4 * 2 * edges + padded(edges) + padded(points) + padded(polygons);
    std::string out(size, '\0');
    Writer w(out);
    w.u32(kGeometryFrameMagic);
    w.u32(kGeometryFrameVersion);
    w.u32(static_cast<std::uint32_t>(name.size()));
    w.bytes(name.data(), name.size());
    w.align(name.size());
    w.u32(static_cast<std::uint32_t>(revision));
    w.u32(static_cast<std::uint32_t>(revision >> 32));
    for (std::size_t n : {points, polygons, corners, edges})
        w.u32(static_cast<std::uint32_t>(n));
    w.u32(item_selected ? 1 : 0);

    double const* m = world.m;
    for (Index p : s.slot) {
        VORNSDK::Vector3d const v = mesh.point_position(p);
        float const xyz[3] = {float(m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3]),
                              float(m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7]),
                              float(m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11])};
        w.bytes(xyz, sizeof xyz);
    }
    w.array(s.starts);
    w.array(s.corners);
    w.array(s.edges);
    w.array(s.edge_flags);
    w.align(edges);
    char* flags = w.cursor();
    for (Index p : s.slot)
        *flags++ = mesh.point_selected(p) ? 1 : 0;
    flags += padded(points) - points;
    for (Index f : mesh.polygons())
        *flags++ = mesh.polygon_selected(f) ? 1 : 0;
    return out;
}

} // namespace vorn
