#include "cut_select_tools/lasso_apply.h"

#include "cut_select_tools/lasso_raster.h"

#include "vornsdk/attribute.h"
#include "vornsdk/host.h"
#include "vornsdk/mesh.h"
#include "vornsdk/scene.h"
#include "vornsdk/viewport.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

namespace tolvir {

using namespace VORNSDK;

namespace {

LassoRaster raster_of(ViewportInterface const& view, std::span<Vector3d const> outline)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    view.rect(left, top, right, bottom);
    return LassoRaster(right - left, bottom - top, outline);
}

bool wanted(Component const& item, LassoOptions const& options)
{
    if (!get_interface<SceneItemInterface>(item))
        return false;
    if (get_interface<MeshInterface>(item))
        return options.meshes;
    String const type = item.component_type();
    return (type == String("Camera") && options.cameras) || (type == String("Light") && options.lights);
}

bool lasso_items(ViewportInterface const& view, LassoRaster const& raster, LassoOptions const& options)
{
    auto const* scene = get_interface<SceneInterface>(active_scene());
    if (!scene)
        return false;
    bool changed = false;
    for (Component const& item : scene->items()) {
        if (!wanted(item, options))
            continue;
        Vector3d lo, hi;
        get_interface<SceneItemInterface>(item)->world_bounding_box(lo, hi);
        Vector3d const centre = hi.x < lo.x ? Vector3d{} : lo + (hi - lo) * 0.5;
        Vector3d const s = view.project(centre);
        if (s.z < 0 || !raster.contains(s.x, s.y))
            continue;
        if (options.deselect)
            remove_from_selection(item);
        else
            add_to_selection(item);
        changed = true;
    }
    return changed;
}

// Which points of the mesh project inside, by slot.
std::vector<std::uint8_t> points_inside(MeshInterface const& mesh, Matrix4d const& world, ViewportInterface const& view,
                                        LassoRaster const& raster)
{
    std::vector<std::uint8_t> inside(mesh.points().slots(), 0);
    bool const occlusion = app_node()["SelectionOcclusion"].as_bool();
    Vector3d seen_from;
    if (occlusion) {
        int left = 0, top = 0, right = 0, bottom = 0;
        view.rect(left, top, right, bottom);
        seen_from = view.unproject({double(left + (right - left) / 2), double(top + (bottom - top) / 2), 0});
    }
    // Points are projected in batches: the viewport works out its camera once per batch.
    constexpr std::size_t kBatch = 4096;
    std::vector<Index> batch;
    batch.reserve(kBatch);
    std::vector<Vector3d> at(kBatch), screen(kBatch);
    auto const test_batch = [&] {
        view.project_points({at.data(), batch.size()}, {screen.data(), batch.size()});
        for (std::size_t i = 0; i < batch.size(); ++i)
            if (screen[i].z >= 0 && raster.contains(screen[i].x, screen[i].y))
                inside[batch[i]] = 1;
        batch.clear();
    };
    for (Index p : mesh.points()) {
        Vector3d const w = transform_point(world, mesh.point_position(p));
        if (occlusion) {
            Vector3f const n = mesh.point_normal(p);
            if (dot(unit(seen_from - w), transform_vector(world, Vector3d{n.x, n.y, n.z})) < 0)
                continue;
        }
        at[batch.size()] = w;
        batch.push_back(p);
        if (batch.size() == kBatch)
            test_batch();
    }
    test_batch();
    return inside;
}

void append_index(std::string& text, Index i)
{
    char buffer[16];
    auto const end = std::to_chars(buffer, buffer + sizeof buffer, i).ptr;
    text.append(buffer, end);
}

// The host's list text of the elements counted inside: "0 4 7 " or "(0,1) (1,5) ".
std::string element_list(MeshInterface const& mesh, std::vector<std::uint8_t> const& inside, int mode, bool exclusive)
{
    // Room for the usual list at once: for edges, about four sides listed per point inside.
    std::size_t const taken = std::size_t(std::count(inside.begin(), inside.end(), std::uint8_t(1)));
    std::string text;
    text.reserve(taken * (mode == kSelectEdges ? 4 * 20 : 10));
    if (mode == kSelectPoints) {
        for (Index p : mesh.points())
            if (inside[p]) {
                append_index(text, p);
                text += ' ';
            }
        return text;
    }
    for (Index f : mesh.polygons()) {
        PolygonVertices const v = mesh.polygon_vertices(f);
        if (mode == kSelectEdges) {
            // An edge between two polygons is listed once from each, in its direction.
            for (std::uint16_t k = 0; k < v.count; ++k) {
                VertexPair const e = v.edge(k);
                bool const a = inside[e.v1], b = inside[e.v2];
                if (exclusive ? (a && b) : (a || b)) {
                    text += '(';
                    append_index(text, e.v1);
                    text += ',';
                    append_index(text, e.v2);
                    text += ") ";
                }
            }
            continue;
        }
        std::uint16_t in = 0;
        for (Index p : v)
            in += inside[p];
        if (exclusive ? in == v.count : in > 0) {
            append_index(text, f);
            text += ' ';
        }
    }
    return text;
}

bool lasso_elements(ViewportInterface const& view, LassoRaster const& raster, LassoOptions const& options, int mode)
{
    ComponentList const selection = current_selection();
    if (selection.empty())
        return false;
    Component const& item = selection.front();
    auto const* mesh = get_interface<MeshInterface>(item);
    auto const* scene_item = get_interface<SceneItemInterface>(item);
    if (!mesh || !scene_item)
        return false;
    std::string const list =
        element_list(*mesh, points_inside(*mesh, scene_item->world_matrix(), view, raster), mode, options.exclusive);
    if (list.empty())
        return false;
    static char const* const commands[3][2] = {
        {"SelectPoints", "DeselectPoints"}, {"SelectEdges", "DeselectEdges"}, {"SelectFaces", "DeselectFaces"}};
    static char const* const attributes[3] = {"Points", "Edges", "Faces"};
    Component const command = Component::create(commands[mode][options.deselect ? 1 : 0]);
    if (!command)
        return false;
    command[attributes[mode]].set_value(String(list), false);
    return execute(command, item);
}

} // namespace

bool lasso_apply(std::span<Vector3d const> outline, Component const& viewport, LassoOptions const& options)
{
    auto const* view = get_interface<ViewportInterface>(viewport);
    if (!view || outline.empty())
        return false;
    LassoRaster const raster = raster_of(*view, outline);
    int const mode = selection_mode();
    if (mode == kSelectItems)
        return lasso_items(*view, raster, options);
    if (mode == kSelectPoints || mode == kSelectEdges || mode == kSelectPolygons)
        return lasso_elements(*view, raster, options, mode);
    return false;
}

} // namespace tolvir
