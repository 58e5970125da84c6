#pragma once

#include "teskar/registry.h"

#include "vornsdk/plugin.h"
#include "vornsdk/viewport.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace teskar {

// A look-at camera over a pixel rectangle of width x height.
//
// forward = unit(target - eye), right = unit(forward x up), and the screen's up is right x forward.
// When forward is parallel to up (looking straight down with the default up, say), up x (1, 0, 0)
// stands in for up, or up x (0, 0, 1) when that is zero too; so a camera looking down -y has +x to
// the right and -z towards the top of the screen.
//
// Pixels are continuous, (0, 0) at the top-left corner, y growing downwards; the target lands on
// the centre (width / 2, height / 2). Depth is (d - near) / (far - near), d being the distance
// along forward from the eye: 0 on the near plane, 1 on the far plane, negative in front of near.
// Perspective cameras have a vertical field of view; orthographic ones show view_height world
// units from the top to the bottom of the rectangle. Both keep square pixels.
//
// Not every set of numbers makes a view: see problem().
struct Camera {
    // The largest coordinate of the eye and the target, view height and clip distance a view may
    // have. Beyond it a pixel is smaller than what the view matrix can still tell apart.
    static constexpr double kMaxCoordinate = 1e12;
    // The eye and the target must be this far apart, relative to their distance from the origin
    // (at least 1), for the view direction to keep its precision; orthographic views must be this
    // high relative to the same distance.
    static constexpr double kMinRelativeExtent = 1e-9;

    int width = 800, height = 600;
    VORNSDK::Vector3d eye{0, 0, 10}, target{0, 0, 0}, up{0, 1, 0};
    bool orthographic = false;
    double fov_degrees = 45;
    double view_height = 10;
    double near_distance = 0.01, far_distance = 1000;

    struct Frame {
        VORNSDK::Vector3d right, up, forward;
    };
    // The unit axes of the camera.
    Frame frame() const;
    // Why these numbers make no usable view, or empty when they do: a size below one pixel; a
    // coordinate, view height or clip distance that is not finite or beyond kMaxCoordinate; the
    // eye on the target (or too near it for the view direction to be known); a zero up direction;
    // a field of view outside (0, 179) degrees; an orthographic view height too small to tell
    // pixels apart at the eye's distance from the origin; a near plane at or behind the eye, or a
    // far plane at or before the near one.
    std::string problem() const;

    VORNSDK::Vector3d project(VORNSDK::Vector3d const& world) const;
    // project for many points, the camera's axes worked out once.
    void project_points(std::span<VORNSDK::Vector3d const> world, std::span<VORNSDK::Vector3d> screen) const;
    VORNSDK::Vector3d unproject(VORNSDK::Vector3d const& screen) const;
    // World to camera space: x right, y up, the camera looking down -z.
    VORNSDK::Matrix4d view_matrix() const;
    // Depth of a world point (see above); affine in the point, so it can be interpolated.
    double depth(VORNSDK::Vector3d const& world) const;

private:
    // Half the rectangle's height in camera units at distance d along forward.
    double half_height_at(double d) const;
};

// The host's "Viewport" component: the camera lives in its attributes ("Width", "Height", "Eye",
// "Target", "Up", "Orthographic", "FieldOfView" in degrees, "ViewHeight", "Near", "Far"); the
// pointer position is set by the host as events arrive.
class Viewport : public VORNSDK::Plugin, public VORNSDK::ViewportInterface {
public:
    static bool describe(VORNSDK::ComponentDescription& d);
    void* query_interface(VORNSDK::UniqueID const& id) override;

    void rect(int& left, int& top, int& right, int& bottom) const override;
    VORNSDK::Vector3d project(VORNSDK::Vector3d const& world) const override { return camera().project(world); }
    void project_points(std::span<VORNSDK::Vector3d const> world, std::span<VORNSDK::Vector3d> screen) const override
    {
        camera().project_points(world, screen);
    }
    VORNSDK::Vector3d unproject(VORNSDK::Vector3d const& screen) const override { return camera().unproject(screen); }
    VORNSDK::Matrix4d view_matrix() const override { return camera().view_matrix(); }
    VORNSDK::Vector3d eye() const override { return camera().eye; }
    bool orthographic() const override { return camera().orthographic; }
    void pointer_position(int& x, int& y) const override;

    // The camera as the attributes hold it now.
    Camera camera() const;
    // Each setter changes the camera only when the result is a usable view (Camera::problem() is
    // empty); otherwise it leaves the viewport as it was and answers false.
    bool set_camera(Camera const& camera);
    bool set_size(int width, int height);
    bool look_at(VORNSDK::Vector3d const& eye, VORNSDK::Vector3d const& target,
                 VORNSDK::Vector3d const& up = {0, 1, 0});
    bool set_perspective(double fov_degrees);
    bool set_orthographic(double view_height);
    bool set_clip(double near_distance, double far_distance);
    void set_pointer(int x, int y);

private:
    int pointer_x_ = 0, pointer_y_ = 0;
};

// The host's Viewport behind a component, or null.
Viewport* viewport_of(VORNSDK::Component const& c);

// Makes the viewport the application's "ActiveViewport" and "CurrentViewport".
void set_active_viewport(VORNSDK::Component const& viewport);

// What DirtyRegions was told since the host last cleared it: the host redraws from this.
class DirtyLog {
public:
    struct Rect {
        VORNSDK::Component viewport;
        int left, top, right, bottom;
    };

    static DirtyLog& instance();

    std::vector<Rect> const& rects() const { return rects_; }
    // Items marked completely dirty, each once, in marking order.
    std::vector<VORNSDK::Component> const& items() const { return items_; }
    bool item_dirty(VORNSDK::Component const& item) const;
    // The scenes of redraw requests, one entry per request (null: every viewport).
    std::vector<VORNSDK::Component> const& redraws() const { return redraws_; }
    // Counts every record ever made; the host compares it to see whether anything happened.
    std::uint64_t changes() const { return changes_; }

    void add_rect(Rect rect);
    void add_item(VORNSDK::Component const& item);
    void add_redraw(VORNSDK::Component const& scene);
    void clear();

private:
    std::vector<Rect> rects_;
    std::vector<VORNSDK::Component> items_;
    std::vector<VORNSDK::Component> redraws_;
    std::uint64_t changes_ = 0;
};

void register_viewport_components(Registry& registry);

} // namespace teskar
