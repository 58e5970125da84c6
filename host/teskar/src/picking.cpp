#include "teskar/picking.h"

#include "teskar/host_plugin.h"
#include "teskar/kernel.h"
#include "teskar/mesh_item.h"
#include "teskar/reference_item.h"
#include "teskar/scene.h"

#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <unordered_map>
#include <vector>

namespace teskar {

using namespace VORNSDK;

namespace {

// One device for the process. It is never released: items may die during static destruction,
// after any static owner of the device would have gone.
RTCDevice device()
{
    static RTCDevice const d = rtcNewDevice(nullptr);
    return d;
}

// A mesh's polygons as fans of triangles in item space, with the polygon of each triangle.
struct Triangles {
    std::vector<float> vertices;   // x, y, z per point slot (vacant slots at 0), then one float of padding
    std::vector<unsigned> corners; // three point slots per triangle
    std::vector<Index> polygon;    // per triangle

    bool operator==(Triangles const&) const = default;
};

Triangles triangulate(Mesh const& mesh)
{
    Triangles t;
    // The padding lets the ray caster read the last point with one 16-byte load.
    t.vertices.assign(std::size_t(mesh.points().slots()) * 3 + 1, 0.0f);
    for (Index p : mesh.points()) {
        Vector3d const q = mesh.point_position(p);
        float* out = &t.vertices[std::size_t(p) * 3];
        out[0] = static_cast<float>(q.x);
        out[1] = static_cast<float>(q.y);
        out[2] = static_cast<float>(q.z);
    }
    // Quads are the common case: two triangles each.
    t.corners.reserve(std::size_t(mesh.polygons().count()) * 6);
    t.polygon.reserve(std::size_t(mesh.polygons().count()) * 2);
    for (Index f : mesh.polygons()) {
        PolygonVertices const v = mesh.polygon_vertices(f);
        for (std::uint16_t k = 1; k + 1 < v.count; ++k) {
            t.corners.push_back(v[0]);
            t.corners.push_back(v[k]);
            t.corners.push_back(v[k + 1u]);
            t.polygon.push_back(f);
        }
    }
    return t;
}

// The ray caster works in floats and takes only rays whose origin and direction stay within
// about 1.8e18 in every coordinate: it asserts on larger ones and on NaN. Rays from a camera that
// far out, or through a point that far off the viewport, are left untraced (no hit).
constexpr double kMaxRayCoordinate = 1e18;

bool traceable(Vector3d const& o, Vector3d const& d)
{
    for (double const c : {o.x, o.y, o.z, d.x, d.y, d.z})
        if (!(std::abs(c) <= kMaxRayCoordinate))
            return false;
    return true;
}

// The ray-casting structure of one mesh at one revision.
class MeshRays {
public:
    MeshRays(std::uint64_t revision, Triangles triangles) : revision(revision), triangles_(std::move(triangles))
    {
        RTCDevice const dev = device();
        if (!dev || triangles_.polygon.empty())
            return;
        scene_ = rtcNewScene(dev);
        // Robust traversal does not let rays slip between the triangles of a shared side.
        rtcSetSceneFlags(scene_, RTC_SCENE_FLAG_ROBUST);
        // The fast builder: the first pick on a big mesh waits for it, while a cast costs
        // microseconds whatever the quality.
        rtcSetSceneBuildQuality(scene_, RTC_BUILD_QUALITY_LOW);
        RTCGeometry const g = rtcNewGeometry(dev, RTC_GEOMETRY_TYPE_TRIANGLE);
        rtcSetSharedGeometryBuffer(g, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, triangles_.vertices.data(), 0,
                                   3 * sizeof(float), (triangles_.vertices.size() - 1) / 3);
        rtcSetSharedGeometryBuffer(g, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, triangles_.corners.data(), 0,
                                   3 * sizeof(unsigned), triangles_.polygon.size());
        rtcCommitGeometry(g);
        rtcAttachGeometry(scene_, g);
        rtcReleaseGeometry(g);
        rtcCommitScene(scene_);
    }
    MeshRays(MeshRays const&) = delete;
    MeshRays& operator=(MeshRays const&) = delete;
    ~MeshRays()
    {
        if (scene_)
            rtcReleaseScene(scene_);
    }

    Triangles const& triangles() const { return triangles_; }

    // The first triangle met by o + t d for t in [0, t_max], and its t. A ray the caster cannot
    // trace meets nothing.
    bool intersect(Vector3d const& o, Vector3d const& d, double t_max, unsigned& triangle, double& t) const
    {
        if (!scene_ || !traceable(o, d))
            return false;
        RTCIntersectContext context;
        rtcInitIntersectContext(&context);
        RTCRayHit rh{};
        rh.ray.org_x = static_cast<float>(o.x);
        rh.ray.org_y = static_cast<float>(o.y);
        rh.ray.org_z = static_cast<float>(o.z);
        rh.ray.dir_x = static_cast<float>(d.x);
        rh.ray.dir_y = static_cast<float>(d.y);
        rh.ray.dir_z = static_cast<float>(d.z);
        rh.ray.tnear = 0.0f;
        rh.ray.tfar = static_cast<float>(t_max);
        rh.ray.mask = ~0u;
        rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
        rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
        rtcIntersect1(scene_, &context, &rh);
        if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID)
            return false;
        triangle = rh.hit.primID;
        t = rh.ray.tfar;
        return true;
    }

    std::uint64_t revision;

private:
    Triangles triangles_;
    RTCScene scene_ = nullptr;
};

class PickCache {
public:
    MeshRays const& rays(Mesh const& mesh)
    {
        auto& entry = entries_[&mesh];
        if (entry && entry->revision == mesh.revision())
            return *entry;
        Triangles triangles = triangulate(mesh);
        // Many changes (selections, say) leave the geometry alone: keep the structure then.
        if (entry && entry->triangles() == triangles) {
            entry->revision = mesh.revision();
            return *entry;
        }
        entry.reset(); // before building, so that two structures are never held at once
        entry = std::make_unique<MeshRays>(mesh.revision(), std::move(triangles));
        ++builds_;
        return *entry;
    }
    void forget(Mesh const* mesh) { entries_.erase(mesh); }
    PickCacheStats stats() const { return {entries_.size(), builds_}; }

private:
    std::unordered_map<Mesh const*, std::unique_ptr<MeshRays>> entries_;
    std::uint64_t builds_ = 0;
};

// Never destroyed, for the same reason as the device.
PickCache& cache()
{
    static auto* const c = new PickCache;
    return *c;
}

// The ray parameter of the hit on the plane of triangle abc, in double precision (the ray caster
// works in floats); `rough` when the ray runs along the plane.
double refine(Vector3d const& o, Vector3d const& d, Vector3d const& a, Vector3d const& b, Vector3d const& c, double rough)
{
    Vector3d const n = cross(b - a, c - a);
    double const along = dot(n, d);
    if (std::abs(along) <= kLengthEpsilon * length(n) * length(d))
        return rough;
    return dot(n, a - o) / along;
}

double distance_to_segment(Vector3d const& p, Vector3d const& a, Vector3d const& b)
{
    Vector3d const ab = b - a;
    double const len2 = dot(ab, ab);
    double const t = len2 > 0 ? std::clamp(dot(p - a, ab) / len2, 0.0, 1.0) : 0.0;
    return length(p - (a + ab * t));
}

} // namespace

bool pick_segment(Component const& scene, Vector3d const& from, Vector3d const& to, PickRecord& record)
{
    record = PickRecord{};
    Scene const* s = scene_of(scene);
    if (!s)
        return false;
    struct Hit {
        Component item;
        Mesh const* mesh = nullptr;
        MeshRays const* rays = nullptr;
        Matrix4d world;
        Vector3d o, d;
        unsigned triangle = 0;
        double t = 1.0;
    } best;
    // t is the fraction of the segment: the same in world and item space, so items compare by it.
    for (Component const& c : s->items()) {
        Item const* item = item_of(c);
        Mesh const* mesh = shown_mesh(c);
        if (!item || !mesh)
            continue;
        Matrix4d const world = item->world_matrix();
        Matrix4d inv;
        if (!invert(world, inv))
            continue;
        Vector3d const o = transform_point(inv, from);
        Vector3d const d = transform_point(inv, to) - o;
        MeshRays const& rays = cache().rays(*mesh);
        unsigned triangle;
        double t;
        if (rays.intersect(o, d, best.t, triangle, t) && (!best.item || t < best.t))
            best = {c, mesh, &rays, world, o, d, triangle, t};
    }
    if (!best.item)
        return false;

    Mesh const& mesh = *best.mesh;
    Triangles const& tri = best.rays->triangles();
    unsigned const* corner = &tri.corners[std::size_t(best.triangle) * 3];
    double const t = refine(best.o, best.d, mesh.point_position(corner[0]), mesh.point_position(corner[1]),
                            mesh.point_position(corner[2]), best.t);
    record.item = best.item;
    record.local_hit = best.o + best.d * t;
    record.hit = transform_point(best.world, record.local_hit);
    record.polygon = tri.polygon[best.triangle];
    record.distance = length(record.hit - from);

    // The side nearest the hit (the first of equals), and its end nearest the hit.
    PolygonVertices const v = mesh.polygon_vertices(record.polygon);
    double nearest = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < v.count; ++k) {
        VertexPair const side = v.edge(k);
        double const dist = distance_to_segment(record.local_hit, mesh.point_position(side.v1), mesh.point_position(side.v2));
        if (dist < nearest) {
            nearest = dist;
            record.edge = side;
        }
    }
    double const d1 = length(record.local_hit - mesh.point_position(record.edge.v1));
    double const d2 = length(record.local_hit - mesh.point_position(record.edge.v2));
    record.vertex = d1 <= d2 ? record.edge.v1 : record.edge.v2;
    return true;
}

bool Picking::describe(ComponentDescription& d)
{
    d.add_tag(Description::user_name(), "Picking");
    return true;
}

void* Picking::query_interface(UniqueID const& id)
{
    return id == PickingInterface::iid() ? static_cast<PickingInterface*>(this) : nullptr;
}

bool Picking::pick(ViewportPoint const& point, PickRecord& record)
{
    record = PickRecord{};
    auto const* view = get_interface<ViewportInterface>(point.viewport);
    if (!view)
        return false;
    Vector3d const from = view->unproject({point.x, point.y, 0.0});
    Vector3d const to = view->unproject({point.x, point.y, 1.0});
    return pick_segment(Kernel::instance().active_scene(), from, to, record);
}

PickCacheStats pick_cache_stats() { return cache().stats(); }

void forget_picking(Mesh const* mesh) { cache().forget(mesh); }

void register_picking_components(Registry& registry) { register_host_plugin<Picking>(registry, "Picking"); }

} // namespace teskar

namespace VORNSDK {

PickingInterface::~PickingInterface() = default;

} // namespace VORNSDK
