#include "cut_select_tools/picked_element.h"

namespace tolvir {

using namespace VORNSDK;

PickedElement picked_element(MeshInterface const& mesh, PickRecord const& pick)
{
    PickedElement out;
    Vector3d const hit = pick.local_hit;
    bool const edge = mesh.edge_exists(pick.edge);
    Vector3d const a = edge ? mesh.point_position(pick.edge.v1) : Vector3d{};
    Vector3d const b = edge ? mesh.point_position(pick.edge.v2) : Vector3d{};
    if (mesh.point_exists(pick.vertex) && length(hit - mesh.point_position(pick.vertex)) < 0.25 * length(b - a)) {
        out.kind = PickedElement::kPoint;
        out.point = pick.vertex;
    } else if (edge && dot(unit(hit - a), unit(b - a)) > 0.95) {
        out.kind = PickedElement::kEdge;
        out.edge = pick.edge;
    } else if (mesh.polygon_exists(pick.polygon)) {
        out.kind = PickedElement::kPolygon;
        out.polygon = pick.polygon;
    }
    return out;
}

} // namespace tolvir
