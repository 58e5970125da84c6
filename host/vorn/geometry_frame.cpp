#include "geometry_frame.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <malloc.h>
#include <map>
#include <span>
#include <vector>

namespace vorn {

using VORNSDK::Index;

namespace {

std::size_t padded(std::size_t bytes) { return (bytes + 3) & ~std::size_t(3); }

bool same_matrix(VORNSDK::Matrix4d const& a, VORNSDK::Matrix4d const& b) { return std::memcmp(a.m, b.m, sizeof a.m) == 0; }

// The slots a frame lists: every one of a full frame, or the chosen ones of a delta.
struct Slots {
    std::vector<Index> const* chosen;
    Index all;
    std::size_t size() const { return chosen ? chosen->size() : all; }
    Index operator[](std::size_t i) const { return chosen ? (*chosen)[i] : static_cast<Index>(i); }
};

// Hard and selected edges, lower end first, each once; few in practice, so they travel in full.
struct FlaggedEdges {
    std::vector<std::uint32_t> ends;
    std::vector<std::uint8_t> flags;
};

FlaggedEdges flagged_edges(teskar::Mesh const& mesh)
{
    std::map<std::pair<Index, Index>, std::uint8_t> flags;
    auto const add = [&](Index a, Index b, std::uint8_t bit) { flags[{std::min(a, b), std::max(a, b)}] |= bit; };
    for (Index f : mesh.polygons()) {
        VORNSDK::PolygonVertices const list = mesh.polygon_vertices(f);
        for (std::size_t k = 0; k < list.count; ++k)
            if (mesh.side_marked_hard(f, k))
                add(list[k], list[(k + 1) % list.count], kEdgeHard);
    }
    std::vector<VORNSDK::VertexPair> selected;
    mesh.selected_edges().append_to(selected);
    for (auto const& e : selected)
        add(e.v1, e.v2, kEdgeSelected);
    FlaggedEdges out;
    for (auto const& [ends, bits] : flags) {
        out.ends.push_back(ends.first);
        out.ends.push_back(ends.second);
        out.flags.push_back(bits);
    }
    return out;
}

// Appends raw values at a cursor inside a buffer sized beforehand.
class Writer {
public:
    explicit Writer(std::string& out) : at_(out.data()) {}
    void u32(std::uint32_t v) { bytes(&v, sizeof v); }
    void u8(std::uint8_t v) { *at_++ = static_cast<char>(v); }
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

private:
    char* at_;
};

std::string frame(std::string const& name, teskar::Mesh const& mesh, SentItem const& now, Slots points, Slots polygons,
                  bool delta)
{
    std::vector<Index> selected_points, selected_polygons;
    mesh.selected_points().append_to(selected_points);
    mesh.selected_polygons().append_to(selected_polygons);
    FlaggedEdges const edges = flagged_edges(mesh);
    std::size_t const np = points.size(), nf = polygons.size(), ne = edges.flags.size();
    std::size_t corners = 0;
    for (std::size_t i = 0; i < nf; ++i)
        corners += mesh.polygon_vertices(polygons[i]).count;

    std::size_t const index_bytes = delta ? 4 : 0;
    std::size_t const size = 4 * 3 + padded(name.size()) + 4 * 11 + (index_bytes + 12) * np + padded(np) +
                             index_bytes * nf + 4 * (nf + 1) + 4 * corners + padded(nf) +
                             4 * (selected_points.size() + selected_polygons.size()) + 8 * ne + padded(ne);
    std::string out(size, '\0');
    Writer w(out);
    w.u32(kGeometryFrameMagic);
    w.u32(kGeometryFrameVersion);
    w.u32(static_cast<std::uint32_t>(name.size()));
    w.bytes(name.data(), name.size());
    w.align(name.size());
    w.u32(static_cast<std::uint32_t>(now.revision));
    w.u32(static_cast<std::uint32_t>(now.revision >> 32));
    w.u32((now.selected ? kFrameItemSelected : 0) | (delta ? kFrameDelta : 0));
    for (std::size_t n : {std::size_t(now.point_slots), std::size_t(now.polygon_slots), np, nf, corners,
                          selected_points.size(), selected_polygons.size(), ne})
        w.u32(static_cast<std::uint32_t>(n));

    if (delta)
        w.array(*points.chosen);
    double const* m = now.world.m;
    for (std::size_t i = 0; i < np; ++i) {
        if (!mesh.point_exists(points[i])) {
            w.bytes(std::array<float, 3>{}.data(), 3 * sizeof(float));
            continue;
        }
        VORNSDK::Vector3d const v = mesh.point_position(points[i]);
        float const xyz[3] = {float(m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3]),
                              float(m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7]),
                              float(m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11])};
        w.bytes(xyz, sizeof xyz);
    }
    for (std::size_t i = 0; i < np; ++i)
        w.u8(mesh.point_exists(points[i]) ? 0 : kSlotVacant);
    w.align(np);

    if (delta)
        w.array(*polygons.chosen);
    std::uint32_t start = 0;
    w.u32(start);
    for (std::size_t i = 0; i < nf; ++i)
        w.u32(start += mesh.polygon_vertices(polygons[i]).count);
    for (std::size_t i = 0; i < nf; ++i) {
        VORNSDK::PolygonVertices const list = mesh.polygon_vertices(polygons[i]);
        w.bytes(list.first, list.count * sizeof(Index));
    }
    for (std::size_t i = 0; i < nf; ++i)
        w.u8(mesh.polygon_exists(polygons[i]) ? 0 : kSlotVacant);
    w.align(nf);

    w.array(selected_points);
    w.array(selected_polygons);
    w.array(edges.ends);
    w.array(edges.flags);
    return out;
}

// The slots named since `seen` entries of the log, and the new slots from `from` to `to`, each once.
std::vector<Index> changed_slots(std::span<Index const> logged, std::size_t seen, Index from, Index to)
{
    std::vector<Index> out(logged.begin() + static_cast<std::ptrdiff_t>(seen), logged.end());
    for (Index i = from; i < to; ++i)
        out.push_back(i);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

} // namespace

SentItem sent_item(teskar::Mesh const& mesh, VORNSDK::Matrix4d const& world, bool selected)
{
    teskar::Mesh::GeometryLog const log = mesh.geometry_log();
    return {&mesh,           mesh.revision(),       world, selected, log.epoch, log.points.size(), log.polygons.size(),
            mesh.points().slots(), mesh.polygons().slots()};
}

bool up_to_date(SentItem const& before, SentItem const& now)
{
    return before.mesh == now.mesh && before.revision == now.revision && same_matrix(before.world, now.world) &&
           before.selected == now.selected;
}

std::string geometry_frame(std::string const& name, teskar::Mesh const& mesh, SentItem const& now)
{
    return frame(name, mesh, now, {nullptr, now.point_slots}, {nullptr, now.polygon_slots}, false);
}

std::optional<std::string> geometry_delta(std::string const& name, teskar::Mesh const& mesh, SentItem const& before,
                                          SentItem const& now)
{
    // Slots only go away when the log starts over, so within an epoch the counts only grow.
    if (before.mesh != now.mesh || !same_matrix(before.world, now.world) || before.log_epoch != now.log_epoch ||
        now.point_slots < before.point_slots || now.polygon_slots < before.polygon_slots)
        return std::nullopt;
    std::size_t const named = (now.logged_points - before.logged_points) + (now.logged_polygons - before.logged_polygons) +
                              (now.point_slots - before.point_slots) + (now.polygon_slots - before.polygon_slots);
    // Past a quarter of the mesh a delta saves little, and the page would rather start afresh.
    if (4 * named > std::size_t(now.point_slots) + now.polygon_slots)
        return std::nullopt;
    teskar::Mesh::GeometryLog const log = mesh.geometry_log();
    std::vector<Index> const points = changed_slots(log.points, before.logged_points, before.point_slots, now.point_slots);
    std::vector<Index> const polygons =
        changed_slots(log.polygons, before.logged_polygons, before.polygon_slots, now.polygon_slots);
    return frame(name, mesh, now, {&points, 0}, {&polygons, 0}, true);
}

void keep_large_blocks()
{
    constexpr int kLarge = 1 << 30;
    mallopt(M_MMAP_THRESHOLD, kLarge);
    mallopt(M_TRIM_THRESHOLD, kLarge);
}

} // namespace vorn
