#include "manipulators/dragger.h"

#include "vornsdk/attribute.h"
#include "vornsdk/host.h"
#include "vornsdk/scene.h"
#include "vornsdk/viewport.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace tolvir {

using namespace VORNSDK;

namespace {

// Below this angle between the line and the view ray a line dragger reports nothing: the line is
// seen almost end-on and tiny pointer moves would map to huge jumps along it.
constexpr double kEndOnAngle = 0.17453292519943295; // 10 degrees
// Vectors shorter than this have no direction worth measuring an angle with.
constexpr double kShortVector = 0.0001;
// Pointer travel from the press, in pixels, before a constrained drag picks its axis.
constexpr double kLockDistance = 5.0;

constexpr std::uint16_t kGuideStipple = 0xAAAA;

ViewportInterface* viewport_of(InputDeviceState const& event)
{
    return get_interface<ViewportInterface>(event.viewport);
}

// The view ray through the event's pointer: from the near plane towards the far plane.
bool mouse_ray(InputDeviceState const& event, Vector3d& origin, Vector3d& direction)
{
    ViewportInterface const* viewport = viewport_of(event);
    if (!viewport)
        return false;
    double const x = event.pointer_x(), y = event.pointer_y();
    origin = viewport->unproject({x, y, 0.0});
    direction = viewport->unproject({x, y, 1.0}) - origin;
    return true;
}

// The event's pointer on the screen-parallel plane at the given depth, in world space.
Vector3d plane_point(InputDeviceState const& event, double depth)
{
    ViewportInterface const* viewport = viewport_of(event);
    return viewport ? viewport->unproject({event.pointer_x(), event.pointer_y(), depth}) : Vector3d{};
}

// Angle between two undirected lines, in [0, pi/2]; 0 when either vector is too short to say.
double line_angle(Vector3d const& a, Vector3d const& b)
{
    double const la = length(a), lb = length(b);
    if (la < kShortVector || lb < kShortVector)
        return 0.0;
    double const c = std::clamp(std::abs(dot(a, b)) / (la * lb), 0.0, 1.0);
    return std::acos(c);
}

// The parameter t and point of the line p0 + t (p1 - p0) closest to the line through the ray.
// Fails when the two are parallel: sin^2 of their angle no more than the double epsilon.
bool closest_on_line(Vector3d const& p0, Vector3d const& p1, Vector3d const& origin, Vector3d const& direction,
                     double& t, Vector3d& point)
{
    Vector3d const u = p1 - p0;
    double const a = dot(u, u), b = dot(u, direction), c = dot(direction, direction);
    double const denominator = a * c - b * b;
    if (a == 0 || c == 0 || denominator <= kLengthEpsilon * a * c)
        return false;
    Vector3d const w = p0 - origin;
    t = (b * dot(direction, w) - c * dot(u, w)) / denominator;
    point = p0 + u * t;
    return true;
}

bool constrained(InputDeviceState const& press)
{
    return press.modifiers.test(kModifierCtrl) || press.flags.test(kFlagConstrain);
}

double pointer_distance(InputDeviceState const& a, InputDeviceState const& b)
{
    return std::hypot(a.pointer_x() - b.pointer_x(), a.pointer_y() - b.pointer_y());
}

// Only the component along the axis; the zero vector for axis -1 (nothing locked yet).
Vector3d keep_axis(Vector3d const& v, int axis)
{
    Vector3d r;
    if (axis >= 0)
        r[axis] = v[axis];
    return r;
}

// A length in scene units followed directly by the scene's unit abbreviation ("50cm").
String distance_label(double total)
{
    Component const scene = active_scene();
    double unit = scene ? scene["UnitLength"].value().as_double() : 0.0;
    // A scene without a usable unit length shows plain world units.
    if (!(unit > 0))
        unit = 1.0;
    std::ostringstream s;
    s << total / unit;
    if (scene)
        s << scene["DefaultUnitAbreviation"].value().as_string().to_utf8();
    return String(s.str());
}

Vector3f to_float(Vector3d const& p)
{
    return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

// The dashed guide line and its label.
void draw_guide(DrawInterface& draw, Vector3d const& from, Vector3d const& to, Vector3d const& label_at,
                double total)
{
    draw.set_color(1.0f, 1.0f, 1.0f, 0.25f);
    draw.set_line_stipple(1, kGuideStipple);
    draw.draw_line(from, to);
    draw.set_line_stipple(0, 0);
    draw.set_color(1.0f, 1.0f, 1.0f, 0.75f);
    draw.draw_text(to_float(label_at), distance_label(total));
}

} // namespace

// ---------------------------------------------------------------------------------------------

Dragger::Dragger(InputDeviceState const& press) : start_(press), previous_(press), current_(press) {}

Dragger::~Dragger() = default;

DragValue const& Dragger::track(InputDeviceState const& event)
{
    current_ = event;
    last_ = drag();
    previous_ = current_;
    return last_;
}

void Dragger::draw(DrawInterface& draw)
{
    if (tracking_display_ && app_node()["DisplayTracking"].value().as_bool())
        feedback(draw);
}

// ---------------------------------------------------------------------------------------------

LineDragger::LineDragger(InputDeviceState const& press, Vector3d const& p0, Vector3d const& p1, bool normalise,
                         bool relative_to_press)
    : Dragger(press), p0_(p0), p1_(normalise ? p0 + unit(p1 - p0) : p1), relative_to_press_(relative_to_press)
{
}

DragValue LineDragger::drag()
{
    Vector3d origin, direction;
    if (!mouse_ray(current_, origin, direction) || line_angle(direction, p1_ - p0_) < kEndOnAngle)
        return {};

    auto closest = [this](InputDeviceState const& event, double& t, Vector3d& point) {
        Vector3d o, d;
        return mouse_ray(event, o, d) && closest_on_line(p0_, p1_, o, d, t, point);
    };
    double ts = 0, tp = 0, tc = 0;
    Vector3d ps = p0_, pp, pc;
    if (relative_to_press_ && !closest(start_, ts, ps))
        return {};
    if (!closest(previous_, tp, pp) || !closest_on_line(p0_, p1_, origin, direction, tc, pc))
        return {};
    return {tc - tp, pc - pp, tc - ts, pc - ps};
}

void LineDragger::feedback(DrawInterface& draw)
{
    Vector3d o, d, start, current;
    double ts = 0, tc = 0;
    if (!mouse_ray(start_, o, d) || !closest_on_line(p0_, p1_, o, d, ts, start))
        return;
    if (!mouse_ray(current_, o, d) || !closest_on_line(p0_, p1_, o, d, tc, current))
        return;
    // The label sits at the pointer's end of the guide.
    draw_guide(draw, start, current, current, last_.total);
}

// ---------------------------------------------------------------------------------------------

ScreenDragger::ScreenDragger(InputDeviceState const& press, Vector3d const& origin, Matrix4d const& frame)
    : Dragger(press), origin_(origin), frame_(frame), inverse_frame_(inverse(frame))
{
    if (ViewportInterface const* viewport = viewport_of(press))
        depth_ = viewport->project(origin).z;
}

DragValue ScreenDragger::drag()
{
    // Plane points turned into the frame's axes (rotation only: differences are what count).
    Vector3d const ls = transform_vector(inverse_frame_, plane_point(start_, depth_));
    Vector3d const lp = transform_vector(inverse_frame_, plane_point(previous_, depth_));
    Vector3d const lc = transform_vector(inverse_frame_, plane_point(current_, depth_));
    Vector3d step = lc - lp, total = lc - ls;

    // The constrain state is that of the press; keys pressed or released later do not count.
    if (constrained(start_)) {
        if (locked_axis_ < 0 && pointer_distance(current_, start_) >= kLockDistance) {
            locked_axis_ = 0;
            for (int i = 1; i < 3; ++i)
                if (std::abs(total[i]) > std::abs(total[locked_axis_]))
                    locked_axis_ = i;
        }
        step = keep_axis(step, locked_axis_);
        total = keep_axis(total, locked_axis_);
    }
    return {length(step), step, length(total), total};
}

void ScreenDragger::feedback(DrawInterface& draw)
{
    Vector3d d = plane_point(current_, depth_) - plane_point(start_, depth_);
    if (locked_axis_ >= 0)
        d = transform_vector(frame_, keep_axis(transform_vector(inverse_frame_, d), locked_axis_));
    draw_guide(draw, origin_, origin_ + d, origin_ + d * 0.5, last_.total);
}

// ---------------------------------------------------------------------------------------------

ScreenDragger2d::ScreenDragger2d(InputDeviceState const& press) : Dragger(press) {}

DragValue ScreenDragger2d::drag()
{
    Vector3d step{current_.pointer_x() - previous_.pointer_x(), current_.pointer_y() - previous_.pointer_y(), 0.0};
    Vector3d total{current_.pointer_x() - start_.pointer_x(), current_.pointer_y() - start_.pointer_y(), 0.0};
    if (constrained(start_)) {
        if (locked_axis_ < 0 && pointer_distance(current_, start_) >= kLockDistance)
            locked_axis_ = std::abs(total.x) > std::abs(total.y) ? 0 : 1;
        step = keep_axis(step, locked_axis_);
        total = keep_axis(total, locked_axis_);
    }
    return {length(step), step, length(total), total};
}

} // namespace tolvir
