#pragma once

// Draggers and gizmos under test: a viewport with a fixed camera, a recorder of drawing calls,
// handles made from gizmo parts, and a component holding the attributes gizmos edit.

#include "module_fixture.h"

#include "teskar/gizmo.h"
#include "teskar/host_plugin.h"
#include "teskar/kernel.h"

#include "vornsdk/draw.h"
#include "vornsdk/gizmo.h"
#include "vornsdk/viewport.h"

#include <string>
#include <vector>

namespace manip {

using namespace VORNSDK;

// A 200 x 200 pixel view down -z with the world origin at pixel (100, 100).
// Orthographic: 100 pixels per world unit at every depth; the near plane at z = 10, the far plane
// at z = -10. Perspective: the eye at (0, 0, 10), 100 pixels per unit of x / distance, near and far
// at distances 1 and 21. Depth is linear in the distance along the view in both.
class TestViewport : public Plugin, public ViewportInterface {
public:
    static bool describe(ComponentDescription&) { return true; }
    void* query_interface(UniqueID const& id) override
    {
        return id == ViewportInterface::iid() ? static_cast<ViewportInterface*>(this) : nullptr;
    }

    void rect(int& l, int& t, int& r, int& b) const override { l = t = 0, r = b = 200; }
    Vector3d project(Vector3d const& w) const override
    {
        double const distance = 10 - w.z;
        double const ppu = perspective ? 100 / distance : 100;
        double const depth = perspective ? (distance - 1) / 20 : distance / 20;
        return {100 + w.x * ppu, 100 - w.y * ppu, depth};
    }
    Vector3d unproject(Vector3d const& s) const override
    {
        double const distance = perspective ? 1 + 20 * s.z : 20 * s.z;
        double const upp = perspective ? distance / 100 : 0.01;
        return {(s.x - 100) * upp, (100 - s.y) * upp, 10 - distance};
    }
    Matrix4d view_matrix() const override { return Matrix4d::translation({0, 0, -10}); }
    Vector3d eye() const override { return {0, 0, 10}; }
    bool orthographic() const override { return !perspective; }
    void pointer_position(int& x, int& y) const override { x = y = 0; }

    bool perspective = false;
};

// Records the lines and texts drawn, each with the stipple factor and alpha in effect.
class DrawRecorder : public DrawInterface {
public:
    struct Entry {
        Vector3d a, b;
        std::string text;
        int stipple;
        float alpha;
    };
    void set_color(float, float, float, float a) override { alpha_ = a; }
    void set_line_stipple(int factor, std::uint16_t pattern) override { stipple_ = factor ? pattern : 0; }
    void draw_line(Vector3d const& a, Vector3d const& b) override { lines.push_back({a, b, {}, stipple_, alpha_}); }
    void draw_text(Vector3f const& at, String const& text) override
    {
        texts.push_back({{at.x, at.y, at.z}, {}, text.to_utf8(), stipple_, alpha_});
    }
    void draw_quad(Vector3d const&, Vector3d const&, Vector3d const&, Vector3d const&) override {}
    void draw_point(Vector3d const&, float) override {}

    std::vector<Entry> lines, texts;

private:
    float alpha_ = 1;
    int stipple_ = 0;
};

// What the host hands over for a press on a gizmo part.
class PartHandle : public GizmoHandle {
public:
    PartHandle(Component gizmo, GizmoPart const& part) : gizmo_(std::move(gizmo)), part_(part) {}
    String name() const override { return part_.name(); }
    GizmoPart const& part() const override { return part_; }
    Matrix4d matrix() const override { return Matrix4d::identity(); }
    Vector3d direction() const override { return part_.direction(); }
    Component gizmo() const override { return gizmo_; }
    void set_state(int) override {}

private:
    Component gizmo_;
    GizmoPart const& part_;
};

// The attributes the gizmos under test edit.
class Target : public Plugin {
public:
    static bool describe(ComponentDescription& d)
    {
        teskar::add_attribute(d, "position", Parameter::PT_VECTOR3D, Vector3d{});
        teskar::add_attribute(d, "orientation", Parameter::PT_STRING, "World");
        teskar::add_attribute(d, "scale", Parameter::PT_VECTOR3D, Vector3d{1, 1, 1});
        teskar::add_attribute(d, "rotation", Parameter::PT_VECTOR3D, Vector3d{});
        return true;
    }
};

// The module in the host, a scene with a selected mesh item, and an orthographic test viewport.
class ManipulatorFixture : public ModuleFixture {
protected:
    static void SetUpTestSuite()
    {
        ModuleFixture::SetUpTestSuite();
        auto& registry = teskar::Kernel::instance().registry();
        if (!registry.find("TestViewport"))
            teskar::register_host_plugin<TestViewport>(registry, "TestViewport");
        if (!registry.find("ManipulatorTarget"))
            teskar::register_host_plugin<Target>(registry, "ManipulatorTarget");
        if (!registry.find("Gizmo"))
            teskar::register_gizmo_components(registry);
    }
    void SetUp() override
    {
        ModuleFixture::SetUp();
        viewport = Component::create("TestViewport");
        target = Component::create("ManipulatorTarget");
        teskar::Kernel::instance().set_cursor_visible(true);
    }
    void set_perspective(bool on) { dynamic_cast<TestViewport*>(viewport.plugin())->perspective = on; }
    InputDeviceState at(double x, double y) const
    {
        InputDeviceState s;
        s.viewport = viewport;
        s.x = static_cast<float>(x), s.y = static_cast<float>(y);
        s.position_valid = kPositionXValid | kPositionYValid;
        return s;
    }

    Component viewport;
    Component target;
};

} // namespace manip
