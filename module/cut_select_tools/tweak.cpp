#include "cut_select_tools/tweak.h"

#include "cut_select_tools/drawing_plane.h"
#include "framework/description_builder.h"
#include "framework/registration.h"
#include "framework/selection.h"
#include "manipulators/dragger.h"

#include "vornsdk/draw.h"
#include "vornsdk/host.h"
#include "vornsdk/mesh_recorder.h"
#include "vornsdk/scene.h"
#include "vornsdk/viewport.h"

#include <algorithm>
#include <limits>

namespace tolvir {

using namespace VORNSDK;

namespace {

// The tool is for mesh elements, which item mode does not show.
bool offered_outside_item_mode(FilterContext const&) { return selection_mode() != kSelectItems; }

// Runs a quick edit in another selection mode and puts the user's mode back afterwards.
class ModeSwitch {
public:
    explicit ModeSwitch(int mode) : saved_(selection_mode()) { set_selection_mode(mode); }
    ModeSwitch(ModeSwitch const&) = delete;
    ModeSwitch& operator=(ModeSwitch const&) = delete;
    ~ModeSwitch() { set_selection_mode(saved_); }

private:
    int saved_;
};

void select_only_edge(MeshInterface& mesh, VertexPair const& edge)
{
    mesh.select_all(kElementEdges, false);
    mesh.set_edge_selection(edge, true);
}

// The unit view direction through the viewport's centre pixel.
Vector3d view_direction(ViewportInterface const& view)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    view.rect(left, top, right, bottom);
    double const cx = left + (right - left) / 2, cy = top + (bottom - top) / 2;
    return unit(view.unproject({cx, cy, 1.0}) - view.unproject({cx, cy, 0.0}));
}

Vector3d mean(MeshInterface const& mesh, std::vector<Index> const& points)
{
    Vector3d sum;
    for (Index p : points)
        sum += mesh.point_position(p);
    return points.empty() ? sum : sum * (1.0 / double(points.size()));
}

} // namespace

bool TestTool::describe(ComponentDescription& description)
{
    DescriptionBuilder(description)
        .category("InteractiveTool")
        .sub_category("Edit")
        .component_user_name("Tweak")
        .icon("/icons/edit_tweak.png")
        .ui_hints("model_tools");
    return true;
}

void TestTool::on_activate(Component const&)
{
    if (auto const mesh = first_selected_mesh()) {
        recorder_ = Component::create("MeshEditRecorder");
        if (auto* recorder = get_interface<MeshEditRecorderInterface>(recorder_))
            recorder->begin(mesh.component());
    }
    Component const viewport = app_node()["ActiveViewport"].as_ref();
    if (auto const* view = get_interface<ViewportInterface>(viewport)) {
        int x = 0, y = 0;
        view->pointer_position(x, y);
        hover(viewport, x, y);
    }
}

void TestTool::on_deactivate()
{
    if (auto* recorder = get_interface<MeshEditRecorderInterface>(recorder_))
        recorder->end();
    recorder_.reset();
    item_.reset();
    hovered_ = PickedElement();
}

void TestTool::hover(Component const& viewport, double x, double y)
{
    hovered_ = PickedElement();
    item_.reset();
    pick_ = PickRecord();
    Component const picking = Component::create("Picking");
    auto* picker = get_interface<PickingInterface>(picking);
    auto const mesh = first_selected_mesh();
    if (!picker || !mesh)
        return;
    item_ = mesh.component();
    picker->pick(ViewportPoint(viewport, x, y), pick_);
    // Only the first selected mesh is tweaked: another item under the pointer counts as nothing.
    if (pick_.item == item_)
        hovered_ = picked_element(*mesh, pick_);
    DirtyRegions::redraw_viewports(active_scene());
}

void TestTool::on_pointer_moved(InputRecord const& input, float, float, bool button_down)
{
    key_a_ = input.state.modifiers.test(kModifierCtrl);
    key_b_ = input.state.modifiers.test(kModifierShift);
    if (button_down) {
        int left = 0, top = 0, right = 0, bottom = 0;
        if (auto const* view = get_interface<ViewportInterface>(input.state.viewport))
            view->rect(left, top, right, bottom);
        DirtyRegions::add(input.state.viewport, left, top, right, bottom);
        DirtyRegions::make_completely_dirty(active_scene());
        return;
    }
    hover(input.state.viewport, input.state.pointer_x(), input.state.pointer_y());
}

bool TestTool::on_button_pressed(InputRecord const& input)
{
    auto* mesh = get_interface<MeshInterface>(item_);
    if (!mesh || hovered_.kind == PickedElement::kNone)
        return true;
    bool const a = input.state.modifiers.test(kModifierCtrl), b = input.state.modifiers.test(kModifierShift);
    MeshEditContext const edit(mesh, component());
    if (input.state.button == kButtonRight && a) {
        dissolve_edge(*mesh);
    } else if (input.state.button == kButtonRight && b) {
        insert_loop(*mesh);
    } else if (a && !b) {
        remove(*mesh);
    } else if (b && !a) {
        select_or_extend(*mesh);
        grab(*mesh, input);
    } else {
        grab(*mesh, input);
    }
    return true;
}

void TestTool::dissolve_edge(MeshInterface& mesh)
{
    if (hovered_.kind != PickedElement::kEdge || !mesh.edge_exists(hovered_.edge))
        return;
    ModeSwitch const edges(kSelectEdges);
    select_only_edge(mesh, hovered_.edge);
    execute(String("Dissolve"), item_);
    hovered_ = PickedElement();
}

void TestTool::insert_loop(MeshInterface& mesh)
{
    if (hovered_.kind != PickedElement::kEdge || !mesh.edge_exists(hovered_.edge))
        return;
    ModeSwitch const edges(kSelectEdges);
    select_only_edge(mesh, hovered_.edge);
    execute(String("SelectRing"), item_);
    execute(String("Connect"), item_);
    mesh.select_all(kElementEdges, false);
    hovered_ = PickedElement();
}

void TestTool::remove(MeshInterface& mesh)
{
    if (hovered_.kind == PickedElement::kPolygon && mesh.polygon_exists(hovered_.polygon)) {
        PolygonVertices const v = mesh.polygon_vertices(hovered_.polygon);
        std::vector<Index> const corners(v.begin(), v.end());
        mesh.remove_polygon(hovered_.polygon);
        // As Hover Delete: a point left in no polygon could no longer be seen or picked.
        for (Index p : corners)
            if (mesh.point_polygons(p).empty())
                mesh.remove_point(p);
    } else if (hovered_.kind == PickedElement::kEdge && mesh.edge_exists(hovered_.edge)) {
        ModeSwitch const edges(kSelectEdges);
        select_only_edge(mesh, hovered_.edge);
        execute(String("Remove"), item_);
    } else if (hovered_.kind == PickedElement::kPoint) {
        mesh.remove_point(hovered_.point);
    }
    hovered_ = PickedElement();
}

void TestTool::select_or_extend(MeshInterface& mesh)
{
    if (hovered_.kind == PickedElement::kPolygon && mesh.polygon_exists(hovered_.polygon)) {
        mesh.set_polygon_selection(hovered_.polygon, true);
        return;
    }
    if (hovered_.kind == PickedElement::kEdge && mesh.edge_exists(hovered_.edge)) {
        PolyMarker along;
        if (mesh.polygons_of_edge(hovered_.edge, along) != 1)
            return;
        VertexPair const e = hovered_.edge;
        Vector3d const a = mesh.point_position(e.v1), b = mesh.point_position(e.v2);
        Index const m = mesh.add_point(a + (b - a) * 0.5);
        // Wound against the polygon along the edge, which runs from v1 to v2.
        Index const f = mesh.add_polygon({e.v2, e.v1, m});
        mesh.set_polygon_material(f, mesh.polygon_material(*along.begin()));
        made_.push_back(m);
        hovered_ = PickedElement{PickedElement::kPoint, m, kNoIndex, {}};
        return;
    }
    if (hovered_.kind == PickedElement::kPoint && mesh.point_exists(hovered_.point))
        extend_border_point(mesh);
}

// A border point with exactly two border edges gets a copy joined to it and to its two border
// neighbours by two triangles, wound like the polygons along those edges: dragging the copy pulls
// a corner out of the border, as an extrusion of the point would. Other points are grabbed as they are.
void TestTool::extend_border_point(MeshInterface& mesh)
{
    Index const p = hovered_.point;
    EdgeMarker edges;
    mesh.edges_of_point(p, edges);
    std::vector<VertexPair> border;
    for (VertexPair const e : edges) {
        PolyMarker along;
        if (mesh.polygons_of_edge(e, along) == 1) {
            // The side as the one polygon along it runs.
            PolygonVertices const v = mesh.polygon_vertices(*along.begin());
            for (std::uint16_t k = 0; k < v.count; ++k)
                if (VertexPair const side = v.edge(k); (side.v1 == e.v1 && side.v2 == e.v2) || (side.v1 == e.v2 && side.v2 == e.v1))
                    border.push_back(side);
        }
    }
    if (border.size() != 2)
        return;
    Index const copy = mesh.add_point(mesh.point_position(p));
    for (VertexPair const& side : border) {
        PolyMarker along;
        mesh.polygons_of_edge(side, along);
        Index const f = mesh.add_polygon({side.v2, side.v1, copy});
        mesh.set_polygon_material(f, mesh.polygon_material(*along.begin()));
    }
    made_.push_back(copy);
    hovered_ = PickedElement{PickedElement::kPoint, copy, kNoIndex, {}};
}

std::vector<Index> TestTool::element_points(MeshInterface const& mesh) const
{
    switch (hovered_.kind) {
    case PickedElement::kPoint:
        if (mesh.point_exists(hovered_.point))
            return {hovered_.point};
        break;
    case PickedElement::kEdge:
        if (mesh.edge_exists(hovered_.edge))
            return {hovered_.edge.v1, hovered_.edge.v2};
        break;
    case PickedElement::kPolygon:
        if (mesh.polygon_exists(hovered_.polygon)) {
            PolygonVertices const v = mesh.polygon_vertices(hovered_.polygon);
            return {v.begin(), v.end()};
        }
        break;
    default: break;
    }
    return {};
}

bool TestTool::passes(MeshInterface const& mesh, Index point) const
{
    if (std::find(made_.begin(), made_.end(), point) != made_.end())
        return true;
    int const mode = selection_mode();
    bool const none = (mode == kSelectPoints && mesh.selected_points().empty()) ||
                      (mode == kSelectEdges && mesh.selected_edges().empty()) ||
                      (mode == kSelectPolygons && mesh.selected_polygons().empty());
    if (none)
        return app_node()["NothingSelectedMeansEverythingSelected"].as_bool();
    if (mode == kSelectPoints)
        return mesh.selected_points().contains(point);
    if (mode == kSelectEdges) {
        EdgeMarker edges;
        mesh.edges_of_point(point, edges);
        for (VertexPair const e : edges)
            if (mesh.selected_edges().contains(e) || mesh.selected_edges().contains(e.flip()))
                return true;
        return false;
    }
    if (mode == kSelectPolygons) {
        for (Index f : mesh.point_polygons(point))
            if (mesh.polygon_selected(f))
                return true;
    }
    return false;
}

void TestTool::grab(MeshInterface& mesh, InputRecord const& input)
{
    auto const* view = get_interface<ViewportInterface>(input.state.viewport);
    auto const* item = get_interface<SceneItemInterface>(item_);
    std::vector<Index> const points = element_points(mesh);
    if (!view || !item || points.empty())
        return;
    Matrix4d const world = item->world_matrix();
    to_item_ = item->inverse_world_matrix();
    centre_ = mean(mesh, points);
    // An edge or polygon moves whole or not at all.
    moved_.clear();
    at_press_.clear();
    bool const whole = std::all_of(points.begin(), points.end(), [&](Index p) { return passes(mesh, p); });
    if (whole)
        for (Index p : points) {
            moved_.push_back(p);
            at_press_.push_back(mesh.point_position(p));
        }
    Vector3f const n = hovered_.kind == PickedElement::kPoint ? mesh.point_normal(points.front()) : Vector3f{};
    normal_ = {n.x, n.y, n.z};
    Matrix4d const camera = view->view_matrix();
    screen_right_ = unit(Vector3d{camera(0, 0), camera(0, 1), camera(0, 2)});

    Vector3d const reference = transform_point(world, centre_);
    Vector3d const normal = view_direction(*view);
    ViewRay const ray = view_ray(*view, input.state.pointer_x(), input.state.pointer_y());
    double const d = -dot(normal, reference), along = dot(normal, ray.direction);
    Vector3d const grabbed = along == 0 ? reference : ray.origin + ray.direction * ((-d - dot(normal, ray.origin)) / along);

    // Only the highlight reads whether the grab fell on one of the element's points.
    double side = 0;
    if (mesh.polygon_exists(pick_.polygon)) {
        PolygonVertices const v = mesh.polygon_vertices(pick_.polygon);
        for (std::uint16_t k = 0; k < v.count; ++k)
            side += length(mesh.point_position(v.edge(k).v2) - mesh.point_position(v.edge(k).v1));
        side /= std::max<double>(v.count, 1);
    }
    double nearest = std::numeric_limits<double>::infinity();
    for (Index p : points)
        nearest = std::min(nearest, length(transform_point(world, mesh.point_position(p)) - grabbed));
    near_point_ = nearest < 0.1 * side;

    grab_button_ = input.state.button;
    start_screen_drag(new ScreenDragger(input.state, grabbed, Matrix4d::identity()));
}

void TestTool::on_screen_drag(DragValue const& value)
{
    auto* mesh = get_interface<MeshInterface>(item_);
    if (!mesh || moved_.empty())
        return;
    MeshEditContext const edit(mesh, component());
    Vector3d const shift = transform_vector(to_item_, value.total_vector);
    double const s = dot(value.total_vector, screen_right_);
    for (std::size_t i = 0; i < moved_.size(); ++i) {
        Vector3d const p = at_press_[i];
        Vector3d to = p + shift;
        if (grab_button_ == kButtonRight) {
            if (hovered_.kind == PickedElement::kPoint)
                to = p + normal_ * s;
            else if (hovered_.kind == PickedElement::kEdge)
                to = p + (centre_ - p) * s;
            else
                to = p + (p - centre_) * s;
        }
        mesh->set_point_position(moved_[i], to);
    }
    DirtyRegions::make_completely_dirty(item_);
}

void TestTool::on_button_released(InputRecord const&)
{
    moved_.clear();
    at_press_.clear();
    made_.clear();
    grab_button_ = -1;
    near_point_ = false;
    // Each press, with its drag, is one undo step.
    renew_transaction();
}

void TestTool::on_draw(DrawInterface& draw)
{
    auto const* mesh = get_interface<MeshInterface>(item_);
    auto const* item = get_interface<SceneItemInterface>(item_);
    if (!mesh || !item)
        return;
    std::vector<Index> const points = element_points(*mesh);
    if (points.empty())
        return;
    Matrix4d const world = item->world_matrix();
    auto const at = [&](Index p) { return transform_point(world, mesh->point_position(p)); };
    Vector4f const c = app_node()["ToolColor"].as_Vector4f();
    draw.set_color(c.x, c.y, c.z, c.w);
    if (points.size() > 1)
        for (std::size_t k = 0; k < points.size(); ++k)
            draw.draw_line(at(points[k]), at(points[(k + 1) % points.size()]));
    for (Index p : points)
        draw.draw_point(at(p), near_point_ || points.size() == 1 ? 9.0f : 5.0f);
}

void TestTool::reapply() {}

bool TestTool::v_execute(Context&)
{
    display_message("Tweak works on the element under the pointer in a viewport; it does not run as a command");
    return false;
}

Status register_tweak(PluginModuleRegistrar& registrar)
{
    register_component_class<TestTool>(registrar, "Tweak", &offered_outside_item_mode);
    return Status(0);
}

} // namespace tolvir
