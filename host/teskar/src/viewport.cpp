#include "teskar/viewport.h"

#include "teskar/host_plugin.h"
#include "teskar/kernel.h"

#include "vornsdk/attribute.h"
#include "vornsdk/host.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

namespace teskar {

using namespace VORNSDK;

namespace {

// Attribute order of the "Viewport" description; camera() reads them by index.
enum ViewportAttribute : unsigned {
    kWidth,
    kHeight,
    kEye,
    kTarget,
    kUp,
    kOrthographic,
    kFieldOfView,
    kViewHeight,
    kNear,
    kFar,
};

UniqueID const& viewport_iid()
{
    static UniqueID const id = uuid_string_to_unique_id("a7d0c4e2-3b51-4e8f-9a60-1c2d3e4f5a20");
    return id;
}

} // namespace

Camera::Frame Camera::frame() const
{
    Vector3d forward = unit(target - eye);
    if (forward == Vector3d{})
        forward = {0, 0, -1};
    Vector3d right = unit(cross(forward, up));
    if (right == Vector3d{})
        right = unit(cross(forward, cross(up, {1, 0, 0})));
    if (right == Vector3d{})
        right = unit(cross(forward, cross(up, {0, 0, 1})));
    if (right == Vector3d{}) // up is the zero vector: any frame around forward
        right = unit(std::abs(forward.y) < 0.9 ? cross(forward, {0, 1, 0}) : cross(forward, {1, 0, 0}));
    return {right, cross(right, forward), forward};
}

std::string Camera::problem() const
{
    // Written so that NaN fails every test.
    auto const within = [](Vector3d const& v) {
        return std::abs(v.x) <= kMaxCoordinate && std::abs(v.y) <= kMaxCoordinate && std::abs(v.z) <= kMaxCoordinate;
    };
    if (width < 1 || height < 1)
        return "a view is at least one pixel on a side";
    if (!within(eye) || !within(target))
        return "the eye and the target need finite coordinates of at most 1e12";
    if (!within(up) || !(length(up) > kLengthEpsilon))
        return "the up direction must be finite and not zero";
    double const least = kMinRelativeExtent * std::max({1.0, length(eye), length(target)});
    auto const text = [](double v) {
        std::ostringstream s;
        s << v;
        return s.str();
    };
    if (!(length(target - eye) >= least))
        return "the eye and the target must differ, by at least " + text(least) + " here";
    if (orthographic) {
        if (!(view_height >= least && view_height <= kMaxCoordinate))
            return "the view height must lie between " + text(least) + " and 1e+12 here";
    } else if (!(fov_degrees > 0 && fov_degrees < 179)) {
        return "the field of view must be more than 0 and less than 179 degrees";
    }
    if (!(near_distance > 0 && near_distance <= kMaxCoordinate))
        return "the near plane must lie more than 0 and at most 1e12 in front of the eye";
    if (!(far_distance > near_distance && far_distance <= kMaxCoordinate))
        return "the far plane must lie beyond the near plane and at most 1e12 in front of the eye";
    return {};
}

double Camera::half_height_at(double d) const
{
    if (orthographic)
        return 0.5 * view_height;
    return d * std::tan(0.5 * fov_degrees * std::numbers::pi / 180.0);
}

double Camera::depth(Vector3d const& world) const
{
    return (dot(world - eye, frame().forward) - near_distance) / (far_distance - near_distance);
}

Vector3d Camera::project(Vector3d const& world) const
{
    Vector3d screen;
    project_points({&world, 1}, {&screen, 1});
    return screen;
}

void Camera::project_points(std::span<Vector3d const> world, std::span<Vector3d> screen) const
{
    Frame const f = frame();
    double const slope = orthographic ? 0.0 : std::tan(0.5 * fov_degrees * std::numbers::pi / 180.0);
    for (std::size_t i = 0; i < world.size(); ++i) {
        Vector3d const v = world[i] - eye;
        double const d = dot(v, f.forward);
        double const half_height = orthographic ? 0.5 * view_height : d * slope;
        double const pixels_per_unit = 0.5 * height / half_height;
        screen[i] = {0.5 * width + dot(v, f.right) * pixels_per_unit, 0.5 * height - dot(v, f.up) * pixels_per_unit,
                     (d - near_distance) / (far_distance - near_distance)};
    }
}

Vector3d Camera::unproject(Vector3d const& screen) const
{
    Frame const f = frame();
    double const d = near_distance + screen.z * (far_distance - near_distance);
    double const units_per_pixel = half_height_at(d) / (0.5 * height);
    double const x = (screen.x - 0.5 * width) * units_per_pixel;
    double const y = (0.5 * height - screen.y) * units_per_pixel;
    return eye + f.right * x + f.up * y + f.forward * d;
}

Matrix4d Camera::view_matrix() const
{
    Frame const f = frame();
    Vector3d const back = -f.forward;
    Matrix4d m;
    Vector3d const rows[3] = {f.right, f.up, back};
    for (int r = 0; r < 3; ++r) {
        m(r, 0) = rows[r].x;
        m(r, 1) = rows[r].y;
        m(r, 2) = rows[r].z;
        m(r, 3) = -dot(rows[r], eye);
    }
    return m;
}

bool Viewport::describe(ComponentDescription& d)
{
    Camera const def;
    d.add_tag(Description::user_name(), "Viewport");
    // The camera is view state, not part of the document: no undo.
    auto add = [&](char const* name, Parameter::PType type, Parameter const& value) {
        auto* a = add_attribute(d, name, type, value);
        a->set_undoable(false);
        return a;
    };
    // The order matches ViewportAttribute.
    add("Width", Parameter::PT_INT, def.width)->set_min_parameter(1);
    add("Height", Parameter::PT_INT, def.height)->set_min_parameter(1);
    add("Eye", Parameter::PT_VECTOR3D, def.eye);
    add("Target", Parameter::PT_VECTOR3D, def.target);
    add("Up", Parameter::PT_VECTOR3D, def.up);
    add("Orthographic", Parameter::PT_BOOL, def.orthographic);
    auto* fov = add("FieldOfView", Parameter::PT_DOUBLE, def.fov_degrees);
    fov->set_min_parameter(0.001);
    fov->set_max_parameter(179.0);
    add("ViewHeight", Parameter::PT_DOUBLE, def.view_height)->set_min_parameter(1e-9);
    add("Near", Parameter::PT_DOUBLE, def.near_distance)->set_min_parameter(1e-9);
    add("Far", Parameter::PT_DOUBLE, def.far_distance);
    return true;
}

void* Viewport::query_interface(UniqueID const& id)
{
    if (id == viewport_iid())
        return this;
    if (id == ViewportInterface::iid())
        return static_cast<ViewportInterface*>(this);
    return nullptr;
}

Camera Viewport::camera() const
{
    Camera c;
    c.width = attribute(kWidth).as_int();
    c.height = attribute(kHeight).as_int();
    c.eye = attribute(kEye).as_Vector3d();
    c.target = attribute(kTarget).as_Vector3d();
    c.up = attribute(kUp).as_Vector3d();
    c.orthographic = attribute(kOrthographic).as_bool();
    c.fov_degrees = attribute(kFieldOfView).as_double();
    c.view_height = attribute(kViewHeight).as_double();
    c.near_distance = attribute(kNear).as_double();
    c.far_distance = attribute(kFar).as_double();
    // A far plane at or before the near plane would make depth meaningless.
    if (!(c.far_distance > c.near_distance))
        c.far_distance = c.near_distance + 1.0;
    return c;
}

bool Viewport::set_camera(Camera const& c)
{
    if (!c.problem().empty())
        return false;
    attribute(kWidth).set_value(c.width, false);
    attribute(kHeight).set_value(c.height, false);
    attribute(kEye).set_value(c.eye, false);
    attribute(kTarget).set_value(c.target, false);
    attribute(kUp).set_value(c.up, false);
    attribute(kOrthographic).set_value(c.orthographic, false);
    attribute(kFieldOfView).set_value(c.fov_degrees, false);
    attribute(kViewHeight).set_value(c.view_height, false);
    attribute(kNear).set_value(c.near_distance, false);
    attribute(kFar).set_value(c.far_distance, false);
    return true;
}

bool Viewport::set_size(int width, int height)
{
    Camera c = camera();
    c.width = width;
    c.height = height;
    return set_camera(c);
}

bool Viewport::look_at(Vector3d const& eye, Vector3d const& target, Vector3d const& up)
{
    Camera c = camera();
    c.eye = eye;
    c.target = target;
    c.up = up;
    return set_camera(c);
}

bool Viewport::set_perspective(double fov_degrees)
{
    Camera c = camera();
    c.orthographic = false;
    c.fov_degrees = fov_degrees;
    return set_camera(c);
}

bool Viewport::set_orthographic(double view_height)
{
    Camera c = camera();
    c.orthographic = true;
    c.view_height = view_height;
    return set_camera(c);
}

bool Viewport::set_clip(double near_distance, double far_distance)
{
    Camera c = camera();
    c.near_distance = near_distance;
    // As camera() reads it: a far plane at or before the near plane stands one unit beyond it.
    c.far_distance = far_distance > near_distance ? far_distance : near_distance + 1.0;
    return set_camera(c);
}

void Viewport::rect(int& left, int& top, int& right, int& bottom) const
{
    left = 0;
    top = 0;
    right = attribute(kWidth).as_int();
    bottom = attribute(kHeight).as_int();
}

void Viewport::pointer_position(int& x, int& y) const
{
    x = pointer_x_;
    y = pointer_y_;
}

void Viewport::set_pointer(int x, int y)
{
    pointer_x_ = x;
    pointer_y_ = y;
}

Viewport* viewport_of(Component const& c) { return c ? static_cast<Viewport*>(c.get_interface(viewport_iid())) : nullptr; }

void set_active_viewport(Component const& viewport)
{
    Component const& app = Kernel::instance().app_node();
    app["ActiveViewport"].set_value(StrongReference{viewport}, true);
    app["CurrentViewport"].set_value(StrongReference{viewport}, true);
}

// Never destroyed, so that the components it holds are not released during static destruction.
DirtyLog& DirtyLog::instance()
{
    static auto* const log = new DirtyLog;
    return *log;
}

bool DirtyLog::item_dirty(Component const& item) const
{
    return std::find(items_.begin(), items_.end(), item) != items_.end();
}

void DirtyLog::add_rect(Rect rect)
{
    rects_.push_back(std::move(rect));
    ++changes_;
}

void DirtyLog::add_item(Component const& item)
{
    if (!item_dirty(item))
        items_.push_back(item);
    ++changes_;
}

void DirtyLog::add_redraw(Component const& scene)
{
    redraws_.push_back(scene);
    ++changes_;
}

void DirtyLog::clear()
{
    rects_.clear();
    items_.clear();
    redraws_.clear();
}

void register_viewport_components(Registry& registry) { register_host_plugin<Viewport>(registry, "Viewport"); }

} // namespace teskar

namespace VORNSDK {

ViewportInterface::~ViewportInterface() = default;

void DirtyRegions::add(Component const& viewport, int left, int top, int right, int bottom)
{
    teskar::DirtyLog::instance().add_rect({viewport, left, top, right, bottom});
}

bool DirtyRegions::is_completely_dirty(Component const& item) { return teskar::DirtyLog::instance().item_dirty(item); }

void DirtyRegions::make_completely_dirty(Component const& item) { teskar::DirtyLog::instance().add_item(item); }

void DirtyRegions::redraw_viewports(Component const& scene) { teskar::DirtyLog::instance().add_redraw(scene); }

} // namespace VORNSDK
