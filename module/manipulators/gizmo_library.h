#pragma once

#include "manipulators/dragger.h"

#include "vornsdk/attribute.h"
#include "vornsdk/component.h"
#include "vornsdk/gizmo.h"
#include "vornsdk/input.h"
#include "vornsdk/math.h"
#include "vornsdk/string.h"

namespace tolvir {

// A "Gizmo" component with three axis parts and a "center" box, not yet finished. The parts get
// the colours red, green and blue and the directions x, y and z, in the order of their names;
// each axis line runs from 0.1 length to length x scale. "center" has direction (1, 1, 1) and a
// box of edge 0.2 length. Null when the host has no gizmo component.
VORNSDK::Component make_axis_gizmo(VORNSDK::String const& name1, VORNSDK::String const& name2,
                                   VORNSDK::String const& name3, double length, double scale);

// The axis gizmo "x", "y", "z", "center" of unit length with a head mesh at each axis tip, turned
// so that the mesh's +y points along the axis and scaled by head_scale; finished.
VORNSDK::Component make_headed_axis_gizmo(VORNSDK::Component const& head, VORNSDK::Vector3d const& head_scale);

// The translate gizmo: the headed axis gizmo with arrow cones.
VORNSDK::Component make_translate_gizmo();

// "RawMesh" shapes for gizmo parts: a cone of the given number of sides (base circle of radius
// 0.5 at y = -0.5, apex at (0, 0.5, 0)) and a box centred on the origin.
VORNSDK::Component make_cone_mesh(int sides);
VORNSDK::Component make_box_mesh(double edge);
// A flat ring of quads in the x-z plane around the origin, facing +y, between two radii.
VORNSDK::Component make_ring_mesh(int sides, double inner, double outer);

// The dragger for a press on a translate gizmo handle: "center" moves in the screen plane through
// the handle with vectors in the orientation's axes; an axis handle moves along its axis (turned
// into world space), in world units counted from the press. Null when out of memory.
Dragger* translate_dragger(VORNSDK::GizmoHandle const& handle, VORNSDK::InputDeviceState const& event,
                           VORNSDK::Matrix4d const& orientation);

// Adds the drag's step vector to a vector attribute (with notification).
void apply_translation(VORNSDK::AttributePtr const& attribute, DragValue const& value);

// The turn of the gizmo axes: the identity in world mode (orientation attribute missing or
// "World") or with nothing selected; otherwise the rotation of the first selected item's placement.
VORNSDK::Matrix4d gizmo_orientation(VORNSDK::Component const& scene, VORNSDK::AttributePtr const& orientation);

// World position of a handle: where its part stands.
VORNSDK::Vector3d handle_position(VORNSDK::GizmoHandle const& handle);

} // namespace tolvir
