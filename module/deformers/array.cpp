#include "deformers/array.h"

#include "deformers/array_layout.h"
#include "framework/description_builder.h"
#include "framework/registration.h"
#include "framework/selection.h"
#include "manipulators/dragger.h"
#include "manipulators/gizmo_library.h"
#include "manipulators/tool_gizmo.h"

#include "vornsdk/history.h"
#include "vornsdk/host.h"
#include "vornsdk/mesh.h"
#include "vornsdk/mesh_recorder.h"
#include "vornsdk/scene.h"

#include <cmath>
#include <new>
#include <optional>
#include <numbers>
#include <set>
#include <unordered_map>

namespace tolvir {

using namespace VORNSDK;

namespace {

constexpr int kLinear = 0;
constexpr int kRadial = 1;

constexpr int kMeshElements = 0;
constexpr int kInstanceElements = 1;

// Suspends the host's interactive redraws for the length of a run, and "ParentInPlace", so that
// new items placed under the source's parent keep the placement the run gives them.
class RunScope {
public:
    RunScope() : parent_in_place_(app_node()["ParentInPlace"])
    {
        disable_interactive();
        if (parent_in_place_.valid()) {
            saved_ = parent_in_place_.as_bool();
            parent_in_place_.set_value(false, false);
        }
    }
    ~RunScope()
    {
        if (parent_in_place_.valid())
            parent_in_place_.set_value(saved_, false);
        enable_interactive();
    }
    RunScope(RunScope const&) = delete;
    RunScope& operator=(RunScope const&) = delete;

private:
    AttributePtr parent_in_place_;
    bool saved_ = true;
};

// A raw mesh holding copies of some polygons of a mesh with the points they use, their
// materials and per-corner values, and the hard edges among their sides.
Component copy_polygons(MeshInterface const& mesh, std::vector<Index> const& polygons)
{
    Component raw = Component::create("RawMesh");
    auto* out = get_interface<MeshInterface>(raw);
    if (!out)
        return raw;
    for (std::size_t m = 0; m < mesh.num_vertex_maps(); ++m)
        out->add_vertex_map(mesh.vertex_map_name(m), mesh.vertex_map_dimension(m));
    std::unordered_map<Index, Index> number;
    for (Index f : polygons) {
        PolygonVertices const v = mesh.polygon_vertices(f);
        CompactIndexArray list;
        for (Index p : v) {
            auto [it, fresh] = number.try_emplace(p, kNoIndex);
            if (fresh)
                it->second = out->add_point(mesh.point_position(p));
            list.push_back(it->second);
        }
        Index const copy = out->add_polygon(list);
        out->set_polygon_properties(copy, mesh.polygon_properties(f));
        for (std::uint16_t k = 0; k < v.count; ++k)
            if (mesh.edge_hard(v.edge(k)))
                out->set_side_hard(copy, k, true);
    }
    return raw;
}

// Whether every placement of a layout is finite. A layout that is not (distances near the largest
// number) makes no repeats, and says so, rather than putting points at infinity.
bool all_finite(std::vector<Matrix4d> const& placements)
{
    for (Matrix4d const& m : placements)
        for (double v : m.m)
            if (!std::isfinite(v)) {
                display_message(String("Array: the layout puts repeats beyond any finite distance; none were made."));
                return false;
            }
    return true;
}

// The size of a mesh's bounding box; nothing for an empty mesh.
Vector3d box_size(MeshInterface const& mesh)
{
    Vector3d min, max;
    mesh.bounding_box(min, max);
    return max.x < min.x ? Vector3d{} : max - min;
}

} // namespace

// Names for new items: the source's name and a number that no item of the scene, nor any item
// the tool keeps for later runs, has taken. Made once per run, so that a run of n new items
// looks at the scene once.
class ItemNames {
public:
    ItemNames(Component const& source, std::vector<Component> const& a, std::vector<Component> const& b)
        : base_(source["Name"].as_string())
    {
        auto const* item = get_interface<SceneItemInterface>(source);
        if (auto const* scene = get_interface<SceneInterface>(item ? item->scene() : Component()))
            for (Component const& c : scene->items())
                taken_.insert(c["Name"].as_string());
        for (auto const* list : {&a, &b})
            for (Component const& c : *list)
                if (c)
                    taken_.insert(c["Name"].as_string());
    }
    String next()
    {
        String name;
        do
            name = base_ + String("_") + String::number(++counter_);
        while (taken_.contains(name));
        taken_.insert(name);
        return name;
    }

private:
    String base_;
    std::set<String> taken_;
    long long counter_ = 0;
};

bool Array::describe(ComponentDescription& description)
{
    DescriptionBuilder const tool = DescriptionBuilder(description)
                                        .category("InteractiveTool")
                                        .sub_category("Multiply")
                                        .component_user_name("Array")
                                        .icon("/icons/edit_array.png");

    tool.attribute("ArrayElement", Parameter::PT_INT)
        .user_name("Array Elements")
        .default_value(0)
        .button_group({"Mesh", "Instance", "Copy"});
    tool.attribute("ArrayType", Parameter::PT_INT)
        .user_name("Array type")
        .default_value(kLinear)
        .button_group({"linear", "radial"});

    // The panel shows only the settings of the chosen layout.
    Parameter const radial = shown_when("ArrayType", kRadial);
    tool.attribute("gizmo", Parameter::PT_BOOL)
        .user_name("Show Gizmo")
        .default_value(true)
        .ui_separator()
        .ui_stack(radial);
    tool.attribute("axis", Parameter::PT_INT)
        .user_name("Axis")
        .default_value(1)
        .button_group({"X", "Y", "Z"})
        .ui_stack(radial);
    tool.attribute("nrad", Parameter::PT_INT).user_name("Number Radial").default_value(8).ui_stack(radial);
    tool.attribute("angle", Parameter::PT_DOUBLE)
        .user_name("Angle")
        .default_value(2.0 * std::numbers::pi)
        .step(0.05)
        .ui_flags(2)
        .ui_stack(radial);
    tool.attribute("overt", Parameter::PT_DOUBLE)
        .user_name("Offset Vertical")
        .default_value(0.0)
        .step(0.5)
        .ui_flags(1)
        .ui_stack(radial);
    tool.attribute("origin", Parameter::PT_VECTOR3D)
        .user_name("Origin")
        .default_value(Vector3d{0, 0, 0})
        .step(0.5)
        .ui_stack(radial);

    Parameter const linear = shown_when("ArrayType", kLinear);
    tool.attribute("Number", Parameter::PT_VECTOR3I)
        .user_name("Number")
        .default_value(Vector3i{3, 0, 0})
        .step(1)
        .ui_separator()
        .ui_stack(linear);
    tool.attribute("Distance", Parameter::PT_VECTOR3D)
        .user_name("Distance")
        .default_value(Vector3d{0, 0, 0})
        .step(0.5)
        .ui_flags(1)
        .ui_stack(linear);
    tool.attribute("disttype", Parameter::PT_INT)
        .user_name("Distance Use")
        .default_value(0)
        .button_group({"Gap", "Offset", "Total", "Between"})
        .ui_stack(linear);
    return true;
}

void Array::setup() { set_gizmos_on(false); }

void Array::show_gizmo_for_layout()
{
    set_gizmos_on(attribute("ArrayType").as_int() == kRadial && attribute("gizmo").as_bool());
}

// "origin" is in world coordinates, where the gizmo stands.
void Array::place_gizmo()
{
    if (gizmo_)
        gizmo_->set_transform(Matrix4d::translation(attribute("origin").as_Vector3d()));
}

// The scene selection stays as it is: a re-run starts from the scene as it was when the tool
// started, so clearing it here would not last beyond the first change anyway.
void Array::on_activate(Component const&)
{
    source_ = first_selected_mesh().component();
    if (!source_) {
        display_message(String("Array requires a mesh to be selected."));
        hand_over_to_fallback();
        return;
    }
    gizmo_ = &add_gizmo(std::make_unique<BasicGizmo>(make_translate_gizmo()));
    place_gizmo();
    show_gizmo_for_layout();
    reapply_with([] {});
}

void Array::attribute_changed(std::uint32_t index)
{
    String const name = attribute_name(index);
    if (name == String("ArrayType") || name == String("gizmo"))
        show_gizmo_for_layout();
    else if (name == String("origin"))
        place_gizmo();
}

// A press beside the gizmo drags the origin in the screen plane.
bool Array::on_button_pressed(InputRecord const& input)
{
    if (gizmo_ && attribute("ArrayType").as_int() == kRadial && attribute("gizmo").as_bool()) {
        Vector3d const at = gizmo_->placement().translation_part();
        start_screen_drag(new (std::nothrow) ScreenDragger(input.state, at, Matrix4d::identity()));
    }
    return true;
}

Dragger* Array::gizmo_query(GizmoHandle const& handle, InputRecord const& input)
{
    return translate_dragger(handle, input.state, Matrix4d::identity());
}

void Array::on_gizmo_dragged(GizmoHandle const&, DragValue const& value) { apply_translation(attribute("origin"), value); }

void Array::on_screen_drag(DragValue const& value) { attribute("origin").set_value(attribute("origin").as_Vector3d() + value.step_vector); }

void Array::reapply()
{
    ComponentInterfacePtrT<SceneItemInterface> const item(source_);
    if (!item)
        return;
    if (attribute("ArrayElement").as_int() == kMeshElements) {
        HistoryTransaction elements("Array Element");
        HistoryContext const context(elements, false);
        execute_item(item, false);
    } else {
        execute_item(item, false);
    }
}

void Array::apply(ComponentInterfaceReferenceT<SceneItemInterface> const& item)
{
    // Only the item selected first is repeated, run as a command as with the tool: the repeats
    // of several items would take each other's places.
    Component const first = source_ ? source_ : first_selected_mesh().component();
    ComponentInterfacePtrT<MeshInterface> const mesh(item.component());
    if (!mesh || item.component() != first)
        return;
    RunScope const scope;
    recorder_.reset();
    int const type = attribute("ArrayType").as_int();
    if (type == kLinear)
        apply_linear(item.component(), *mesh);
    else if (type == kRadial)
        apply_radial(item.component(), *mesh);
}

Component Array::element(std::vector<Component>& items, std::size_t e, Component const& source, bool instance,
                         std::optional<ItemNames>& names)
{
    String const type = instance ? String("ReferenceItem") : String("SceneObject");
    if (items.size() < e)
        items.resize(e);
    Component& slot = items[e - 1];
    if (!slot || slot.component_type() != type) {
        Component made = Component::create(type);
        if (!made)
            return made;
        // An item of the other kind gives its place in the numbering to the one replacing it.
        if (!slot && !names)
            names.emplace(source, linear_items_, radial_items_);
        made["Name"].set_value(slot ? slot["Name"].as_string() : names->next(), false);
        if (instance) {
            made["ReferencedItem"].set_value(StrongReference{source}, false);
        } else {
            if (!recorder_) {
                recorder_ = Component::create("MeshEditRecorder");
                if (auto* recorder = get_interface<MeshEditRecorderInterface>(recorder_)) {
                    recorder->begin(source);
                    recorder->end();
                }
            }
            auto const* recorder = get_interface<MeshEditRecorderInterface>(recorder_);
            if (auto* copy = get_interface<MeshInterface>(made); copy && recorder) {
                MeshEditContext const edit(copy, component());
                recorder->play(*copy, Matrix4d::identity());
            }
        }
        slot = made;
    }
    // Items of earlier runs left the scene when the run before this one was taken back.
    auto const* placed = get_interface<SceneItemInterface>(slot);
    auto const* origin = get_interface<SceneItemInterface>(source);
    if (placed && origin && !placed->scene()) {
        auto const* source_node = get_interface<TreeNodeInterface>(source);
        Component const parent = source_node ? source_node->parent() : Component();
        if (auto* node = get_interface<TreeNodeInterface>(parent))
            node->add_child(slot);
        else if (auto* scene = get_interface<SceneInterface>(origin->scene()))
            scene->add_item(slot);
    }
    return slot;
}

// Item repeats take the source's placement, moved along the source's own axes.
void Array::apply_linear(Component const& item, MeshInterface& mesh)
{
    Vector3i const number = attribute("Number").value().as_Vector3i();
    Vector3d const distance = attribute("Distance").value().as_Vector3d();
    int const use = attribute("disttype").value().as_int();
    int const elements = attribute("ArrayElement").as_int();
    if (elements == kMeshElements) {
        Component const pattern = copy_polygons(mesh, selection_polygons(mesh, selection_mode()));
        auto const* copy = get_interface<MeshInterface>(pattern);
        if (!copy)
            return;
        Vector3d const step = linear_step(number, distance, box_size(*copy), use);
        std::vector<Matrix4d> placements;
        for (Vector3d const& offset : linear_offsets(number, step, true))
            placements.push_back(Matrix4d::translation(offset));
        if (all_finite(placements))
            mesh.add_geometry(*copy, placements);
        return;
    }
    auto const* source = get_interface<SceneItemInterface>(item);
    if (!source)
        return;
    Matrix4d const placement = source->placement();
    Vector3d const step = linear_step(number, distance, box_size(mesh), use);
    std::vector<Vector3d> const offsets = linear_offsets(number, step, false);
    std::vector<Matrix4d> moves;
    for (Vector3d const& offset : offsets)
        moves.push_back(Matrix4d::translation(transform_vector(placement, offset)));
    if (!all_finite(moves))
        return;
    std::optional<ItemNames> names;
    for (std::size_t e = 1; e <= offsets.size(); ++e) {
        auto* repeat =
            get_interface<SceneItemInterface>(element(linear_items_, e, item, elements == kInstanceElements, names));
        Component const transform = Component::create("TranslateTransform");
        if (!repeat || !transform)
            continue;
        repeat->set_placement(placement);
        transform["Translation"].set_value(transform_vector(placement, offsets[e - 1]), false);
        repeat->apply_transform(transform, true);
    }
}

// "origin" and the axis are in world coordinates: mesh repeats are turned about them in the mesh's
// own space, item repeats in their parent's.
void Array::apply_radial(Component const& item, MeshInterface& mesh)
{
    auto const* source = get_interface<SceneItemInterface>(item);
    if (!source)
        return;
    RadialLayout const layout = radial_layout(attribute("nrad").as_int(), attribute("angle").as_double(),
                                              attribute("overt").as_double(), attribute("axis").as_int(),
                                              attribute("origin").as_Vector3d());
    Matrix4d const world = source->world_matrix();
    int const elements = attribute("ArrayElement").as_int();
    if (elements == kMeshElements) {
        Component const pattern = copy_polygons(mesh, selection_polygons(mesh, selection_mode()));
        auto const* copy = get_interface<MeshInterface>(pattern);
        if (!copy)
            return;
        Matrix4d const to_mesh = inverse(world);
        std::vector<Matrix4d> placements;
        for (int i = 1; i < layout.count; ++i)
            placements.push_back(to_mesh * radial_transform(layout, i) * world);
        if (all_finite(placements))
            mesh.add_geometry(*copy, placements);
        return;
    }
    Matrix4d const placement = source->placement();
    Matrix4d const parent = world * inverse(placement);
    Matrix4d const to_parent = inverse(parent);
    std::vector<Matrix4d> turns;
    for (int i = 1; i < layout.count; ++i)
        turns.push_back(to_parent * radial_transform(layout, i) * parent);
    if (!all_finite(turns))
        return;
    std::optional<ItemNames> names;
    for (int i = 1; i < layout.count; ++i) {
        auto* repeat = get_interface<SceneItemInterface>(
            element(radial_items_, static_cast<std::size_t>(i), item, elements == kInstanceElements, names));
        Component const transform = Component::create("TranslateTransform");
        if (!repeat || !transform)
            continue;
        Vector3d t, r, s;
        decompose_matrix_xyz(turns[static_cast<std::size_t>(i - 1)], t, r, s);
        repeat->set_placement(placement);
        transform["Translation"].set_value(t, false);
        transform["RotateX"].set_value(r.x, false);
        transform["RotateY"].set_value(r.y, false);
        transform["RotateZ"].set_value(r.z, false);
        repeat->apply_transform(transform, true);
    }
}

namespace {

// Array is offered only when the first selected item carries a mesh.
bool array_filter(FilterContext const&) { return first_selected_mesh().valid(); }

} // namespace

Status register_array(PluginModuleRegistrar& registrar)
{
    register_component_class<Array>(registrar, "Array", &array_filter);
    return Status(0);
}

} // namespace tolvir
