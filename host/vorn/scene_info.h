#pragma once

#include "teskar/mesh.h"
#include "teskar/scene.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace vorn {

// "points", "edges", "polygons" or "items"; other modes by their number.
std::string mode_name(int mode);

// A mesh item's counts and selections: item, points, polygons, edges, hard_edges, mode,
// selected_points, selected_edges (as stored, [v1, v2]) and selected_polygons, the selections
// in the order they were made.
nlohmann::ordered_json item_info(std::string const& name, teskar::Mesh const& mesh, int mode);

// The scene's items in tree order (parents before children): name, type, parent (null at the
// top) and whether the item is selected; for a reference item the name of the item it shows
// ("references", null for none); for an item placed otherwise than at its parent's origin, its
// placement as "position" and "rotation" (XYZ Euler angles in radians).
std::vector<nlohmann::ordered_json> scene_items(teskar::Scene const& scene);

} // namespace vorn
