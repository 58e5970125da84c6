#include "cut_select_tools/hover_tools.h"

#include "cut_select_tools/picked_element.h"

#include "framework/description_builder.h"
#include "framework/registration.h"

#include "vornsdk/host.h"
#include "vornsdk/viewport.h"

#include <cctype>
#include <charconv>
#include <string>
#include <vector>

namespace tolvir {

using namespace VORNSDK;

namespace {

// Every hover command carries the element it acted on in "Element", so that a repeated or
// recorded run acts on the same element without picking again.
void describe_hover_command(ComponentDescription& description, char const* user_name, char const* icon)
{
    DescriptionBuilder(description)
        .category("CommandTool")
        .sub_category("Edit")
        .component_user_name(user_name)
        .icon(icon)
        .attribute("Element", Parameter::PT_STRING)
        .default_value("");
}

// Reads the parts of an element text: a word, indices and punctuation, no blanks inside an edge.
class ElementReader {
public:
    explicit ElementReader(std::string text) : text_(std::move(text))
    {
        for (char& c : text_)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }

    std::string word()
    {
        std::size_t const first = at_;
        while (at_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[at_])))
            ++at_;
        return text_.substr(first, at_ - first);
    }
    bool blanks()
    {
        std::size_t const first = at_;
        while (at_ < text_.size() && text_[at_] == ' ')
            ++at_;
        return at_ > first;
    }
    bool take(char c)
    {
        if (at_ >= text_.size() || text_[at_] != c)
            return false;
        ++at_;
        return true;
    }
    bool index(Index& out)
    {
        auto const [end, error] = std::from_chars(text_.data() + at_, text_.data() + text_.size(), out);
        if (error != std::errc() || end == text_.data() + at_)
            return false;
        at_ = static_cast<std::size_t>(end - text_.data());
        return true;
    }
    bool done() const { return at_ == text_.size(); }

private:
    std::string text_;
    std::size_t at_ = 0;
};

// Whether any target mesh has an element selected in the current mode (in item mode: whether
// there is a target at all).
bool something_selected(ComponentList const& targets)
{
    int const mode = selection_mode();
    if (mode == kSelectItems)
        return !targets.empty();
    for (Component const& item : targets)
        if (auto const* mesh = get_interface<MeshInterface>(item)) {
            if (mode == kSelectPoints && !mesh->selected_points().empty())
                return true;
            if (mode == kSelectEdges && !mesh->selected_edges().empty())
                return true;
            if (mode == kSelectPolygons && !mesh->selected_polygons().empty())
                return true;
        }
    return false;
}

PickRecord pick_at_pointer()
{
    PickRecord pick;
    Component const viewport = app_node()["CurrentViewport"].as_ref();
    auto const* view = get_interface<ViewportInterface>(viewport);
    Component const picking = Component::create("Picking");
    auto* picker = get_interface<PickingInterface>(picking);
    if (!view || !picker)
        return pick;
    int x = 0, y = 0;
    view->pointer_position(x, y);
    if (!picker->pick(ViewportPoint(viewport, x, y), pick))
        return PickRecord();
    return pick;
}

std::string index_text(Index i) { return std::to_string(i); }

} // namespace

String HoverTool::element_of(PickRecord const& pick)
{
    auto const* mesh = get_interface<MeshInterface>(pick.item);
    PickedElement const e = mesh ? picked_element(*mesh, pick) : PickedElement();
    switch (e.kind) {
    case PickedElement::kPoint: return String("vertex " + index_text(e.point));
    case PickedElement::kEdge: return String("edge (" + index_text(e.edge.v1) + "," + index_text(e.edge.v2) + ")");
    case PickedElement::kPolygon: return String("polygon " + index_text(e.polygon));
    default: return String("item");
    }
}

bool HoverTool::v_execute(Context& context)
{
    Component scene = context.custom_parameter("Scene").as_ref();
    if (!scene)
        scene = active_scene();
    Component const given = context.custom_parameter("Item").as_ref();
    ComponentList const targets = given ? ComponentList{given} : current_selection(scene);
    AttributePtr const element = attribute("Element");
    String const stored = element.as_string();
    if (!stored.empty()) {
        if (!targets.empty())
            dispatch(stored, targets.front());
        return true;
    }
    if (something_selected(targets)) {
        element.set_value(String("selection"), false);
        execute_on_selection(targets);
        return true;
    }
    if (!pick_under_cursor_)
        return true;
    pick_ = pick_at_pointer();
    if (!pick_.valid())
        return true;
    String const picked = element_of(pick_);
    element.set_value(picked, true);
    dispatch(picked, pick_.item);
    return true;
}

void HoverTool::dispatch(String const& element, Component const& item)
{
    ElementReader reader(element.to_utf8());
    std::string const kind = reader.word();
    if (kind == "item" && reader.done()) {
        execute_whole_item(item);
        return;
    }
    if (kind == "selection" && reader.done()) {
        execute_on_selection({item});
        return;
    }
    auto* mesh = get_interface<MeshInterface>(item);
    if (!mesh || !reader.blanks())
        return;
    Index i = 0;
    VertexPair e;
    bool const vertex = kind == "vertex" && reader.index(i) && reader.done();
    bool const polygon = kind == "polygon" && reader.index(i) && reader.done();
    bool const edge = kind == "edge" && reader.take('(') && reader.index(e.v1) && reader.take(',') &&
                      reader.index(e.v2) && reader.take(')') && reader.done();
    if (!vertex && !polygon && !edge)
        return;
    item_ = item;
    MeshEditContext const edit(mesh, component());
    if (vertex)
        execute_vertex(*mesh, i);
    else if (polygon)
        execute_polygon(*mesh, i);
    else
        execute_edge(*mesh, e);
}

void HoverTool::execute_on_selection(ComponentList const& targets)
{
    int const mode = selection_mode();
    for (Component const& item : targets) {
        if (mode == kSelectPoints)
            execute_vertices(item);
        else if (mode == kSelectEdges)
            execute_edges(item);
        else if (mode == kSelectPolygons)
            execute_polygons(item);
    }
}

// Each handler may change the selection it comes from, so it is walked from a copy.
void HoverTool::execute_vertices(Component const& item)
{
    auto* mesh = get_interface<MeshInterface>(item);
    if (!mesh)
        return;
    item_ = item;
    MeshEditContext const edit(mesh, component());
    for (Index p : to_vector(mesh->selected_points()))
        execute_vertex(*mesh, p);
}

void HoverTool::execute_edges(Component const& item)
{
    auto* mesh = get_interface<MeshInterface>(item);
    if (!mesh)
        return;
    item_ = item;
    MeshEditContext const edit(mesh, component());
    for (VertexPair e : to_vector(mesh->selected_edges()))
        execute_edge(*mesh, e);
}

void HoverTool::execute_polygons(Component const& item)
{
    auto* mesh = get_interface<MeshInterface>(item);
    if (!mesh)
        return;
    item_ = item;
    MeshEditContext const edit(mesh, component());
    for (Index f : to_vector(mesh->selected_polygons()))
        execute_polygon(*mesh, f);
}

void HoverTool::execute_polygon(MeshInterface&, Index) {}
void HoverTool::execute_vertex(MeshInterface&, Index) {}
void HoverTool::execute_edge(MeshInterface&, VertexPair) {}
void HoverTool::execute_whole_item(Component const&) {}

void HoverDelete::execute_polygon(MeshInterface& mesh, Index polygon)
{
    if (!mesh.polygon_exists(polygon))
        return;
    PolygonVertices const v = mesh.polygon_vertices(polygon);
    std::vector<Index> const corners(v.begin(), v.end());
    mesh.remove_polygon(polygon);
    // A point left in no polygon would be a loose point the user never sees again.
    for (Index p : corners)
        if (mesh.point_polygons(p).empty())
            mesh.remove_point(p);
}

void HoverDelete::execute_vertex(MeshInterface& mesh, Index vertex) { mesh.remove_point(vertex); }

void HoverFlip::execute_polygon(MeshInterface& mesh, Index polygon) { mesh.flip_polygon(polygon); }

void HoverExtend::execute_polygon(MeshInterface& mesh, Index polygon)
{
    if (!mesh.polygon_exists(polygon))
        return;
    mesh.select_all(kElementPolygons, false);
    mesh.set_polygon_selection(polygon, true);
    execute(String("Extend"), edited_item());
}

void HoverLoop::execute_edge(MeshInterface& mesh, VertexPair edge)
{
    if (!mesh.edge_exists(edge))
        return;
    mesh.select_all(kElementEdges, false);
    mesh.set_edge_selection(edge, true);
    execute(String("SelectRing"), edited_item());
    execute(String("Connect"), edited_item());
}

// Dissolve removes selected edges only in edge mode.
void HoverLoopRemove::execute_edge(MeshInterface& mesh, VertexPair edge)
{
    if (!mesh.edge_exists(edge))
        return;
    int const mode = selection_mode();
    set_selection_mode(kSelectEdges);
    mesh.select_all(kElementEdges, false);
    mesh.set_edge_selection(edge, true);
    execute(String("SelectLoop"), edited_item());
    execute(String("Dissolve"), edited_item());
    set_selection_mode(mode);
}

bool HoverExtend::describe(ComponentDescription& description)
{
    describe_hover_command(description, "Hover Extend", "/icons/edit_flip.png");
    return true;
}

bool HoverLoopRemove::describe(ComponentDescription& description)
{
    describe_hover_command(description, "Hover Loop Remove", "/icons/edit_flip.png");
    return true;
}

bool HoverLoop::describe(ComponentDescription& description)
{
    describe_hover_command(description, "Hover Loop", "/icons/edit_flip.png");
    return true;
}

bool HoverFlip::describe(ComponentDescription& description)
{
    describe_hover_command(description, "Hover Flip", "/icons/edit_flip.png");
    return true;
}

bool HoverDelete::describe(ComponentDescription& description)
{
    describe_hover_command(description, "Hover Delete", "/icons/edit_array.png");
    return true;
}

Status register_hover_tools(PluginModuleRegistrar& registrar)
{
    register_component_class<HoverExtend>(registrar, "Hover Extend");
    register_component_class<HoverLoopRemove>(registrar, "Hover Loop Remove");
    register_component_class<HoverLoop>(registrar, "Hover Loop");
    register_component_class<HoverFlip>(registrar, "Hover Flip");
    register_component_class<HoverDelete>(registrar, "Hover Delete");
    return Status(0);
}

} // namespace tolvir
