#pragma once

#include "teskar/draw_list.h"
#include "teskar/scene.h"
#include "teskar/viewport.h"

#include "vornsdk/component.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

// The largest picture render makes, in pixels on a side.
inline constexpr int kMaxPictureSide = 16384;

// Draws the scene as the camera sees it into a PNG file of the camera's width and height.
//
// Every mesh item's polygons are filled back to front (by their mean depth), shaded by how
// directly they face the camera (back faces darker) and outlined; hard edges are drawn thicker
// in their own colour, and the selection of the given selection mode is highlighted (tinted
// polygons, thick edges, dots on points). Polygons with a corner at or in front of the near plane
// are left out. The tool, when given, draws on top: what its draw_first and draw record (lines,
// with their colour and stipple, filled quads, text and points; its gizmos draw through draw).
// False, with the reason in error, when the picture cannot be made or written.
bool render_png(std::string const& path, teskar::Scene const& scene, teskar::Camera const& camera, int mode,
                VORNSDK::Component const& tool, std::string& error);

// What the tool records when the host draws it: draw_first's entries, then draw's.
teskar::DrawList tool_drawing(VORNSDK::Component const& tool);

// The dash lengths, in pixels, of a line stipple (bit 0 of the pattern first, each bit factor
// pixels long), starting with a drawn run; offset is where bit 0 falls in them. Empty for a solid
// line (factor 0 or every bit set); a pattern without bits gives {0, 16 * factor}, nothing drawn.
std::vector<double> stipple_dashes(int factor, std::uint16_t pattern, double& offset);

} // namespace vorn
