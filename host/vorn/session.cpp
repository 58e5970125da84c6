#include "session.h"

#include "text_excerpt.h"

#include "mesh_file.h"
#include "obj_io.h"
#include "primitives.h"
#include "render.h"
#include "scene_info.h"

#include "teskar/history.h"
#include "teskar/kernel.h"
#include "teskar/mesh_item.h"
#include "teskar/reference_item.h"
#include "teskar/tool_handler.h"

#include "vornsdk/command.h"
#include "vornsdk/host.h"
#include "vornsdk/input.h"
#include "vornsdk/picking.h"
#include "vornsdk/scene.h"
#include "vornsdk/tool.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>

namespace vorn {

using namespace VORNSDK;

namespace {

[[noreturn]] void fail(std::string const& message) { throw SessionError(message); }

std::string quoted(std::string const& s) { return quoted_excerpt(s); }

std::string lower_extension(std::string const& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// The file types that load and save know, by extension.
enum class FileType { Obj, Mesh };

FileType file_type(std::string const& path)
{
    std::string const ext = lower_extension(path);
    if (ext == ".obj")
        return FileType::Obj;
    if (ext == ".mesh")
        return FileType::Mesh;
    fail("unknown file type " + quoted(ext.empty() ? path : ext) + " (known: .obj, .mesh)");
}

std::string name_of(Component const& item) { return teskar::item_of(item)->name().to_utf8(); }

teskar::Mesh& mesh_of(Component const& item)
{
    teskar::Mesh* mesh = teskar::mesh_of(item);
    if (!mesh)
        fail("item " + quoted(name_of(item)) + " has no mesh");
    return *mesh;
}

// The mesh an item shows, for the operations that only read it: a reference item shows the mesh
// of the item it refers to.
teskar::Mesh const& shown_mesh_of(Component const& item)
{
    teskar::Mesh const* mesh = teskar::shown_mesh(item);
    if (!mesh)
        fail("item " + quoted(name_of(item)) + " has no mesh");
    return *mesh;
}

Component new_mesh_item(std::string const& name)
{
    Component item = Component::create("SceneObject");
    item["Name"].set_value(String(name), false);
    return item;
}

void assign(Component const& c, Assignment const& a, std::string const& what, bool notify)
{
    if (!attribute_of(c, a.key, what).set_value(a.value, notify).ok())
        fail("cannot set " + a.key + " to " + quoted(a.text));
}

std::string type_of(Component const& c) { return quoted(c.component_type().to_utf8()); }

InteractiveToolInterface& tool_interface(Component const& tool) { return *get_interface<InteractiveToolInterface>(tool); }

// The tool's default key bindings as (action, key) pairs; each entry is ("", action, key, trigger).
std::vector<std::pair<std::string, std::string>> bindings(Component const& tool)
{
    std::vector<std::pair<std::string, std::string>> out;
    if (auto const* type = teskar::Kernel::instance().registry().find(tool.component_type()))
        for (Parameter const& entry : type->description.value(ComponentDescription::default_tool_keybindings()).as_list()) {
            auto const& fields = entry.as_list();
            if (fields.size() == 4)
                out.emplace_back(fields[1].as_string().to_utf8(), fields[2].as_string().to_utf8());
        }
    return out;
}

// A pointer coordinate as the viewport keeps it: whole pixels.
int pixel(double v) { return static_cast<int>(std::lround(std::clamp(v, -1e9, 1e9))); }

} // namespace

AttributePtr attribute_of(Component const& c, std::string const& key, std::string const& what)
{
    AttributePtr const attribute = c.attribute(String(key));
    if (!attribute.valid())
        fail(what + " has no attribute " + quoted(key));
    return attribute;
}

Session::Session(Notice message, Notice warning) : warning_(std::move(warning))
{
    auto& kernel = teskar::Kernel::instance();
    kernel.set_message_sink(std::move(message));
    teskar::deactivate_tool();
    kernel.reset_session();
    teskar::UndoHistory::instance().clear();
    scene_component_ = teskar::new_scene();
    scene_ = teskar::scene_of(scene_component_);
    kernel.set_selection_mode(kSelectItems);
    viewport_ = Component::create("Viewport");
    teskar::set_active_viewport(viewport_);
}

// Dropping the tool ends its undo step and may still show messages, so the sink goes last.
Session::~Session()
{
    teskar::deactivate_tool();
    teskar::Kernel::instance().set_message_sink(nullptr);
}

Component Session::find_item(std::string const& name) const
{
    Component item = scene_->find_item(String(name));
    if (!item)
        fail("no item named " + quoted(name));
    return item;
}

Component Session::first_selected() const
{
    if (scene_->selection().empty())
        fail("no item is selected");
    return scene_->selection().front();
}

void Session::check_new_name(std::string const& name) const
{
    if (name.empty())
        fail("an item needs a name");
    if (scene_->find_item(String(name)))
        fail("an item named " + quoted(name) + " already exists");
}

// One undo step: the item (built beforehand, outside any transaction, so that its points are not
// recorded one by one) enters the scene with the materials it brings, and becomes the only
// selected item.
void Session::add_to_scene(Component const& item, std::vector<Component> const& materials, char const* step)
{
    teskar::ImplicitTransaction const transaction{String(step)};
    Component const library = scene_->material_library();
    for (Component const& m : materials)
        teskar::item_of(library)->add_child(m);
    scene_->add_item(item);
    scene_->clear_selection();
    scene_->select(item);
}

void Session::new_grid(std::string const& name, int nx, int ny, double size)
{
    check_new_name(name);
    if ((std::int64_t(nx) + 1) * (std::int64_t(ny) + 1) > (std::int64_t(1) << 31))
        fail("grid of " + std::to_string(nx) + " by " + std::to_string(ny) + " is too large");
    Component const item = new_mesh_item(name);
    make_grid(*teskar::mesh_of(item), nx, ny, size);
    add_to_scene(item, {}, "New Grid");
}

void Session::new_box(std::string const& name, double size)
{
    check_new_name(name);
    Component const item = new_mesh_item(name);
    make_box(*teskar::mesh_of(item), size);
    add_to_scene(item, {}, "New Box");
}

void Session::new_tube(std::string const& name, int segments, int rings, double radius, double height)
{
    check_new_name(name);
    if (segments < 3)
        fail("a tube needs at least 3 segments");
    if (std::int64_t(segments) * (std::int64_t(rings) + 1) > (std::int64_t(1) << 31))
        fail("tube of " + std::to_string(segments) + " by " + std::to_string(rings) + " is too large");
    Component const item = new_mesh_item(name);
    make_tube(*teskar::mesh_of(item), segments, rings, radius, height);
    add_to_scene(item, {}, "New Tube");
}

void Session::load(std::string const& path, std::optional<std::string> const& name)
{
    FileType const type = file_type(path);
    std::string const item_name = name ? *name : std::filesystem::path(path).stem().string();
    check_new_name(item_name);
    Component const item = new_mesh_item(item_name);
    std::vector<Component> created;
    // Materials are found in the scene's library by name; missing ones are made here and join
    // the library with the item.
    Component const library = scene_->material_library();
    auto const material = [&](std::string const& material_name) {
        if (material_name.empty())
            return Component();
        for (Component const& m : teskar::item_of(library)->children())
            if (m["Name"].as_string().to_utf8() == material_name)
                return m;
        for (Component const& m : created)
            if (m["Name"].as_string().to_utf8() == material_name)
                return m;
        Component m = Component::create("Material");
        m["Name"].set_value(String(material_name), false);
        created.push_back(m);
        return m;
    };
    std::string error;
    if (type == FileType::Obj) {
        if (!read_obj_file(path, *teskar::mesh_of(item), material, error))
            fail(error);
        add_to_scene(item, created, "Load OBJ");
        return;
    }
    // Mesh text is read leniently: past its first word, a text that breaks off or holds entries
    // that do not fit loads what it can, with a warning.
    std::string warning;
    if (!read_mesh_file(path, *teskar::mesh_of(item), material, error, warning))
        fail(error);
    if (!warning.empty())
        warning_(warning);
    add_to_scene(item, created, "Load Mesh");
}

void Session::save(std::string const& path, std::optional<std::string> const& name) const
{
    FileType const type = file_type(path);
    Component const item = name ? find_item(*name) : first_selected();
    teskar::Mesh const& mesh = shown_mesh_of(item);
    std::string error;
    if (type == FileType::Obj ? !write_obj_file(path, mesh, name_of(item), error) : !write_mesh_file(path, mesh, error))
        fail(error);
}

void Session::select_items(std::vector<std::string> const& names)
{
    ComponentList chosen;
    for (std::string const& name : names)
        chosen.push_back(find_item(name));
    teskar::ImplicitTransaction const transaction{String("Select Items")};
    scene_->clear_selection();
    for (Component const& item : chosen)
        scene_->select(item);
}

void Session::set_mode(int mode)
{
    teskar::ImplicitTransaction const transaction{String("Selection Mode")};
    set_selection_mode(mode);
}

void Session::select_whole(bool on, bool all)
{
    bool const value = on && all;
    if (!on && !all)
        return;
    std::string const step = !on ? "Deselect All" : value ? "Select All" : "Select None";
    int const mode = selection_mode();
    if (mode == kSelectItems) {
        // Items already selected keep their place; the others follow in tree order.
        teskar::ImplicitTransaction const transaction{String(step)};
        if (!value)
            scene_->clear_selection();
        else
            for (Component const& item : scene_->items()) {
                std::string_view const kind = teskar::item_of(item)->kind();
                if (kind != "MaterialLibrary" && kind != "Material")
                    scene_->select(item);
            }
        return;
    }
    teskar::Mesh& mesh = mesh_of(first_selected());
    teskar::ImplicitTransaction const transaction{String(step)};
    mesh.select_all(mode, value);
}

void Session::select_points(std::vector<Index> const& indices, bool on) { select_elements(indices, true, on); }

void Session::select_polygons(std::vector<Index> const& indices, bool on) { select_elements(indices, false, on); }

void Session::select_elements(std::vector<Index> const& indices, bool points, bool on)
{
    Component const item = first_selected();
    teskar::Mesh& mesh = mesh_of(item);
    for (Index i : indices)
        if (points ? !mesh.point_exists(i) : !mesh.polygon_exists(i))
            fail(std::string("no ") + (points ? "point " : "polygon ") + std::to_string(i) + " in " +
                 quoted(name_of(item)));
    std::string const verb = on ? "Select" : "Deselect";
    teskar::ImplicitTransaction const transaction{String(verb + (points ? " Points" : " Polygons"))};
    for (Index i : indices) {
        if (points)
            mesh.set_point_selection(i, on);
        else
            mesh.set_polygon_selection(i, on);
    }
}

void Session::select_edges(std::vector<VertexPair> const& edges, bool on)
{
    Component const item = first_selected();
    teskar::Mesh& mesh = mesh_of(item);
    for (VertexPair const& e : edges)
        if (!mesh.edge_exists(e))
            fail("no edge (" + std::to_string(e.v1) + "," + std::to_string(e.v2) + ") in " + quoted(name_of(item)));
    teskar::ImplicitTransaction const transaction{String(on ? "Select Edges" : "Deselect Edges")};
    for (VertexPair const& e : edges)
        mesh.set_edge_selection(e, on);
}

void Session::click_select(double x, double y, bool shift, bool ctrl)
{
    set_pointer(x, y);
    Component const picking = Component::create("Picking");
    PickRecord pick;
    if (!get_interface<PickingInterface>(picking)->pick(ViewportPoint(viewport_, x, y), pick) || !pick.valid())
        pick = PickRecord();
    int const mode = selection_mode();
    if (pick.valid() && mode != kSelectItems && !teskar::mesh_of(pick.item))
        pick = PickRecord();
    if (!pick.valid() && (shift || ctrl))
        return;
    teskar::ImplicitTransaction const transaction{String("Click Select")};
    if (mode == kSelectItems)
        click_item(pick.item, shift, ctrl);
    else
        click_element(pick, mode, shift, ctrl);
}

// item may be null: a miss.
void Session::click_item(Component const& item, bool shift, bool ctrl)
{
    bool const selected = item && scene_->is_selected(item);
    if (ctrl || (shift && selected)) {
        scene_->deselect(item);
        return;
    }
    if (!shift)
        scene_->clear_selection();
    if (item)
        scene_->select(item);
}

void Session::clear_elements(int mode)
{
    for (Component const& item : scene_->items())
        if (teskar::Mesh* mesh = teskar::mesh_of(item))
            mesh->select_all(mode, false);
}

void Session::click_element(PickRecord const& pick, int mode, bool shift, bool ctrl)
{
    if (!shift && !ctrl)
        clear_elements(mode);
    if (!pick.valid())
        return;
    teskar::Mesh& mesh = *teskar::mesh_of(pick.item);
    bool const selected = mode == kSelectPoints ? mesh.point_selected(pick.vertex)
                        : mode == kSelectEdges  ? mesh.selected_edges().contains(pick.edge)
                                                : mesh.polygon_selected(pick.polygon);
    bool const on = !ctrl && !(shift && selected);
    if (mode == kSelectPoints)
        mesh.set_point_selection(pick.vertex, on);
    else if (mode == kSelectEdges)
        mesh.set_edge_selection(pick.edge, on);
    else
        mesh.set_polygon_selection(pick.polygon, on);
    if (on && !scene_->is_selected(pick.item))
        scene_->select(pick.item);
}

Component Session::command(std::string const& name) const
{
    Component const command = Component::create(String(name));
    if (!command)
        fail("unknown component " + quoted(name));
    if (!get_interface<CommandInterface>(command))
        fail(quoted(name) + " cannot be run");
    return command;
}

void Session::run_command(Component const& command, std::vector<Assignment> const& assignments)
{
    for (Assignment const& a : assignments)
        assign(command, a, type_of(command), false);
    // A failed command leaves nothing behind, and the undo and redo lists as they were.
    teskar::ScopedStep step(teskar::step_name(command));
    if (!VORNSDK::execute(command)) {
        step.roll_back();
        fail(type_of(command) + " failed");
    }
}

Component Session::tool(std::string const& name) const
{
    auto const* type = teskar::Kernel::instance().registry().find(String(name));
    if (!type)
        fail("unknown component " + quoted(name));
    Component const tool = Component::create(String(name));
    if (!type->is_interactive_tool() || !get_interface<InteractiveToolInterface>(tool))
        fail(quoted(name) + " is not an interactive tool");
    int const mode = teskar::Kernel::instance().selection_mode();
    if (!type->offered(FilterContext{scene_component_, mode}))
        fail(quoted(name) + " is not offered in " + mode_name(mode) + " mode with this selection");
    return tool;
}

void Session::activate_tool(Component const& tool, std::vector<Assignment> const& assignments)
{
    for (Assignment const& a : assignments)
        assign(tool, a, type_of(tool), false);
    held_button_ = -1;
    teskar::RollBackOnThrow const guard;
    if (!VORNSDK::activate_tool(tool) || teskar::ToolHandler::instance().active_tool() != tool)
        fail(type_of(tool) + " could not be activated");
}

void Session::drop_tool()
{
    active_tool();
    held_button_ = -1;
    teskar::RollBackOnThrow const guard;
    teskar::deactivate_tool();
}

Component Session::active_tool() const
{
    Component const tool = teskar::ToolHandler::instance().active_tool();
    if (!tool)
        fail("no tool is active (start one with 'tool NAME')");
    return tool;
}

void Session::set_tool_attributes(std::vector<Assignment> const& assignments)
{
    Component const tool = active_tool();
    // Every key is checked before any value is stored, as each store re-applies the tool.
    for (Assignment const& a : assignments)
        attribute_of(tool, a.key, type_of(tool));
    for (Assignment const& a : assignments) {
        teskar::RollBackOnThrow const guard;
        assign(tool, a, type_of(tool), true);
    }
}

Parameter Session::tool_attribute(std::string const& key) const
{
    Component const tool = active_tool();
    return attribute_of(tool, key, type_of(tool)).value();
}

void Session::hover(double x, double y, Modifiers modifiers)
{
    active_tool();
    if (held_button_ >= 0)
        fail("a button is held; use drag, or release it first");
    pointer_event(PointerEvent::Move, x, y, -1, modifiers);
}

void Session::press(double x, double y, std::optional<int> button, Modifiers modifiers)
{
    active_tool();
    if (held_button_ >= 0)
        fail("a button is held already; release it first");
    pointer_event(PointerEvent::Press, x, y, button.value_or(kButtonLeft), modifiers);
}

void Session::drag(double x, double y, Modifiers modifiers)
{
    active_tool();
    if (held_button_ < 0)
        fail("no button is held; press one first");
    pointer_event(PointerEvent::Move, x, y, held_button_, modifiers);
}

void Session::release(double x, double y, Modifiers modifiers)
{
    active_tool();
    if (held_button_ < 0)
        fail("no button is held; press one first");
    pointer_event(PointerEvent::Release, x, y, -1, modifiers);
}

// held: the button down during the event, the pressed one from its press until its release.
void Session::pointer_event(PointerEvent event, double x, double y, int held, Modifiers modifiers)
{
    InputDeviceState state;
    state.modifiers.set(kModifierShift, modifiers.shift);
    state.modifiers.set(kModifierCtrl, modifiers.ctrl);
    state.modifiers.set(kModifierAlt, modifiers.alt);
    for (int bit : {kButtonLeft, kButtonMiddle, kButtonRight})
        state.buttons.set(bit, bit == held);
    state.flags.set(kFlagConstrain, false);
    state.x = static_cast<float>(x);
    state.y = static_cast<float>(y);
    state.position_valid = kPositionXValid | kPositionYValid;
    state.viewport = viewport_;
    view().set_pointer(pixel(x), pixel(y));

    InteractiveToolInterface& t = tool_interface(active_tool());
    // A tool that throws from an event leaves the scene as it was before its open step.
    teskar::RollBackOnThrow const guard;
    if (event == PointerEvent::Press) {
        state.button = held;
        held_button_ = held;
        t.button_pressed(kEventNormal, state);
    } else if (event == PointerEvent::Release) {
        state.button = held_button_;
        held_button_ = -1;
        t.button_released(kEventNormal, state);
    } else {
        t.pointer_moved(kEventNormal, state);
    }
}

void Session::set_pointer(double x, double y) { view().set_pointer(pixel(x), pixel(y)); }

void Session::send_action(std::string const& action, bool released)
{
    InteractiveToolInterface& t = tool_interface(active_tool());
    teskar::RollBackOnThrow const guard;
    if (released)
        t.action_released(String(action));
    else
        t.action_pressed(String(action));
}

// Only the actions the tool's key bindings name: the tool ignores any other name, so a misspelt
// one would pass unnoticed.
void Session::action(std::string const& name, bool released)
{
    Component const tool = active_tool();
    std::string known;
    for (auto const& [action, key] : bindings(tool)) {
        if (action == name)
            return send_action(action, released);
        known += (known.empty() ? "" : ", ") + action;
    }
    fail(type_of(tool) + " has no action " + quoted(name) +
         (known.empty() ? std::string(" (it has no key bindings)") : " (known: " + known + ")"));
}

void Session::key(std::string const& key, bool released)
{
    Component const tool = active_tool();
    for (auto const& [action, bound] : bindings(tool))
        if (bound == key)
            return send_action(action, released);
    fail("no action of " + type_of(tool) + " is bound to the key " + quoted(key));
}

AttributePtr Session::preference(std::string const& key) const
{
    AttributePtr const attribute = app_node().attribute(String(key));
    if (!attribute.valid())
        fail("unknown preference " + quoted(key));
    return attribute;
}

void Session::set_preference(Assignment const& assignment)
{
    preference(assignment.key);
    assign(app_node(), assignment, "the application", true);
}

teskar::Viewport& Session::view() const { return *teskar::viewport_of(viewport_); }

teskar::Camera Session::camera() const { return view().camera(); }

void Session::set_viewport_size(int width, int height)
{
    if (width > kMaxPictureSide || height > kMaxPictureSide)
        fail("a viewport is at most " + std::to_string(kMaxPictureSide) + " pixels on a side");
    teskar::Camera camera = view().camera();
    camera.width = width;
    camera.height = height;
    set_camera(camera);
}

// The viewport refuses numbers that make no usable view; say why.
void Session::set_camera(teskar::Camera const& camera)
{
    if (std::string const problem = camera.problem(); !problem.empty())
        fail(problem);
    view().set_camera(camera);
}

void Session::render(std::string const& path, std::optional<std::pair<int, int>> size) const
{
    if (lower_extension(path) != ".png")
        fail("render writes .png files, not " + quoted(path));
    teskar::Camera camera = view().camera();
    if (size)
        std::tie(camera.width, camera.height) = *size;
    std::string error;
    if (!render_png(path, *scene_, camera, selection_mode(), teskar::ToolHandler::instance().active_tool(), error))
        fail(error);
}

void Session::undo(std::size_t n) { walk_history(true, n); }

void Session::redo(std::size_t n) { walk_history(false, n); }

void Session::walk_history(bool undo, std::size_t n)
{
    auto& history = teskar::UndoHistory::instance();
    std::size_t const available = undo ? history.undo_steps() : history.redo_steps();
    std::string const verb = undo ? "undo" : "redo";
    if (available == 0)
        fail("nothing to " + verb);
    if (n > available)
        fail("only " + std::to_string(available) + " step" + (available == 1 ? "" : "s") + " to " + verb);
    for (std::size_t k = 0; k < n; ++k)
        undo ? history.undo() : history.redo();
}

std::vector<nlohmann::ordered_json> Session::tree() const { return scene_items(*scene_); }

nlohmann::ordered_json Session::info(std::optional<std::string> const& name) const
{
    Component const item = name ? find_item(*name) : first_selected();
    return item_info(name_of(item), shown_mesh_of(item), selection_mode());
}

std::vector<std::string> Session::messages() const
{
    return teskar::Kernel::instance().messages();
}

std::string Session::clipboard() const { return teskar::Kernel::instance().clipboard().to_utf8(); }

} // namespace vorn
