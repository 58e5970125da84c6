#include "render.h"

#include "file_output.h"

#include "teskar/mesh_item.h"
#include "teskar/reference_item.h"

#include "vornsdk/scene.h"
#include "vornsdk/tool.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <ostream>

namespace vorn {

using namespace VORNSDK;

namespace {

struct Rgb {
    double r, g, b;
};

Rgb operator*(Rgb c, double s) { return {c.r * s, c.g * s, c.b * s}; }
Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

constexpr Rgb kBackgroundTop{0.96, 0.965, 0.975};
constexpr Rgb kBackgroundBottom{0.85, 0.87, 0.90};
constexpr Rgb kFront{0.62, 0.70, 0.82};
constexpr Rgb kBack{0.40, 0.40, 0.46};
constexpr Rgb kOutline{0.16, 0.20, 0.28};
constexpr Rgb kSelection{0.98, 0.74, 0.10};
constexpr Rgb kHard{0.74, 0.06, 0.46};

constexpr double kOutlineWidth = 1.0;
constexpr double kHardWidth = 3.0;
constexpr double kSelectedEdgeWidth = 3.5;
constexpr double kSelectedPointRadius = 4.0;
constexpr double kToolLineWidth = 2.0;
constexpr double kToolFontSize = 13.0;

void set_color(cairo_t* cr, Rgb c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

// A polygon ready to draw: its mesh, its corners on the screen, the depth it is sorted by and
// its shaded colour. Faces of a reference item show its mesh but not that mesh's selection.
struct Face {
    teskar::Mesh const* mesh;
    Index polygon;
    std::vector<Vector3d> corners;
    double depth;
    Rgb fill;
    bool own = true;
};

// The polygon's area-weighted normal.
Vector3d newell_normal(std::vector<Vector3d> const& points)
{
    Vector3d n;
    for (std::size_t k = 0; k < points.size(); ++k)
        n += cross(points[k], points[(k + 1) % points.size()]);
    return n;
}

// Fill colour by how squarely the polygon faces the camera; back faces take a darker colour.
Rgb shade(std::vector<Vector3d> const& world, teskar::Camera const& camera)
{
    Vector3d centre;
    for (Vector3d const& p : world)
        centre += p / static_cast<double>(world.size());
    Vector3d const to_eye = camera.orthographic ? -camera.frame().forward : camera.eye - centre;
    Vector3d const n = unit(newell_normal(world));
    double const l = length(to_eye);
    double const facing = l > 0 ? dot(n, to_eye) / l : 0;
    if (facing >= 0)
        return kFront * (0.45 + 0.55 * facing);
    return kBack * (0.6 - 0.25 * facing);
}

std::vector<Face> visible_faces(teskar::Scene const& scene, teskar::Camera const& camera)
{
    std::vector<Face> faces;
    std::vector<Vector3d> world;
    for (Component const& c : scene.items()) {
        teskar::Mesh const* mesh = teskar::shown_mesh(c);
        teskar::Item const* item = teskar::item_of(c);
        if (!mesh || !item)
            continue;
        bool const own = teskar::mesh_of(c) == mesh;
        Matrix4d const to_world = item->world_matrix();
        for (Index f : mesh->polygons()) {
            PolygonVertices const v = mesh->polygon_vertices(f);
            if (v.count < 3)
                continue;
            world.clear();
            Face face{mesh, f, {}, 0, {}, own};
            bool in_view = true;
            for (Index p : v) {
                Vector3d const w = transform_point(to_world, mesh->point_position(p));
                Vector3d const s = camera.project(w);
                if (!(s.z > 0) || !std::isfinite(s.x) || !std::isfinite(s.y)) {
                    in_view = false;
                    break;
                }
                world.push_back(w);
                face.corners.push_back(s);
                face.depth += s.z / v.count;
            }
            if (!in_view)
                continue;
            face.fill = shade(world, camera);
            faces.push_back(std::move(face));
        }
    }
    // Painter's order: the farthest first.
    std::stable_sort(faces.begin(), faces.end(), [](Face const& a, Face const& b) { return a.depth > b.depth; });
    return faces;
}

void polygon_path(cairo_t* cr, std::vector<Vector3d> const& corners)
{
    cairo_new_path(cr);
    for (Vector3d const& p : corners)
        cairo_line_to(cr, p.x, p.y);
    cairo_close_path(cr);
}

void stroke_line(cairo_t* cr, Vector3d const& a, Vector3d const& b, Rgb color, double width)
{
    cairo_new_path(cr);
    cairo_move_to(cr, a.x, a.y);
    cairo_line_to(cr, b.x, b.y);
    set_color(cr, color);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

// A face with its highlights, which are drawn with the face so that nearer faces cover them.
void draw_face(cairo_t* cr, Face const& face, int shown_mode)
{
    teskar::Mesh const& mesh = *face.mesh;
    int const mode = face.own ? shown_mode : -1;
    PolygonVertices const v = mesh.polygon_vertices(face.polygon);
    bool const tinted = mode == kSelectPolygons && mesh.polygon_selected(face.polygon);
    polygon_path(cr, face.corners);
    set_color(cr, tinted ? mix(face.fill, kSelection, 0.55) : face.fill);
    cairo_fill_preserve(cr);
    set_color(cr, kOutline);
    cairo_set_line_width(cr, kOutlineWidth);
    cairo_stroke(cr);

    std::size_t const n = face.corners.size();
    for (std::size_t k = 0; k < n; ++k) {
        VertexPair const side = v.edge(k);
        Vector3d const& a = face.corners[k];
        Vector3d const& b = face.corners[(k + 1) % n];
        if (mesh.edge_hard(side))
            stroke_line(cr, a, b, kHard, kHardWidth);
        if (mode == kSelectEdges && mesh.selected_edges().contains(side))
            stroke_line(cr, a, b, kSelection, kSelectedEdgeWidth);
    }
    if (mode == kSelectPoints)
        for (std::size_t k = 0; k < n; ++k) {
            if (!mesh.point_selected(v[k]))
                continue;
            cairo_new_path(cr);
            cairo_arc(cr, face.corners[k].x, face.corners[k].y, kSelectedPointRadius, 0, 2 * std::numbers::pi);
            set_color(cr, kSelection);
            cairo_fill_preserve(cr);
            set_color(cr, kOutline);
            cairo_set_line_width(cr, 1.0);
            cairo_stroke(cr);
        }
}

void draw_background(cairo_t* cr, int height)
{
    std::unique_ptr<cairo_pattern_t, decltype(&cairo_pattern_destroy)> const gradient(
        cairo_pattern_create_linear(0, 0, 0, height), &cairo_pattern_destroy);
    cairo_pattern_add_color_stop_rgb(gradient.get(), 0, kBackgroundTop.r, kBackgroundTop.g, kBackgroundTop.b);
    cairo_pattern_add_color_stop_rgb(gradient.get(), 1, kBackgroundBottom.r, kBackgroundBottom.g, kBackgroundBottom.b);
    cairo_set_source(cr, gradient.get());
    cairo_paint(cr);
}

void set_entry_color(cairo_t* cr, teskar::DrawList::Entry const& e)
{
    cairo_set_source_rgba(cr, e.color.x, e.color.y, e.color.z, e.color.w);
}

// The tool's recorded drawing, replayed over the picture in order.
void replay(cairo_t* cr, teskar::DrawList const& list, teskar::Camera const& camera)
{
    using Kind = teskar::DrawList::Kind;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, kToolFontSize);
    // Tool drawing is cut off halfway between the eye and the near plane: what a tool draws on the
    // near plane itself (a lasso outline given in pixels) stays, whatever its rounding.
    double const near_cut = camera.depth(camera.eye) / 2;
    auto const in_view = [&](Vector3d const& world, Vector3d& screen) {
        screen = camera.project(world);
        return screen.z > near_cut && std::isfinite(screen.x) && std::isfinite(screen.y);
    };
    for (auto const& e : list.entries()) {
        Vector3d s[4];
        switch (e.kind) {
        case Kind::Color:
        case Kind::Stipple: break; // every entry carries the state in effect
        case Kind::Line: {
            // Lines reaching behind the camera are cut before the eye (depth is affine).
            Vector3d a = e.points[0], b = e.points[1];
            double const da = camera.depth(a), db = camera.depth(b);
            if (da <= near_cut && db <= near_cut)
                break;
            if (da <= near_cut)
                a = b + (a - b) * ((db - near_cut) / (db - da));
            else if (db <= near_cut)
                b = a + (b - a) * ((da - near_cut) / (da - db));
            if (!in_view(a, s[0]) || !in_view(b, s[1]))
                break;
            double offset = 0;
            std::vector<double> const dashes = stipple_dashes(e.stipple_factor, e.stipple_pattern, offset);
            cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), offset);
            cairo_new_path(cr);
            cairo_move_to(cr, s[0].x, s[0].y);
            cairo_line_to(cr, s[1].x, s[1].y);
            set_entry_color(cr, e);
            cairo_set_line_width(cr, kToolLineWidth);
            cairo_stroke(cr);
            cairo_set_dash(cr, nullptr, 0, 0);
            break;
        }
        case Kind::Quad: {
            bool visible = true;
            for (int k = 0; k < 4; ++k)
                visible = visible && in_view(e.points[k], s[k]);
            if (!visible)
                break;
            polygon_path(cr, {s[0], s[1], s[2], s[3]});
            set_entry_color(cr, e);
            cairo_fill(cr);
            break;
        }
        case Kind::Point: {
            if (!in_view(e.points[0], s[0]))
                break;
            cairo_new_path(cr);
            cairo_arc(cr, s[0].x, s[0].y, std::max(1.0, 0.5 * e.size), 0, 2 * std::numbers::pi);
            set_entry_color(cr, e);
            cairo_fill(cr);
            break;
        }
        case Kind::Text: {
            if (!in_view(e.points[0], s[0]))
                break;
            std::string const text = e.text.to_utf8();
            cairo_new_path(cr);
            cairo_move_to(cr, s[0].x + 4, s[0].y - 4);
            set_entry_color(cr, e);
            cairo_show_text(cr, text.c_str());
            break;
        }
        }
    }
}

} // namespace

std::vector<double> stipple_dashes(int factor, std::uint16_t pattern, double& offset)
{
    offset = 0;
    if (factor <= 0 || pattern == 0xFFFF)
        return {};
    double const bit = factor;
    if (pattern == 0)
        return {0, 16 * bit};
    auto const on = [&](int k) { return ((pattern >> (k & 15)) & 1) != 0; };
    // Start at a drawn bit that follows a gap, so that the runs alternate drawn, gap, ... and
    // end with a gap, as cairo's dashes do.
    int start = 0;
    while (!(on(start) && !on(start + 15)))
        ++start;
    std::vector<double> dashes;
    for (int k = 0; k < 16; ++k) {
        bool const drawn = on(start + k);
        if (dashes.empty() || (dashes.size() % 2 == 1) != drawn)
            dashes.push_back(0);
        dashes.back() += bit;
    }
    offset = ((16 - start) % 16) * bit;
    return dashes;
}

namespace {

cairo_status_t write_png_data(void* stream, unsigned char const* data, unsigned int length)
{
    auto& out = *static_cast<std::ostream*>(stream);
    out.write(reinterpret_cast<char const*>(data), static_cast<std::streamsize>(length));
    return out ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

} // namespace

teskar::DrawList tool_drawing(Component const& tool)
{
    teskar::DrawList list;
    if (auto* t = get_interface<InteractiveToolInterface>(tool)) {
        t->draw_first(list);
        t->draw(list);
    }
    return list;
}

bool render_png(std::string const& path, teskar::Scene const& scene, teskar::Camera const& camera, int mode,
                Component const& tool, std::string& error)
{
    if (camera.width < 1 || camera.height < 1 || camera.width > kMaxPictureSide || camera.height > kMaxPictureSide) {
        error = "a picture is 1 to " + std::to_string(kMaxPictureSide) + " pixels on a side";
        return false;
    }
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> const surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, camera.width, camera.height), &cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> const context(cairo_create(surface.get()), &cairo_destroy);
    cairo_t* cr = context.get();
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        error = std::string("cannot make a picture: ") + cairo_status_to_string(cairo_status(cr));
        return false;
    }
    draw_background(cr, camera.height);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (Face const& face : visible_faces(scene, camera))
        draw_face(cr, face, mode);
    replay(cr, tool_drawing(tool), camera);
    cairo_surface_flush(surface.get());
    return replace_file(
        path,
        [&](std::ostream& out) {
            cairo_status_t const status = cairo_surface_write_to_png_stream(surface.get(), &write_png_data, &out);
            // A failed stream has its own reason, which replace_file tells.
            return status == CAIRO_STATUS_SUCCESS || !out ? std::string() : cairo_status_to_string(status);
        },
        error);
}

} // namespace vorn
