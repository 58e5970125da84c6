#include "cut_select_tools/seam_caps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

namespace tolvir {

using namespace VORNSDK;

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// Loops whose areas differ by less than this share of the larger one count as the same outline.
constexpr double kSameArea = 1e-6;

bool border(MeshInterface const& mesh, Index a, Index b)
{
    PolyMarker beside;
    return mesh.polygons_of_edge({a, b}, beside) == 1;
}

// Whether a polygon around the loop's first point has exactly the loop's points.
bool outlines_a_polygon(MeshInterface const& mesh, CompactIndexArray const& loop)
{
    for (Index g : mesh.point_polygons(loop[0])) {
        PolygonVertices const v = mesh.polygon_vertices(g);
        if (v.count == loop.size() &&
            std::all_of(loop.begin(), loop.end(), [&](Index p) { return std::find(v.begin(), v.end(), p) != v.end(); }))
            return true;
    }
    return false;
}

// A closed loop of border sides, in the order its cap runs, seen along the plane's normal.
struct Loop {
    CompactIndexArray points;
    // The polygon along its first side, whose material the cap takes.
    Index beside;
    // Positive when the cap faces along the normal.
    double area = 0;
    // The loop's extent in the plane.
    double u0 = 0, u1 = 0, v0 = 0, v1 = 0;
    // The smallest loop around it that runs the other way, and the loops that have it so.
    std::size_t around = kNone;
    std::vector<std::size_t> inside = {};
};

// Two coordinates across the normal: those of the axes it leans on least.
struct Projection {
    int u, v;

    explicit Projection(Vector3d const& normal)
    {
        double const n[3] = {std::abs(normal.x), std::abs(normal.y), std::abs(normal.z)};
        int const drop = n[0] >= n[1] && n[0] >= n[2] ? 0 : n[1] >= n[2] ? 1 : 2;
        u = drop == 0 ? 1 : 0;
        v = drop == 2 ? 1 : 2;
    }

    static double at(Vector3d const& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }
};

void measure(MeshInterface const& mesh, Loop& loop, Vector3d const& normal, Projection const& projection)
{
    Vector3d twice;
    loop.u0 = loop.v0 = std::numeric_limits<double>::infinity();
    loop.u1 = loop.v1 = -loop.u0;
    for (std::size_t k = 0; k < loop.points.size(); ++k) {
        Vector3d const a = mesh.point_position(loop.points[k]);
        Vector3d const b = mesh.point_position(loop.points[(k + 1) % loop.points.size()]);
        twice += cross(a, b);
        double const u = Projection::at(a, projection.u), v = Projection::at(a, projection.v);
        loop.u0 = std::min(loop.u0, u);
        loop.u1 = std::max(loop.u1, u);
        loop.v0 = std::min(loop.v0, v);
        loop.v1 = std::max(loop.v1, v);
    }
    loop.area = dot(twice, normal) / 2;
}

// Whether the plane's point p lies inside the loop: an odd number of its sides pass beside it.
bool encloses(MeshInterface const& mesh, Loop const& loop, Vector3d const& p, Projection const& projection)
{
    double const pu = Projection::at(p, projection.u), pv = Projection::at(p, projection.v);
    bool inside = false;
    Vector3d a = mesh.point_position(loop.points[loop.points.size() - 1]);
    for (Index q : loop.points) {
        Vector3d const b = mesh.point_position(q);
        double const au = Projection::at(a, projection.u), av = Projection::at(a, projection.v);
        double const bu = Projection::at(b, projection.u), bv = Projection::at(b, projection.v);
        if ((av > pv) != (bv > pv) && pu < au + (bu - au) * (pv - av) / (bv - av))
            inside = !inside;
        a = b;
    }
    return inside;
}

// Finds for each loop the smallest loop around it running the other way (the outline of the
// region it bounds from the outside). Loops are swept by where they begin across the plane, so
// only loops reaching over a loop's beginning are tried as its surroundings.
void nest(MeshInterface const& mesh, std::vector<Loop>& loops, Projection const& projection)
{
    std::vector<std::size_t> order(loops.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return loops[a].u0 != loops[b].u0 ? loops[a].u0 < loops[b].u0 : std::abs(loops[a].area) > std::abs(loops[b].area);
    });
    std::vector<std::size_t> open;
    for (std::size_t i : order) {
        Loop& loop = loops[i];
        std::erase_if(open, [&](std::size_t j) { return loops[j].u1 < loop.u0; });
        Vector3d const probe = mesh.point_position(loop.points[0]);
        for (std::size_t j : open) {
            Loop const& other = loops[j];
            // Copies of one loop (the two sides of a separated cut), whose areas differ by
            // rounding only, never surround one another.
            if ((other.area > 0) == (loop.area > 0) || std::abs(other.area) <= std::abs(loop.area) * (1 + kSameArea) ||
                other.u1 < loop.u1 || other.v0 > loop.v0 || other.v1 < loop.v1 ||
                (loop.around != kNone && std::abs(other.area) >= std::abs(loops[loop.around].area)) ||
                !encloses(mesh, other, probe, projection))
                continue;
            loop.around = j;
        }
        open.push_back(i);
    }
    for (std::size_t i = 0; i < loops.size(); ++i)
        if (loops[i].around != kNone)
            loops[loops[i].around].inside.push_back(i);
}

// Whether the loop bounds a hole: an odd number of loops, each running the other way from the
// next, lie around it.
bool hole(std::vector<Loop> const& loops, std::size_t i)
{
    bool odd = false;
    for (std::size_t j = loops[i].around; j != kNone; j = loops[j].around)
        odd = !odd;
    return odd;
}

// The polygons of a band from the outline to the hole inside it: the hole's loop is walked
// backwards from its point nearest the outline's first, and the two are zipped together, a quad
// for each step along both when they have as many points, otherwise a triangle for each step
// along the one whose next rung is shorter. Each polygon runs along the outline and the hole as
// their caps would.
std::vector<CompactIndexArray> band(MeshInterface const& mesh, CompactIndexArray const& outline, CompactIndexArray const& inner)
{
    std::size_t const n = outline.size(), m = inner.size();
    auto const at = [&](Index p) { return mesh.point_position(p); };
    std::size_t nearest = 0;
    for (std::size_t j = 1; j < m; ++j)
        if (length(at(inner[j]) - at(outline[0])) < length(at(inner[nearest]) - at(outline[0])))
            nearest = j;
    auto const e = [&](std::size_t i) { return outline[i % n]; };
    auto const h = [&](std::size_t j) { return inner[(nearest + m - j % m) % m]; };
    std::vector<CompactIndexArray> polygons;
    if (n == m) {
        for (std::size_t i = 0; i < n; ++i)
            polygons.push_back({e(i), e(i + 1), h(i + 1), h(i)});
        return polygons;
    }
    for (std::size_t i = 0, j = 0; i < n || j < m;) {
        if (j == m || (i < n && length(at(e(i + 1)) - at(h(j))) <= length(at(e(i)) - at(h(j + 1))))) {
            polygons.push_back({e(i), e(i + 1), h(j)});
            ++i;
        } else {
            polygons.push_back({e(i), h(j + 1), h(j)});
            ++j;
        }
    }
    return polygons;
}

} // namespace

std::size_t cap_loops(MeshInterface& mesh, std::span<Index const> points, Vector3d const& normal)
{
    VertexMarker among;
    for (Index p : points)
        if (mesh.point_exists(p))
            among.insert(p);
    // For a border side a -> b of a polygon, the cap runs b -> a.
    struct Step {
        Index to, beside;
    };
    std::unordered_map<Index, Step> next;
    std::vector<Index> starts;
    for (Index a : among)
        for (Index g : mesh.point_polygons(a)) {
            PolygonVertices const v = mesh.polygon_vertices(g);
            auto const k = static_cast<std::size_t>(std::find(v.begin(), v.end(), a) - v.begin());
            Index const b = v[(k + 1) % v.count];
            if (among.contains(b) && border(mesh, a, b) && next.try_emplace(b, Step{a, g}).second)
                starts.push_back(b);
        }
    std::vector<Loop> loops;
    VertexMarker walked;
    CompactIndexArray loop;
    for (Index start : starts) {
        if (walked.contains(start))
            continue;
        loop.clear();
        bool closed = false;
        for (Index p = start;;) {
            walked.insert(p);
            if (!loop.push_back(p))
                break;
            auto const it = next.find(p);
            if (it == next.end())
                break;
            p = it->second.to;
            if (p == start) {
                closed = true;
                break;
            }
            if (walked.contains(p))
                break;
        }
        if (closed && loop.size() >= 3 && !outlines_a_polygon(mesh, loop))
            loops.push_back({loop, next.at(start).beside});
    }
    Projection const projection(normal);
    for (Loop& l : loops)
        measure(mesh, l, unit(normal), projection);
    nest(mesh, loops, projection);
    std::size_t caps = 0;
    for (std::size_t i = 0; i < loops.size(); ++i) {
        Loop const& l = loops[i];
        if (hole(loops, i) || l.inside.size() > 1)
            continue;
        auto const material = mesh.polygon_material(l.beside);
        if (l.inside.empty()) {
            Index const cap = mesh.add_polygon(l.points);
            if (cap != kNoIndex) {
                mesh.set_polygon_material(cap, material);
                ++caps;
            }
            continue;
        }
        CompactIndexArray const& inner = loops[l.inside.front()].points;
        std::vector<CompactIndexArray> const polygons = band(mesh, l.points, inner);
        // A rung the mesh has already (a face in the plane between the loops) would be run by
        // more than two polygons: such a band is not made.
        VertexMarker within;
        for (Index p : inner)
            within.insert(p);
        bool const blocked = std::any_of(polygons.begin(), polygons.end(), [&](CompactIndexArray const& p) {
            for (std::size_t k = 0; k < p.size(); ++k) {
                Index const a = p[k], b = p[(k + 1) % p.size()];
                if (within.contains(a) != within.contains(b) && mesh.edge_exists({a, b}))
                    return true;
            }
            return false;
        });
        if (blocked)
            continue;
        for (CompactIndexArray const& p : polygons) {
            Index const g = mesh.add_polygon(p);
            if (g != kNoIndex) {
                mesh.set_polygon_material(g, material);
                ++caps;
            }
        }
    }
    return caps;
}

} // namespace tolvir
