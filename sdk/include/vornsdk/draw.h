#pragma once

#include "vornsdk/api.h"
#include "vornsdk/math.h"
#include "vornsdk/string.h"

#include <cstdint>

namespace VORNSDK {

// What a tool draws with: the host records the primitives and renders them over the viewport.
// Points are in world space.
class VORNSDK_API DrawInterface {
public:
    virtual ~DrawInterface();
    virtual void set_color(float r, float g, float b, float a) = 0;
    // A factor of 0 turns the stipple off.
    virtual void set_line_stipple(int factor, std::uint16_t pattern) = 0;
    virtual void draw_line(Vector3d const& a, Vector3d const& b) = 0;
    virtual void draw_text(Vector3f const& at, String const& text) = 0;
    virtual void draw_quad(Vector3d const& a, Vector3d const& b, Vector3d const& c, Vector3d const& d) = 0;
    virtual void draw_point(Vector3d const& p, float size) = 0;
};

} // namespace VORNSDK
