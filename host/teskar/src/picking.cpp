#include "teskar/picking.h"

#include "teskar/host_plugin.h"
#include "teskar/kernel.h"
#include "teskar/mesh_item.h"
#include "teskar/reference_item.h"
#include "teskar/scene.h"

#include <embree3/rtcore.h>

#include <algorithm>
#include <array>
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

// A hit of a ray: the triangle's corners (point slots), its polygon and the ray parameter.
struct TriangleHit {
    std::array<Index, 3> corners{};
    Index polygon = kNoIndex;
    double t = 0;
};

// Polygons as fans of triangles (corners 0, k, k + 1), with the polygon of each triangle.
struct Triangles {
    std::vector<unsigned> corners; // three point slots per triangle
    std::vector<Index> polygon;    // per triangle

    void add(Mesh const& mesh, Index f)
    {
        PolygonVertices const v = mesh.polygon_vertices(f);
        for (std::uint16_t k = 1; k + 1 < v.count; ++k) {
            corners.insert(corners.end(), {v[0], v[k], v[k + 1u]});
            polygon.push_back(f);
        }
    }
    std::size_t size() const { return polygon.size(); }
};

// The ray caster's structure over the polygons of a mesh as they were when it was built. Hits on
// polygons that changed since (flagged in `stale`) are passed over.
class BuiltRays {
public:
    BuiltRays(Mesh const& mesh, std::vector<std::uint8_t> const& stale) : stale_(stale)
    {
        // The padding lets the ray caster read the last point with one 16-byte load.
        vertices_.assign(std::size_t(mesh.points().slots()) * 3 + 1, 0.0f);
        for (Index p : mesh.points()) {
            Vector3d const q = mesh.point_position(p);
            float* out = &vertices_[std::size_t(p) * 3];
            out[0] = static_cast<float>(q.x);
            out[1] = static_cast<float>(q.y);
            out[2] = static_cast<float>(q.z);
        }
        triangles_.corners.reserve(std::size_t(mesh.polygons().count()) * 6);
        triangles_.polygon.reserve(std::size_t(mesh.polygons().count()) * 2);
        for (Index f : mesh.polygons())
            triangles_.add(mesh, f);
        RTCDevice const dev = device();
        if (!dev || triangles_.size() == 0)
            return;
        scene_ = rtcNewScene(dev);
        // Robust traversal does not let rays slip between the triangles of a shared side.
        rtcSetSceneFlags(scene_, RTC_SCENE_FLAG_ROBUST);
        rtcSetSceneBuildQuality(scene_, RTC_BUILD_QUALITY_LOW);
        RTCGeometry const g = rtcNewGeometry(dev, RTC_GEOMETRY_TYPE_TRIANGLE);
        rtcSetSharedGeometryBuffer(g, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, vertices_.data(), 0,
                                   3 * sizeof(float), (vertices_.size() - 1) / 3);
        rtcSetSharedGeometryBuffer(g, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, triangles_.corners.data(), 0,
                                   3 * sizeof(unsigned), triangles_.size());
        rtcSetGeometryUserData(g, this);
        rtcSetGeometryIntersectFilterFunction(g, &BuiltRays::pass_over_stale);
        rtcCommitGeometry(g);
        rtcAttachGeometry(scene_, g);
        rtcReleaseGeometry(g);
        rtcCommitScene(scene_);
    }
    BuiltRays(BuiltRays const&) = delete;
    BuiltRays& operator=(BuiltRays const&) = delete;
    ~BuiltRays()
    {
        if (scene_)
            rtcReleaseScene(scene_);
    }

    std::size_t size() const { return triangles_.size(); }

    // The first triangle met by o + t d for t in [0, t_max].
    bool intersect(Vector3d const& o, Vector3d const& d, double t_max, TriangleHit& hit) const
    {
        if (!scene_)
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
        unsigned const* c = &triangles_.corners[std::size_t(rh.hit.primID) * 3];
        hit = {{c[0], c[1], c[2]}, triangles_.polygon[rh.hit.primID], rh.ray.tfar};
        return true;
    }

private:
    static void pass_over_stale(RTCFilterFunctionNArguments const* args)
    {
        auto const* self = static_cast<BuiltRays const*>(args->geometryUserPtr);
        for (unsigned i = 0; i < args->N; ++i) {
            if (args->valid[i] == 0)
                continue;
            Index const f = self->triangles_.polygon[RTCHitN_primID(args->hit, args->N, i)];
            if (f < self->stale_.size() && self->stale_[f])
                args->valid[i] = 0;
        }
    }

    std::vector<float> vertices_;
    Triangles triangles_;
    std::vector<std::uint8_t> const& stale_;
    RTCScene scene_ = nullptr;
};

// Triangles tested one by one: the polygons that changed since the structure was built. Kept
// as corners and edges in separate arrays so that the test runs over them in a tight loop.
class LooseTriangles {
public:
    void assign(Mesh const& mesh, std::vector<Index> const& polygons)
    {
        // Cleared rather than replaced: the room stays for the next edit's loose polygons.
        triangles_.corners.clear();
        triangles_.polygon.clear();
        triangles_.corners.reserve(polygons.size() * 6);
        triangles_.polygon.reserve(polygons.size() * 2);
        for (Index f : polygons)
            if (mesh.polygon_exists(f))
                triangles_.add(mesh, f);
        std::size_t const n = triangles_.size();
        for (auto* a : {&ax_, &ay_, &az_, &ux_, &uy_, &uz_, &vx_, &vy_, &vz_})
            a->resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            Vector3d const a = mesh.point_position(triangles_.corners[3 * i]);
            Vector3d const u = mesh.point_position(triangles_.corners[3 * i + 1]) - a;
            Vector3d const v = mesh.point_position(triangles_.corners[3 * i + 2]) - a;
            ax_[i] = float(a.x), ay_[i] = float(a.y), az_[i] = float(a.z);
            ux_[i] = float(u.x), uy_[i] = float(u.y), uz_[i] = float(u.z);
            vx_[i] = float(v.x), vy_[i] = float(v.y), vz_[i] = float(v.z);
        }
    }

    std::size_t size() const { return triangles_.size(); }

    // The nearest triangle met by o + t d for t in (0, t_max]; sides are widened by a hair so
    // that a ray through a shared side hits one of its triangles.
    bool intersect(Vector3d const& o, Vector3d const& d, double t_max, TriangleHit& hit) const
    {
        float const ox = float(o.x), oy = float(o.y), oz = float(o.z);
        float const dx = float(d.x), dy = float(d.y), dz = float(d.z);
        float best = float(t_max);
        std::size_t found = size();
        constexpr float kWiden = 1e-6f;
        for (std::size_t i = 0; i < size(); ++i) {
            float const px = dy * vz_[i] - dz * vy_[i];
            float const py = dz * vx_[i] - dx * vz_[i];
            float const pz = dx * vy_[i] - dy * vx_[i];
            float const det = ux_[i] * px + uy_[i] * py + uz_[i] * pz;
            float const inv = 1.0f / det;
            float const tx = ox - ax_[i], ty = oy - ay_[i], tz = oz - az_[i];
            float const u = (tx * px + ty * py + tz * pz) * inv;
            float const qx = ty * uz_[i] - tz * uy_[i];
            float const qy = tz * ux_[i] - tx * uz_[i];
            float const qz = tx * uy_[i] - ty * ux_[i];
            float const v = (dx * qx + dy * qy + dz * qz) * inv;
            float const t = (vx_[i] * qx + vy_[i] * qy + vz_[i] * qz) * inv;
            bool const inside = det != 0.0f && u >= -kWiden && v >= -kWiden && u + v <= 1.0f + kWiden;
            if (inside && t >= 0.0f && t < best) {
                best = t;
                found = i;
            }
        }
        if (found == size())
            return false;
        unsigned const* c = &triangles_.corners[3 * found];
        hit = {{c[0], c[1], c[2]}, triangles_.polygon[found], best};
        return true;
    }

private:
    Triangles triangles_;
    std::vector<float> ax_, ay_, az_, ux_, uy_, uz_, vx_, vy_, vz_;
};

// The picking state of one mesh. Building the ray caster's structure costs far more than testing
// a ray against a triangle, so an edit does not rebuild it: the polygons the edit changed are
// passed over in the structure and tested one by one instead, until those tests have cost about
// as much as a rebuild would (then it is rebuilt). A click that changes a few polygons of a big
// mesh so costs the next pick next to nothing, and one that changes them all costs the next pick
// a pass over their triangles instead of a rebuild.
class MeshPicker {
public:
    bool intersect(Mesh const& mesh, Vector3d const& o, Vector3d const& d, double t_max, TriangleHit& hit)
    {
        catch_up(mesh);
        if (!traceable(o, d))
            return false;
        if (loose_.size() > 0 && tests_ + loose_.size() > kRebuildFactor * (loose_.size() + built_size()))
            rebuild(mesh);
        tests_ += loose_.size();
        bool found = built_ && built_->intersect(o, d, t_max, hit);
        TriangleHit loose;
        if (loose_.intersect(o, d, found ? hit.t : t_max, loose)) {
            hit = loose;
            found = true;
        }
        return found;
    }

    std::uint64_t builds() const { return builds_; }

private:
    // Rebuilding costs about this many one-by-one triangle tests per triangle.
    static constexpr std::size_t kRebuildFactor = 32;

    std::size_t built_size() const { return built_ ? built_->size() : 0; }

    // Takes in the mesh's geometry changes since the last pick.
    void catch_up(Mesh const& mesh)
    {
        Mesh::GeometryLog const log = mesh.geometry_log();
        bool changed = false;
        if (log.epoch != epoch_) {
            // A first pick, or so many changes that the log started over: build from scratch.
            epoch_ = log.epoch;
            polygons_seen_ = log.polygons.size();
            points_seen_ = log.points.size();
            rebuild(mesh);
            return;
        }
        for (; polygons_seen_ < log.polygons.size(); ++polygons_seen_, changed = true)
            mark(log.polygons[polygons_seen_]);
        for (; points_seen_ < log.points.size(); ++points_seen_, changed = true)
            for (Index f : mesh.point_polygons(log.points[points_seen_]))
                mark(f);
        if (changed) {
            loose_.assign(mesh, changed_);
            tests_ = 0;
        }
    }

    void mark(Index f)
    {
        if (f >= stale_.size())
            stale_.resize(std::max<std::size_t>(f + 1, stale_.size() * 3 / 2), 0);
        if (!stale_[f]) {
            stale_[f] = 1;
            changed_.push_back(f);
        }
    }

    void rebuild(Mesh const& mesh)
    {
        built_.reset(); // before building, so that two structures are never held at once
        stale_.assign(mesh.polygons().slots(), 0);
        changed_.clear();
        built_ = std::make_unique<BuiltRays>(mesh, stale_);
        loose_.assign(mesh, changed_);
        tests_ = 0;
        ++builds_;
    }

    std::unique_ptr<BuiltRays> built_;
    std::vector<std::uint8_t> stale_;
    std::vector<Index> changed_;
    LooseTriangles loose_;
    std::size_t tests_ = 0;
    std::uint64_t epoch_ = 0;
    std::size_t polygons_seen_ = 0, points_seen_ = 0;
    std::uint64_t builds_ = 0;
};

class PickCache {
public:
    MeshPicker& picker(Mesh const& mesh)
    {
        auto& entry = entries_[&mesh];
        if (!entry)
            entry = std::make_unique<MeshPicker>();
        return *entry;
    }
    void forget(Mesh const* mesh)
    {
        auto it = entries_.find(mesh);
        if (it != entries_.end()) {
            retired_builds_ += it->second->builds();
            entries_.erase(it);
        }
    }
    PickCacheStats stats() const
    {
        std::uint64_t builds = retired_builds_;
        for (auto const& [mesh, entry] : entries_)
            builds += entry->builds();
        return {entries_.size(), builds};
    }

private:
    std::unordered_map<Mesh const*, std::unique_ptr<MeshPicker>> entries_;
    std::uint64_t retired_builds_ = 0;
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
        Matrix4d world;
        Vector3d o, d;
        TriangleHit triangle;
    } best;
    double best_t = 1.0;
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
        TriangleHit hit;
        if (cache().picker(*mesh).intersect(*mesh, o, d, best_t, hit) && (!best.item || hit.t < best_t)) {
            best = {c, mesh, world, o, d, hit};
            best_t = hit.t;
        }
    }
    if (!best.item)
        return false;

    Mesh const& mesh = *best.mesh;
    auto const& corner = best.triangle.corners;
    double const t = refine(best.o, best.d, mesh.point_position(corner[0]), mesh.point_position(corner[1]),
                            mesh.point_position(corner[2]), best_t);
    record.item = best.item;
    record.local_hit = best.o + best.d * t;
    record.hit = transform_point(best.world, record.local_hit);
    record.polygon = best.triangle.polygon;
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
