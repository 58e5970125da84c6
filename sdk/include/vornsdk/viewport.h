#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/input.h"
#include "vornsdk/math.h"
#include "vornsdk/unique_id.h"

#include <span>

namespace VORNSDK {

// A view of the scene: a pixel rectangle and a camera.
//
// Screen points are (x, y, depth): pixel coordinates are continuous with (0, 0) at the top-left
// corner and y growing downwards; depth is 0 on the near plane and 1 on the far plane, linear in
// the distance along the view direction, negative in front of the near plane (behind the eye).
class VORNSDK_API ViewportInterface {
public:
    VORNSDK_INTERFACE_ID("2e7f4c90-1a5b-4d6e-8f71-9b0c1d2e3f01")
    virtual ~ViewportInterface();
    // Left, top, right and bottom in pixels.
    virtual void rect(int& left, int& top, int& right, int& bottom) const = 0;
    virtual Vector3d project(Vector3d const& world) const = 0;
    // Projects many world points, each as project would; a host may do it faster than one by one.
    // screen must be at least as long as world.
    virtual void project_points(std::span<Vector3d const> world, std::span<Vector3d> screen) const
    {
        for (std::size_t i = 0; i < world.size(); ++i)
            screen[i] = project(world[i]);
    }
    virtual Vector3d unproject(Vector3d const& screen) const = 0;
    // World to camera space (camera looking down its -z axis).
    virtual Matrix4d view_matrix() const = 0;
    virtual Vector3d eye() const = 0;
    virtual bool orthographic() const = 0;
    // The last pointer position the host saw in this viewport.
    virtual void pointer_position(int& x, int& y) const = 0;
};

// A point of a viewport, as picking takes it.
struct ViewportPoint {
    ViewportPoint() = default;
    explicit ViewportPoint(InputDeviceState const& state)
        : viewport(state.viewport), x(state.pointer_x()), y(state.pointer_y())
    {
    }
    ViewportPoint(Component v, double px, double py) : viewport(std::move(v)), x(px), y(py) {}

    Component viewport;
    double x = 0, y = 0;
};

// Which parts of which viewports need drawing again.
class VORNSDK_API DirtyRegions {
public:
    static void add(Component const& viewport, int left, int top, int right, int bottom);
    static bool is_completely_dirty(Component const& item);
    static void make_completely_dirty(Component const& item);
    static void redraw_viewports(Component const& scene);
};

} // namespace VORNSDK
