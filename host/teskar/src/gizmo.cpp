#include "teskar/gizmo.h"

#include "teskar/host_plugin.h"
#include "teskar/mesh_item.h"
#include "teskar/viewport.h"

#include "vornsdk/draw.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace teskar {

using namespace VORNSDK;

namespace {

UniqueID const& gizmo_iid()
{
    static UniqueID const id = uuid_string_to_unique_id("a7d0c4e2-3b51-4e8f-9a60-1c2d3e4f5a30");
    return id;
}

// Projects through a viewport; a host viewport's camera is read once rather than per point.
class Projector {
public:
    explicit Projector(Component const& viewport) : iface_(get_interface<ViewportInterface>(viewport))
    {
        if (Viewport const* v = viewport_of(viewport))
            camera_ = v->camera();
    }
    bool valid() const { return iface_ != nullptr; }
    Vector3d project(Vector3d const& p) const { return camera_ ? camera_->project(p) : iface_->project(p); }

private:
    ViewportInterface* iface_;
    std::optional<Camera> camera_;
};

// How close a drawn piece passes to the pointer: pixels, then depth to break ties.
struct Nearness {
    double pixels = std::numeric_limits<double>::infinity();
    double depth = std::numeric_limits<double>::infinity();

    bool better_than(Nearness const& o) const
    {
        constexpr double kSame = 1e-9;
        if (pixels < o.pixels - kSame)
            return true;
        return pixels <= o.pixels + kSame && depth < o.depth;
    }
};

// The screen segment of a world segment, cut at the near plane; false when it lies wholly in
// front of the near plane.
bool screen_segment(Projector const& view, Vector3d a, Vector3d b, Vector3d& sa, Vector3d& sb)
{
    sa = view.project(a);
    sb = view.project(b);
    if (sa.z < 0 && sb.z < 0)
        return false;
    if (sa.z < 0 || sb.z < 0) {
        // Depth is affine in the world point, so the crossing is found along the world segment.
        double const t = sa.z / (sa.z - sb.z);
        Vector3d const cut = view.project(a + (b - a) * t);
        (sa.z < 0 ? sa : sb) = {cut.x, cut.y, 0.0};
    }
    return true;
}

Nearness segment_nearness(Vector3d const& sa, Vector3d const& sb, double x, double y)
{
    double const dx = sb.x - sa.x, dy = sb.y - sa.y;
    double const len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - sa.x) * dx + (y - sa.y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    double const px = sa.x + dx * t - x, py = sa.y + dy * t - y;
    return {std::hypot(px, py), sa.z + (sb.z - sa.z) * t};
}

// Whether (x, y) lies inside the screen polygon (even-odd rule).
bool inside(std::vector<Vector3d> const& poly, double x, double y)
{
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        Vector3d const& a = poly[i];
        Vector3d const& b = poly[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
            in = !in;
    }
    return in;
}

} // namespace

String Gizmo::Handle::name() const { return part_->name(); }

Vector3d Gizmo::Handle::direction() const { return part_->direction(); }

Component Gizmo::Handle::gizmo() const { return part_->gizmo().component(); }

Gizmo::Part::Part(Gizmo& gizmo, String name, Vector4f color, int style)
    : gizmo_(&gizmo), name_(std::move(name)), color_(color), style_(style)
{
}

void Gizmo::Part::add_mesh(Component const& raw_mesh, Matrix4d const& matrix)
{
    if (mesh_of(raw_mesh))
        meshes_.push_back({raw_mesh, matrix});
}

Matrix4d Gizmo::Part::placement() const { return gizmo_->placement() * gizmo_->matrix(); }

void Gizmo::Part::for_each_line(std::function<void(Vector3d const&, Vector3d const&)> const& line) const
{
    Matrix4d const world = placement();
    auto const& vertices = gizmo_->vertices();
    auto const known = [&](int v) { return v >= 0 && static_cast<std::size_t>(v) < vertices.size(); };
    for (auto const& [a, b] : segments_)
        if (known(a) && known(b))
            line(transform_point(world, vertices[a]), transform_point(world, vertices[b]));
    for_each_polygon([&](std::vector<Vector3d> const& corners) {
        for (std::size_t i = 0; i < corners.size(); ++i)
            line(corners[i], corners[(i + 1) % corners.size()]);
    });
}

void Gizmo::Part::for_each_polygon(std::function<void(std::vector<Vector3d> const&)> const& polygon) const
{
    Matrix4d const world = placement();
    std::vector<Vector3d> corners;
    for (MeshRef const& ref : meshes_) {
        Mesh const* mesh = mesh_of(ref.raw_mesh);
        Matrix4d const m = world * ref.matrix;
        for (Index f : mesh->polygons()) {
            corners.clear();
            for (Index v : mesh->polygon_vertices(f))
                corners.push_back(transform_point(m, mesh->point_position(v)));
            if (corners.size() >= 2)
                polygon(corners);
        }
    }
}

bool Gizmo::describe(ComponentDescription& d)
{
    d.add_tag(Description::user_name(), "Gizmo");
    add_attribute(d, "MotionParent", Parameter::PT_REFERENCE);
    return true;
}

void* Gizmo::query_interface(UniqueID const& id)
{
    if (id == gizmo_iid())
        return this;
    if (id == GizmoInterface::iid())
        return static_cast<GizmoInterface*>(this);
    return nullptr;
}

int Gizmo::add_vertex(Vector3d const& position)
{
    vertices_.push_back(position);
    return static_cast<int>(vertices_.size() - 1);
}

GizmoPart* Gizmo::add_part(String const& name, float r, float g, float b, int style)
{
    parts_.push_back(std::make_unique<Part>(*this, name, Vector4f{r, g, b, 1.0f}, style));
    return parts_.back().get();
}

GizmoPart* Gizmo::find_part(String const& name)
{
    for (auto& p : parts_)
        if (p->name() == name)
            return p.get();
    return nullptr;
}

GizmoHandle* Gizmo::handle_at(Component const& viewport, double x, double y)
{
    Projector const view(viewport);
    if (!view.valid())
        return nullptr;
    Part* best_part = nullptr;
    Nearness best{kHandleReach, std::numeric_limits<double>::infinity()};
    auto offer = [&](Part& part, Nearness const& n) {
        if (n.pixels <= kHandleReach && (!best_part || n.better_than(best))) {
            best = n;
            best_part = &part;
        }
    };
    std::vector<Vector3d> screen;
    for (auto& part : parts_) {
        part->for_each_line([&](Vector3d const& a, Vector3d const& b) {
            Vector3d sa, sb;
            if (screen_segment(view, a, b, sa, sb))
                offer(*part, segment_nearness(sa, sb, x, y));
        });
        // The pointer over the face of a mesh (an arrow head, the centre box) is on the part.
        part->for_each_polygon([&](std::vector<Vector3d> const& corners) {
            screen.clear();
            double depth = std::numeric_limits<double>::infinity();
            for (Vector3d const& c : corners) {
                screen.push_back(view.project(c));
                if (screen.back().z < 0)
                    return;
                depth = std::min(depth, screen.back().z);
            }
            if (screen.size() >= 3 && inside(screen, x, y))
                offer(*part, {0.0, depth});
        });
    }
    return best_part ? &best_part->handle() : nullptr;
}

void Gizmo::draw(DrawInterface& draw, Component const&)
{
    draw.set_line_stipple(0, 0xFFFF);
    for (auto const& part : parts_) {
        Vector4f const c = part->handle().state() == 3 ? kHighlight : part->color();
        draw.set_color(c.x, c.y, c.z, c.w);
        part->for_each_line([&](Vector3d const& a, Vector3d const& b) { draw.draw_line(a, b); });
    }
}

Gizmo* gizmo_of(Component const& c) { return c ? static_cast<Gizmo*>(c.get_interface(gizmo_iid())) : nullptr; }

void register_gizmo_components(Registry& registry) { register_host_plugin<Gizmo>(registry, "Gizmo"); }

} // namespace teskar

namespace VORNSDK {

GizmoPart::~GizmoPart() = default;
GizmoHandle::~GizmoHandle() = default;
GizmoInterface::~GizmoInterface() = default;

} // namespace VORNSDK
