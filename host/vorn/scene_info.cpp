#include "scene_info.h"

#include "teskar/reference_item.h"

#include "vornsdk/scene.h"

namespace vorn {

using nlohmann::json;
using nlohmann::ordered_json;
using namespace VORNSDK;

std::string mode_name(int mode)
{
    switch (mode) {
    case kSelectPoints: return "points";
    case kSelectEdges: return "edges";
    case kSelectPolygons: return "polygons";
    case kSelectItems: return "items";
    default: return std::to_string(mode);
    }
}

ordered_json item_info(std::string const& name, teskar::Mesh const& mesh, int mode)
{
    ordered_json info;
    info["item"] = name;
    info["points"] = mesh.points().count();
    info["polygons"] = mesh.polygons().count();
    info["edges"] = mesh.count_edges();
    info["hard_edges"] = mesh.hard_edge_count();
    info["mode"] = mode_name(mode);
    json points = json::array(), edges = json::array(), polygons = json::array();
    for (Index p : each(mesh.selected_points()))
        points.push_back(p);
    for (VertexPair e : each(mesh.selected_edges()))
        edges.push_back({e.v1, e.v2});
    for (Index f : each(mesh.selected_polygons()))
        polygons.push_back(f);
    info["selected_points"] = std::move(points);
    info["selected_edges"] = std::move(edges);
    info["selected_polygons"] = std::move(polygons);
    return info;
}

std::vector<ordered_json> scene_items(teskar::Scene const& scene)
{
    std::vector<ordered_json> out;
    for (Component const& c : scene.items()) {
        teskar::Item const* item = teskar::item_of(c);
        ordered_json entry;
        entry["name"] = item->name().to_utf8();
        entry["type"] = item->kind();
        teskar::Item const* parent = item->parent_item();
        entry["parent"] = parent ? json(parent->name().to_utf8()) : json(nullptr);
        entry["selected"] = scene.is_selected(c);
        if (auto const* reference = dynamic_cast<teskar::ReferenceItem const*>(item)) {
            teskar::Item const* shown = teskar::item_of(reference->referenced());
            entry["references"] = shown ? json(shown->name().to_utf8()) : json(nullptr);
        }
        if (Matrix4d const placement = item->placement(); placement != Matrix4d::identity()) {
            Vector3d t, r, s;
            decompose_matrix_xyz(placement, t, r, s);
            entry["position"] = {t.x, t.y, t.z};
            entry["rotation"] = {r.x, r.y, r.z};
        }
        out.push_back(std::move(entry));
    }
    return out;
}

} // namespace vorn
