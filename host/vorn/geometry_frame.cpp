#include "geometry_frame.h"

#include <cstring>
#include <vector>

namespace vorn {

using VORNSDK::Index;
using VORNSDK::kNoIndex;

namespace {

std::size_t padded(std::size_t bytes) { return (bytes + 3) & ~std::size_t(3); }

// Appends raw values at a cursor inside a buffer sized beforehand.
class Writer {
public:
    explicit Writer(std::string& out) : at_(out.data()) {}
    void u32(std::uint32_t v) { bytes(&v, sizeof v); }
    void bytes(void const* data, std::size_t n)
    {
        if (n)
            std::memcpy(at_, data, n);
        at_ += n;
    }
    // Skips to the next 4-byte boundary (the buffer starts zeroed, so the padding is zeros).
    void align(std::size_t written) { at_ += padded(written) - written; }
    char* cursor() { return at_; }
    void advance(std::size_t n) { at_ += n; }

private:
    char* at_;
};

// Every edge once, found from its lower point: the sides next to each point in the polygons
// around it, a stamp per neighbour telling whether this point already gave that edge. Hard bits
// come from any polygon that marks the side.
struct Edges {
    std::vector<std::uint32_t> ends;
    std::vector<std::uint8_t> flags;
};

// The ends are point slots; the frame writes them compacted.
Edges collect_edges(teskar::Mesh const& mesh)
{
    Edges e;
    std::size_t const corners_guess = std::size_t(mesh.polygons().count()) * 4;
    e.ends.reserve(corners_guess + 16);
    e.flags.reserve(corners_guess / 2 + 8);
    Index const slots = mesh.points().slots();
    std::vector<Index> stamp(slots, kNoIndex);
    std::vector<std::uint32_t> edge_of(slots, 0);
    bool const any_hard = mesh.hard_edge_count() > 0;
    auto const note = [&](Index p, Index q, bool hard) {
        if (q < p)
            return;
        if (stamp[q] != p) {
            stamp[q] = p;
            edge_of[q] = static_cast<std::uint32_t>(e.flags.size());
            e.ends.push_back(p);
            e.ends.push_back(q);
            e.flags.push_back(0);
        }
        if (hard)
            e.flags[edge_of[q]] |= 1;
    };
    for (Index p : mesh.points())
        for (Index f : mesh.point_polygons(p)) {
            VORNSDK::PolygonVertices const list = mesh.polygon_vertices(f);
            std::size_t const n = list.count;
            for (std::size_t k = 0; k < n; ++k) {
                if (list[k] != p)
                    continue;
                std::size_t const before = (k + n - 1) % n;
                note(p, list[(k + 1) % n], any_hard && mesh.side_marked_hard(f, k));
                note(p, list[before], any_hard && mesh.side_marked_hard(f, before));
            }
        }
    auto const& selected = mesh.selected_edges();
    if (!selected.empty())
        for (std::size_t i = 0; i < e.flags.size(); ++i)
            if (selected.contains({e.ends[2 * i], e.ends[2 * i + 1]}))
                e.flags[i] |= 2;
    return e;
}

} // namespace

std::string geometry_frame(std::string const& name, std::uint64_t revision, teskar::Mesh const& mesh,
                           VORNSDK::Matrix4d const& world, bool item_selected)
{
    Index const slots = mesh.points().slots();
    std::size_t const points = mesh.points().count(), polygons = mesh.polygons().count();
    std::size_t corners = 0;
    for (Index f : mesh.polygons())
        corners += mesh.polygon_vertices(f).count;
    Edges const edges = collect_edges(mesh);
    std::size_t const edge_count = edges.flags.size();

    std::size_t const size = 4 * 2 + 4 + padded(name.size()) + 4 * 7 + 4 * 3 * points + 4 * (polygons + 1) +
                             4 * corners + 4 * 2 * edge_count + padded(edge_count) + padded(points) + padded(polygons);
    std::string out(size, '\0');
    Writer w(out);
    w.u32(kGeometryFrameMagic);
    w.u32(kGeometryFrameVersion);
    w.u32(static_cast<std::uint32_t>(name.size()));
    w.bytes(name.data(), name.size());
    w.align(name.size());
    w.u32(static_cast<std::uint32_t>(revision));
    w.u32(static_cast<std::uint32_t>(revision >> 32));
    for (std::size_t n : {points, polygons, corners, edge_count})
        w.u32(static_cast<std::uint32_t>(n));
    w.u32(item_selected ? 1 : 0);

    std::vector<std::uint32_t> compact(slots, 0);
    std::uint32_t next = 0;
    double const* m = world.m;
    for (Index p : mesh.points()) {
        compact[p] = next++;
        VORNSDK::Vector3d const v = mesh.point_position(p);
        float const xyz[3] = {float(m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3]),
                              float(m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7]),
                              float(m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11])};
        w.bytes(xyz, sizeof xyz);
    }
    std::uint32_t start = 0;
    w.u32(start);
    for (Index f : mesh.polygons()) {
        start += mesh.polygon_vertices(f).count;
        w.u32(start);
    }
    for (Index f : mesh.polygons())
        for (Index v : mesh.polygon_vertices(f))
            w.u32(compact[v]);
    for (std::uint32_t end : edges.ends)
        w.u32(compact[end]);
    w.bytes(edges.flags.data(), edge_count);
    w.align(edge_count);

    char* flags = w.cursor();
    for (Index p : mesh.points())
        *flags++ = mesh.point_selected(p) ? 1 : 0;
    w.advance(padded(points));
    flags = w.cursor();
    for (Index f : mesh.polygons())
        *flags++ = mesh.polygon_selected(f) ? 1 : 0;
    return out;
}

} // namespace vorn
