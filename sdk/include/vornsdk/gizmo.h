#pragma once

#include "vornsdk/api.h"
#include "vornsdk/component.h"
#include "vornsdk/math.h"
#include "vornsdk/string.h"
#include "vornsdk/unique_id.h"

namespace VORNSDK {

class DrawInterface;

// A named, coloured part of a gizmo: line segments between the gizmo's vertices and meshes.
class VORNSDK_API GizmoPart {
public:
    virtual ~GizmoPart();
    virtual String name() const = 0;
    virtual void set_direction(Vector3d const& direction) = 0;
    virtual Vector3d direction() const = 0;
    virtual void add_segment(int a, int b) = 0;
    // Adds a "RawMesh" component's polygons under a matrix (in the gizmo's own space).
    virtual void add_mesh(Component const& raw_mesh, Matrix4d const& matrix) = 0;
    // The part's placement in the world: the gizmo's placement times its own matrix.
    virtual Matrix4d placement() const = 0;
};

// What the host hands a tool when the user presses on a gizmo part.
class VORNSDK_API GizmoHandle {
public:
    virtual ~GizmoHandle();
    virtual String name() const = 0;
    virtual GizmoPart const& part() const = 0;
    // The handle's own matrix, relative to its part.
    virtual Matrix4d matrix() const = 0;
    virtual Vector3d direction() const = 0;
    // The "Gizmo" component the handle belongs to.
    virtual Component gizmo() const = 0;
    // Tells the handle its state: 3 while it is dragged, 0 otherwise.
    virtual void set_state(int state) = 0;
};

// The host's "Gizmo" component: it owns the parts, draws them and finds the handle under the
// pointer (in screen space).
class VORNSDK_API GizmoInterface {
public:
    VORNSDK_INTERFACE_ID("2e7f4c90-1a5b-4d6e-8f71-9b0c1d2e3f03")
    virtual ~GizmoInterface();
    virtual int add_vertex(Vector3d const& position) = 0;
    virtual GizmoPart* add_part(String const& name, float r, float g, float b, int style) = 0;
    virtual GizmoPart* find_part(String const& name) = 0;
    // The gizmo's own matrix (its size and turn, e.g. a uniform scale), applied before the placement.
    virtual void set_matrix(Matrix4d const& matrix) = 0;
    virtual Matrix4d matrix() const = 0;
    // Where the gizmo stands in the world.
    virtual void set_placement(Matrix4d const& placement) = 0;
    virtual Matrix4d placement() const = 0;
    // Ends building (mode 1: the parts are final).
    virtual void finish(int mode) = 0;
    // The handle of the part nearest the pointer within a few pixels, or null. The handle lives
    // as long as the gizmo.
    virtual GizmoHandle* handle_at(Component const& viewport, double x, double y) = 0;
    virtual void draw(DrawInterface& draw, Component const& viewport) = 0;
};

} // namespace VORNSDK
