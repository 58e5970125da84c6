#include "edge_tools/corner_values.h"

#include <vector>

namespace tolvir {

using namespace VORNSDK;

CompactIndexArray points_of(std::span<CornerSource const> corners)
{
    CompactIndexArray list;
    for (CornerSource const& c : corners)
        list.push_back(c.point);
    return list;
}

PolygonProperties properties_to_keep(MeshInterface const& mesh, Index f)
{
    return mesh.num_vertex_maps() == 0 ? PolygonProperties() : mesh.polygon_properties(f);
}

void set_interpolated_values(MeshInterface& mesh, Index f, std::span<CornerSource const> corners,
                             PolygonProperties const& before)
{
    if (before.corner_values.empty())
        return;
    PolygonProperties after;
    after.material = before.material;
    for (std::size_t map = 0; map < before.corner_values.size(); ++map) {
        std::vector<float> const& old = before.corner_values[map];
        std::vector<float> values;
        if (!old.empty()) {
            std::size_t const dim = static_cast<std::size_t>(mesh.vertex_map_dimension(map));
            for (CornerSource const& c : corners)
                for (std::size_t d = 0; d < dim; ++d) {
                    double const v0 = old[c.k0 * dim + d], v1 = old[c.k1 * dim + d];
                    values.push_back(static_cast<float>(v0 + (v1 - v0) * c.s));
                }
        }
        after.corner_values.push_back(std::move(values));
    }
    mesh.set_polygon_properties(f, after);
}

} // namespace tolvir
