#pragma once

#include "teskar/registry.h"

#include "vornsdk/gizmo.h"
#include "vornsdk/plugin.h"

#include <functional>
#include <memory>
#include <vector>

namespace teskar {

// The host's "Gizmo" component: vertices, named parts made of segments between the vertices and
// of "RawMesh" polygons, an own matrix (size and turn) and a placement in the world. A part is
// drawn at placement x own matrix; its handle is found under the pointer in screen space.
// Attribute "MotionParent" (reference): the item whose axes drags of the gizmo follow.
class Gizmo : public VORNSDK::Plugin, public VORNSDK::GizmoInterface {
public:
    class Part;

    // The handle of one part: the part's name and direction, the identity as its own matrix.
    class Handle : public VORNSDK::GizmoHandle {
    public:
        explicit Handle(Part& part) : part_(&part) {}
        VORNSDK::String name() const override;
        VORNSDK::GizmoPart const& part() const override { return *part_; }
        VORNSDK::Matrix4d matrix() const override { return VORNSDK::Matrix4d::identity(); }
        VORNSDK::Vector3d direction() const override;
        VORNSDK::Component gizmo() const override;
        void set_state(int state) override { state_ = state; }
        int state() const { return state_; }

    private:
        Part* part_;
        int state_ = 0;
    };

    class Part : public VORNSDK::GizmoPart {
    public:
        struct MeshRef {
            VORNSDK::Component raw_mesh;
            VORNSDK::Matrix4d matrix;
        };

        Part(Gizmo& gizmo, VORNSDK::String name, VORNSDK::Vector4f color, int style);

        VORNSDK::String name() const override { return name_; }
        void set_direction(VORNSDK::Vector3d const& direction) override { direction_ = direction; }
        VORNSDK::Vector3d direction() const override { return direction_; }
        void add_segment(int a, int b) override { segments_.push_back({a, b}); }
        void add_mesh(VORNSDK::Component const& raw_mesh, VORNSDK::Matrix4d const& matrix) override;
        VORNSDK::Matrix4d placement() const override;

        VORNSDK::Vector4f color() const { return color_; }
        int style() const { return style_; }
        std::vector<std::pair<int, int>> const& segments() const { return segments_; }
        std::vector<MeshRef> const& meshes() const { return meshes_; }
        Gizmo& gizmo() const { return *gizmo_; }
        Handle& handle() { return handle_; }
        Handle const& handle() const { return handle_; }

        // Calls line(a, b) with the world ends of every segment and of every side of its meshes'
        // polygons.
        void for_each_line(std::function<void(VORNSDK::Vector3d const&, VORNSDK::Vector3d const&)> const& line) const;
        // The world corners of each polygon of its meshes.
        void for_each_polygon(std::function<void(std::vector<VORNSDK::Vector3d> const&)> const& polygon) const;

    private:
        Gizmo* gizmo_;
        VORNSDK::String name_;
        VORNSDK::Vector4f color_;
        int style_;
        VORNSDK::Vector3d direction_;
        std::vector<std::pair<int, int>> segments_;
        std::vector<MeshRef> meshes_;
        Handle handle_{*this};
    };

    // Pointer distance, in pixels, within which a part's handle is found.
    static constexpr double kHandleReach = 6.0;
    // Colour of the part whose handle is being dragged.
    static constexpr VORNSDK::Vector4f kHighlight{1.0f, 1.0f, 0.3f, 1.0f};

    static bool describe(VORNSDK::ComponentDescription& d);
    void* query_interface(VORNSDK::UniqueID const& id) override;

    int add_vertex(VORNSDK::Vector3d const& position) override;
    VORNSDK::GizmoPart* add_part(VORNSDK::String const& name, float r, float g, float b, int style) override;
    VORNSDK::GizmoPart* find_part(VORNSDK::String const& name) override;
    void set_matrix(VORNSDK::Matrix4d const& matrix) override { matrix_ = matrix; }
    VORNSDK::Matrix4d matrix() const override { return matrix_; }
    void set_placement(VORNSDK::Matrix4d const& placement) override { placement_ = placement; }
    VORNSDK::Matrix4d placement() const override { return placement_; }
    void finish(int mode) override { finish_mode_ = mode; }
    VORNSDK::GizmoHandle* handle_at(VORNSDK::Component const& viewport, double x, double y) override;
    void draw(VORNSDK::DrawInterface& draw, VORNSDK::Component const& viewport) override;

    std::vector<VORNSDK::Vector3d> const& vertices() const { return vertices_; }
    std::size_t num_parts() const { return parts_.size(); }
    Part& part(std::size_t i) { return *parts_[i]; }
    // The argument of the last finish call; 0 while the gizmo is being built.
    int finish_mode() const { return finish_mode_; }

private:
    std::vector<VORNSDK::Vector3d> vertices_;
    std::vector<std::unique_ptr<Part>> parts_;
    VORNSDK::Matrix4d matrix_, placement_;
    int finish_mode_ = 0;
};

// The host's Gizmo behind a component, or null.
Gizmo* gizmo_of(VORNSDK::Component const& c);

void register_gizmo_components(Registry& registry);

} // namespace teskar
