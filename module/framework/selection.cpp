#include "framework/selection.h"

#include "framework/preferences.h"

#include "vornsdk/scene.h"

#include <algorithm>

namespace tolvir {

using namespace VORNSDK;

ComponentInterfacePtrT<MeshInterface> first_selected_mesh()
{
    ComponentList const selection = current_selection(active_scene());
    if (selection.empty())
        return {};
    return ComponentInterfacePtrT<MeshInterface>(selection.front());
}

namespace {

bool selection_empty(MeshInterface const& mesh, int mode)
{
    switch (mode) {
    case kSelectPoints: return mesh.selected_points().empty();
    case kSelectEdges: return mesh.selected_edges().empty();
    case kSelectPolygons: return mesh.selected_polygons().empty();
    default: return true;
    }
}

// Item mode, and an empty selection taken for everything, act on the whole mesh.
bool whole_mesh(MeshInterface const& mesh, int mode)
{
    bool const mesh_mode = mode == kSelectPoints || mode == kSelectEdges || mode == kSelectPolygons;
    return !mesh_mode || (selection_empty(mesh, mode) && nothing_selected_means_everything_selected());
}

} // namespace

std::vector<Index> selection_points(MeshInterface const& mesh, int mode)
{
    std::vector<Index> out;
    if (whole_mesh(mesh, mode)) {
        out.reserve(mesh.points().count());
        for (Index p : mesh.points())
            out.push_back(p);
        return out;
    }
    if (mode == kSelectPoints)
        return to_vector(mesh.selected_points());
    // Corners shared by several edges or polygons are moved once.
    std::vector<std::uint8_t> seen(mesh.points().slots(), 0);
    auto const add = [&](Index p) {
        if (p < seen.size() && !seen[p]) {
            seen[p] = 1;
            out.push_back(p);
        }
    };
    if (mode == kSelectEdges) {
        for (VertexPair const e : each(mesh.selected_edges())) {
            add(e.v1);
            add(e.v2);
        }
    } else {
        for (Index f : each(mesh.selected_polygons()))
            for (Index p : mesh.polygon_vertices(f))
                add(p);
    }
    return out;
}

std::vector<Index> selection_polygons(MeshInterface const& mesh, int mode)
{
    std::vector<Index> out;
    bool const whole = whole_mesh(mesh, mode);
    auto const selected_point = [&](Index p) { return mesh.selected_points().contains(p); };
    for (Index f : mesh.polygons()) {
        PolygonVertices const v = mesh.polygon_vertices(f);
        bool covered = whole;
        if (!covered && mode == kSelectPolygons)
            covered = mesh.polygon_selected(f);
        else if (!covered && mode == kSelectPoints)
            covered = std::all_of(v.begin(), v.end(), selected_point);
        else if (!covered && mode == kSelectEdges) {
            covered = true;
            for (std::uint16_t k = 0; k < v.count && covered; ++k)
                covered = mesh.selected_edges().contains(v.edge(k));
        }
        if (covered)
            out.push_back(f);
    }
    return out;
}

} // namespace tolvir
