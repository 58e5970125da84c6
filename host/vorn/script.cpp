#include "script.h"

#include "text_excerpt.h"
#include "text_numbers.h"

#include "listing.h"
#include "mesh_file.h"
#include "obj_io.h"
#include "primitives.h"
#include "render.h"
#include "scene_info.h"

#include "teskar/history.h"
#include "teskar/kernel.h"
#include "teskar/mesh_item.h"
#include "teskar/reference_item.h"
#include "teskar/scene.h"
#include "teskar/tool_handler.h"
#include "teskar/viewport.h"

#include "vornsdk/attribute.h"
#include "vornsdk/command.h"
#include "vornsdk/host.h"
#include "vornsdk/input.h"
#include "vornsdk/scene.h"
#include "vornsdk/tool.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <limits>
#include <map>
#include <stdexcept>
#include <string_view>

namespace vorn {

using namespace VORNSDK;

namespace {

// A statement that cannot run; the message becomes "NAME:LINE: message".
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(std::string const& message) { throw ScriptError(message); }

std::string quoted(std::string const& s) { return quoted_excerpt(s); }

int positive_int(std::string const& text, char const* what)
{
    int v = 0;
    if (!parse_number(text, v) || v < 1)
        fail(std::string(what) + " must be a positive integer, not " + quoted(text));
    return v;
}

double positive_double(std::string const& text, char const* what)
{
    double v = 0;
    if (!parse_number(text, v) || v <= 0)
        fail(std::string(what) + " must be a positive number, not " + quoted(text));
    return v;
}

// Numbers separated by commas, exactly count of them.
template <class T>
bool parse_numbers(std::string const& text, std::size_t count, std::vector<T>& out)
{
    std::string_view rest = text;
    for (std::size_t k = 0; k < count; ++k) {
        std::size_t const comma = rest.find(',');
        if ((comma == std::string_view::npos) != (k + 1 == count))
            return false;
        T v{};
        if (!parse_number(rest.substr(0, comma), v))
            return false;
        out.push_back(v);
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
    }
    return true;
}

// Splits KEY=VALUE at the first '='.
std::pair<std::string, std::string> key_value(std::string const& word)
{
    std::size_t const eq = word.find('=');
    if (eq == std::string::npos || eq == 0)
        fail("expected KEY=VALUE, not " + quoted(word));
    return {word.substr(0, eq), word.substr(eq + 1)};
}

// The file types that load and save know, by extension.
enum class FileType { Obj, Mesh };

FileType file_type(std::string const& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".obj")
        return FileType::Obj;
    if (ext == ".mesh")
        return FileType::Mesh;
    fail("unknown file type " + quoted(ext.empty() ? path : ext) + " (known: .obj, .mesh)");
}

// Sets the message sink for the run and removes it afterwards. Messages are diagnostics, shown
// as they come on the error stream; the messages statement prints them as data.
class MessageSink {
public:
    explicit MessageSink(std::ostream& err)
    {
        teskar::Kernel::instance().set_message_sink([&err](std::string const& m) { err << "message: " << m << '\n'; });
    }
    ~MessageSink() { teskar::Kernel::instance().set_message_sink(nullptr); }
    MessageSink(MessageSink const&) = delete;
    MessageSink& operator=(MessageSink const&) = delete;
};

class Interpreter {
public:
    Interpreter(std::ostream& out, std::ostream& err) : out_(out), err_(err)
    {
        auto& kernel = teskar::Kernel::instance();
        teskar::deactivate_tool();
        kernel.reset_session();
        teskar::UndoHistory::instance().clear();
        scene_component_ = teskar::new_scene();
        scene_ = teskar::scene_of(scene_component_);
        kernel.set_selection_mode(kSelectItems);
        viewport_ = Component::create("Viewport");
        teskar::set_active_viewport(viewport_);
    }

    // A tool still active at the end of the run is dropped, which ends its undo step.
    ~Interpreter() { teskar::deactivate_tool(); }

    Interpreter(Interpreter const&) = delete;
    Interpreter& operator=(Interpreter const&) = delete;

    void execute(std::vector<std::string> const& words)
    {
        using Handler = void (Interpreter::*)(std::vector<std::string> const&);
        static std::map<std::string, Handler> const statements = {
            {"new", &Interpreter::new_item},   {"load", &Interpreter::load},       {"save", &Interpreter::save},
            {"items", &Interpreter::items},    {"tree", &Interpreter::tree},       {"mode", &Interpreter::mode},
            {"select", &Interpreter::select},  {"deselect", &Interpreter::select}, {"run", &Interpreter::run},
            {"pref", &Interpreter::pref},
            {"undo", &Interpreter::undo_redo}, {"redo", &Interpreter::undo_redo}, {"echo", &Interpreter::echo},
            {"info", &Interpreter::info},      {"clipboard", &Interpreter::clipboard},
            {"viewport", &Interpreter::viewport}, {"camera", &Interpreter::camera},   {"tool", &Interpreter::tool},
            {"drop", &Interpreter::drop},      {"hover", &Interpreter::pointer},   {"press", &Interpreter::pointer},
            {"drag", &Interpreter::pointer},   {"release", &Interpreter::pointer}, {"action", &Interpreter::action},
            {"key", &Interpreter::key},        {"set", &Interpreter::set},         {"get", &Interpreter::get},
            {"render", &Interpreter::render},  {"messages", &Interpreter::messages},
            {"pointer", &Interpreter::pointer_position},
        };
        auto it = statements.find(words.front());
        if (it == statements.end())
            fail("unknown statement " + quoted(words.front()));
        (this->*it->second)(words);
    }

private:
    static void arity(std::vector<std::string> const& words, std::size_t least, std::size_t most, char const* usage)
    {
        if (words.size() < least || words.size() > most)
            fail(std::string("usage: ") + usage);
    }

    Component find_item(std::string const& name) const
    {
        Component item = scene_->find_item(String(name));
        if (!item)
            fail("no item named " + quoted(name));
        return item;
    }

    Component first_selected() const
    {
        if (scene_->selection().empty())
            fail("no item is selected");
        return scene_->selection().front();
    }

    static std::string name_of(Component const& item) { return teskar::item_of(item)->name().to_utf8(); }

    static teskar::Mesh& mesh_of(Component const& item)
    {
        teskar::Mesh* mesh = teskar::mesh_of(item);
        if (!mesh)
            fail("item " + quoted(name_of(item)) + " has no mesh");
        return *mesh;
    }

    // The mesh an item shows, for the statements that only read it: a reference item shows the
    // mesh of the item it refers to.
    static teskar::Mesh const& shown_mesh_of(Component const& item)
    {
        teskar::Mesh const* mesh = teskar::shown_mesh(item);
        if (!mesh)
            fail("item " + quoted(name_of(item)) + " has no mesh");
        return *mesh;
    }

    void check_new_name(std::string const& name) const
    {
        if (name.empty())
            fail("an item needs a name");
        if (scene_->find_item(String(name)))
            fail("an item named " + quoted(name) + " already exists");
    }

    static Component new_mesh_item(std::string const& name)
    {
        Component item = Component::create("SceneObject");
        item["Name"].set_value(String(name), false);
        return item;
    }

    // One undo step: the item (built beforehand, outside any transaction, so that its points are
    // not recorded one by one) enters the scene with the materials it brings, and becomes the
    // only selected item.
    void add_to_scene(Component const& item, std::vector<Component> const& materials, char const* step)
    {
        teskar::ImplicitTransaction const transaction{String(step)};
        Component const library = scene_->material_library();
        for (Component const& m : materials)
            teskar::item_of(library)->add_child(m);
        scene_->add_item(item);
        scene_->clear_selection();
        scene_->select(item);
    }

    void new_item(std::vector<std::string> const& w)
    {
        if (w.size() < 2)
            fail("usage: new grid|box|tube NAME ...");
        std::string const& shape = w[1];
        if (shape == "grid") {
            arity(w, 5, 6, "new grid NAME NX NY [SIZE]");
            check_new_name(w[2]);
            int const nx = positive_int(w[3], "NX"), ny = positive_int(w[4], "NY");
            double const size = w.size() > 5 ? positive_double(w[5], "SIZE") : 1.0;
            if ((std::int64_t(nx) + 1) * (std::int64_t(ny) + 1) > (std::int64_t(1) << 31))
                fail("grid of " + w[3] + " by " + w[4] + " is too large");
            Component const item = new_mesh_item(w[2]);
            make_grid(*teskar::mesh_of(item), nx, ny, size);
            add_to_scene(item, {}, "New Grid");
        } else if (shape == "box") {
            arity(w, 3, 4, "new box NAME [SIZE]");
            check_new_name(w[2]);
            double const size = w.size() > 3 ? positive_double(w[3], "SIZE") : 1.0;
            Component const item = new_mesh_item(w[2]);
            make_box(*teskar::mesh_of(item), size);
            add_to_scene(item, {}, "New Box");
        } else if (shape == "tube") {
            if (w.size() != 5 && w.size() != 7)
                fail("usage: new tube NAME SEGMENTS RINGS [RADIUS HEIGHT]");
            check_new_name(w[2]);
            int const segments = positive_int(w[3], "SEGMENTS"), rings = positive_int(w[4], "RINGS");
            if (segments < 3)
                fail("a tube needs at least 3 segments");
            double const radius = w.size() > 5 ? positive_double(w[5], "RADIUS") : 1.0;
            double const height = w.size() > 5 ? positive_double(w[6], "HEIGHT") : 1.0;
            if (std::int64_t(segments) * (std::int64_t(rings) + 1) > (std::int64_t(1) << 31))
                fail("tube of " + w[3] + " by " + w[4] + " is too large");
            Component const item = new_mesh_item(w[2]);
            make_tube(*teskar::mesh_of(item), segments, rings, radius, height);
            add_to_scene(item, {}, "New Tube");
        } else {
            fail("unknown shape " + quoted(shape) + " (known: grid, box, tube)");
        }
    }

    void load(std::vector<std::string> const& w)
    {
        arity(w, 2, 3, "load PATH [NAME]");
        std::string const& path = w[1];
        FileType const type = file_type(path);
        std::string const name = w.size() > 2 ? w[2] : std::filesystem::path(path).stem().string();
        check_new_name(name);
        Component const item = new_mesh_item(name);
        std::vector<Component> created;
        // Materials are found in the scene's library by name; missing ones are made here and
        // join the library with the item.
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
        } else {
            // Mesh text is read leniently: past its first word, a text that breaks off or holds
            // entries that do not fit loads what it can, with a warning.
            std::string warning;
            if (!read_mesh_file(path, *teskar::mesh_of(item), material, error, warning))
                fail(error);
            if (!warning.empty())
                err_ << "warning: " << warning << '\n';
            add_to_scene(item, created, "Load Mesh");
        }
    }

    void save(std::vector<std::string> const& w)
    {
        arity(w, 2, 3, "save PATH [NAME]");
        std::string const& path = w[1];
        FileType const type = file_type(path);
        Component const item = w.size() > 2 ? find_item(w[2]) : first_selected();
        teskar::Mesh const& mesh = shown_mesh_of(item);
        std::string error;
        if (type == FileType::Obj ? !write_obj_file(path, mesh, name_of(item), error)
                                  : !write_mesh_file(path, mesh, error))
            fail(error);
    }

    void clipboard(std::vector<std::string> const& w)
    {
        arity(w, 1, 1, "clipboard");
        out_ << teskar::Kernel::instance().clipboard().to_utf8() << '\n';
    }

    void tree(std::vector<std::string> const& w)
    {
        arity(w, 1, 1, "tree");
        for (auto const& line : scene_items(*scene_))
            out_ << line.dump() << '\n';
    }

    // With no names, no item stays selected.
    void items(std::vector<std::string> const& w)
    {
        ComponentList chosen;
        for (std::size_t k = 1; k < w.size(); ++k)
            chosen.push_back(find_item(w[k]));
        teskar::ImplicitTransaction const transaction{String("Select Items")};
        scene_->clear_selection();
        for (Component const& item : chosen)
            scene_->select(item);
    }

    static int parse_mode(std::string const& word)
    {
        for (int mode : {kSelectPoints, kSelectEdges, kSelectPolygons, kSelectItems})
            if (word == mode_name(mode))
                return mode;
        fail("unknown selection mode " + quoted(word) + " (known: points, edges, polygons, items)");
    }

    void mode(std::vector<std::string> const& w)
    {
        arity(w, 2, 2, "mode points|edges|polygons|items");
        int const mode = parse_mode(w[1]);
        teskar::ImplicitTransaction const transaction{String("Selection Mode")};
        set_selection_mode(mode);
    }

    static Index element_index(std::string const& text, char const* what)
    {
        Index i = 0;
        if (!parse_number(text, i))
            fail(std::string("bad ") + what + " index " + quoted(text));
        return i;
    }

    static VertexPair parse_edge(std::string const& text)
    {
        std::vector<Index> ends;
        if (text.size() < 2 || text.front() != '(' || text.back() != ')' ||
            !parse_numbers(text.substr(1, text.size() - 2), 2, ends))
            fail("bad edge " + quoted(text) + " (expected (A,B))");
        return {ends[0], ends[1]};
    }

    // select/deselect points I..., edges (A,B)..., polygons I..., all, none.
    void select(std::vector<std::string> const& w)
    {
        bool const on = w.front() == "select";
        std::string const usage = w.front() + " points I...|edges (A,B)...|polygons I...|all|none";
        if (w.size() < 2)
            fail("usage: " + usage);
        std::string const& what = w[1];
        std::string const verb = on ? "Select" : "Deselect";
        if (what == "all" || what == "none") {
            arity(w, 2, 2, usage.c_str());
            bool const value = on && what == "all";
            if (!on && what == "none")
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
            return;
        }
        if (w.size() < 3)
            fail("usage: " + usage);
        Component const item = first_selected();
        teskar::Mesh& mesh = mesh_of(item);
        std::string const in_item = " in " + quoted(name_of(item));
        if (what == "points" || what == "polygons") {
            bool const points = what == "points";
            std::vector<Index> indices;
            for (std::size_t k = 2; k < w.size(); ++k) {
                Index const i = element_index(w[k], points ? "point" : "polygon");
                if (points ? !mesh.point_exists(i) : !mesh.polygon_exists(i))
                    fail(std::string("no ") + (points ? "point " : "polygon ") + w[k] + in_item);
                indices.push_back(i);
            }
            teskar::ImplicitTransaction const transaction{String(verb + (points ? " Points" : " Polygons"))};
            for (Index i : indices) {
                if (points)
                    mesh.set_point_selection(i, on);
                else
                    mesh.set_polygon_selection(i, on);
            }
        } else if (what == "edges") {
            std::vector<VertexPair> edges;
            for (std::size_t k = 2; k < w.size(); ++k) {
                VertexPair const e = parse_edge(w[k]);
                if (!mesh.edge_exists(e))
                    fail("no edge " + w[k] + in_item);
                edges.push_back(e);
            }
            teskar::ImplicitTransaction const transaction{String(verb + " Edges")};
            for (VertexPair const& e : edges)
                mesh.set_edge_selection(e, on);
        } else {
            fail("usage: " + usage);
        }
    }

    // The text of an attribute value read by the attribute's declared type.
    Parameter parse_value(Parameter::PType type, std::string const& key, std::string const& text) const
    {
        auto const bad = [&]() -> Parameter {
            fail("bad value " + quoted(text) + " for " + key + " (expected " + ptype_name(type) + ")");
        };
        switch (type) {
        case Parameter::PT_BOOL:
            if (text == "true" || text == "false")
                return Parameter(text == "true");
            return bad();
        case Parameter::PT_INT: {
            int v = 0;
            return parse_number(text, v) ? Parameter(v) : bad();
        }
        case Parameter::PT_DOUBLE: {
            double v = 0;
            return parse_number(text, v) ? Parameter(v) : bad();
        }
        case Parameter::PT_STRING: return Parameter(String(text));
        case Parameter::PT_VECTOR3I: {
            std::vector<int> v;
            return parse_numbers(text, 3, v) ? Parameter(Vector3i{v[0], v[1], v[2]}) : bad();
        }
        case Parameter::PT_VECTOR3D: {
            std::vector<double> v;
            return parse_numbers(text, 3, v) ? Parameter(Vector3d{v[0], v[1], v[2]}) : bad();
        }
        case Parameter::PT_VECTOR4F: {
            std::vector<float> v;
            return parse_numbers(text, 4, v) ? Parameter(Vector4f{v[0], v[1], v[2], v[3]}) : bad();
        }
        case Parameter::PT_MATRIX4D: {
            std::vector<double> v;
            if (!parse_numbers(text, 16, v))
                return bad();
            Matrix4d m;
            std::copy(v.begin(), v.end(), m.m);
            return Parameter(m);
        }
        case Parameter::PT_REFERENCE:
            // An item of the scene by name, or the run's viewport; an empty value clears the reference.
            if (text == "@viewport")
                return Parameter(StrongReference{viewport_});
            return text.empty() ? Parameter() : Parameter(StrongReference{find_item(text)});
        case Parameter::PT_LIST: {
            // Points X,Y,Z separated by semicolons (a stored lasso outline); empty for none.
            ParameterList list;
            std::string_view rest = text;
            while (!rest.empty()) {
                std::size_t const end = std::min(rest.find(';'), rest.size());
                std::vector<double> v;
                if (!parse_numbers(std::string(rest.substr(0, end)), 3, v))
                    return bad();
                list.add(Parameter(Vector3d{v[0], v[1], v[2]}));
                rest.remove_prefix(end == rest.size() ? end : end + 1);
            }
            return Parameter(list);
        }
        default:
            fail(key + " has type " + ptype_name(type) + ", which scripts cannot set");
        }
    }

    // A component's attribute by name; what names the component in messages.
    static AttributePtr attribute_of(Component const& c, std::string const& key, std::string const& what)
    {
        AttributePtr const attribute = c.attribute(String(key));
        if (!attribute.valid())
            fail(what + " has no attribute " + quoted(key));
        return attribute;
    }

    struct Assignment {
        AttributePtr attribute;
        Parameter value;
        std::string key, text;
    };

    // Reads KEY=VALUE for an attribute of the component.
    Assignment parse_assignment(Component const& c, std::string const& word, std::string const& what) const
    {
        auto const [key, text] = key_value(word);
        AttributePtr const attribute = attribute_of(c, key, what);
        return {attribute, parse_value(attribute.type(), key, text), key, text};
    }

    static void assign(Assignment const& a, bool notify)
    {
        if (!a.attribute.set_value(a.value, notify).ok())
            fail("cannot set " + a.key + " to " + quoted(a.text));
    }

    // Parses and stores KEY=VALUE into a component's attribute; what names the component in messages.
    void set_attribute(Component const& c, std::string const& word, std::string const& what, bool notify) const
    {
        assign(parse_assignment(c, word, what), notify);
    }

    void run(std::vector<std::string> const& w)
    {
        if (w.size() < 2)
            fail("usage: run NAME [KEY=VALUE...]");
        std::string const& name = w[1];
        Component const command = Component::create(String(name));
        if (!command)
            fail("unknown component " + quoted(name));
        if (!get_interface<CommandInterface>(command))
            fail(quoted(name) + " cannot be run");
        // The command reads its attributes when it executes. They are stored without notifying
        // its listener, which for an interactive tool would re-apply the edit on every change.
        for (std::size_t k = 2; k < w.size(); ++k)
            set_attribute(command, w[k], quoted(name), false);
        // A failed command leaves nothing behind, and the undo and redo lists as they were.
        teskar::ScopedStep step(teskar::step_name(command));
        if (!VORNSDK::execute(command)) {
            step.roll_back();
            fail(quoted(name) + " failed");
        }
    }

    void pref(std::vector<std::string> const& w)
    {
        arity(w, 2, 2, "pref KEY=VALUE");
        Component const app = app_node();
        std::string const key = key_value(w[1]).first;
        if (!app.attribute(String(key)).valid())
            fail("unknown preference " + quoted(key));
        set_attribute(app, w[1], "the application", true);
    }

    void undo_redo(std::vector<std::string> const& w)
    {
        bool const undo = w.front() == "undo";
        arity(w, 1, 2, undo ? "undo [N]" : "redo [N]");
        std::size_t const n = w.size() > 1 ? static_cast<std::size_t>(positive_int(w[1], "N")) : 1;
        auto& history = teskar::UndoHistory::instance();
        std::size_t const available = undo ? history.undo_steps() : history.redo_steps();
        if (available == 0)
            fail(std::string("nothing to ") + w.front());
        if (n > available)
            fail("only " + std::to_string(available) + " step" + (available == 1 ? "" : "s") + " to " + w.front());
        for (std::size_t k = 0; k < n; ++k)
            undo ? history.undo() : history.redo();
    }

    void echo(std::vector<std::string> const& w)
    {
        for (std::size_t k = 1; k < w.size(); ++k)
            out_ << (k > 1 ? " " : "") << w[k];
        out_ << '\n';
    }

    void info(std::vector<std::string> const& w)
    {
        arity(w, 1, 2, "info [NAME]");
        Component const item = w.size() > 1 ? find_item(w[1]) : first_selected();
        out_ << item_info(name_of(item), shown_mesh_of(item), selection_mode()).dump() << '\n';
    }

    // Viewport and camera.

    static double number(std::string const& text, char const* what)
    {
        double v = 0;
        if (!parse_number(text, v))
            fail(std::string("bad ") + what + " " + quoted(text));
        return v;
    }

    static Vector3d vector_at(std::vector<std::string> const& w, std::size_t k, char const* what)
    {
        if (k + 3 > w.size())
            fail(std::string(what) + " needs three numbers");
        return {number(w[k], what), number(w[k + 1], what), number(w[k + 2], what)};
    }

    teskar::Viewport& view() const { return *teskar::viewport_of(viewport_); }

    void viewport(std::vector<std::string> const& w)
    {
        arity(w, 3, 3, "viewport W H");
        int const width = positive_int(w[1], "W"), height = positive_int(w[2], "H");
        if (width > kMaxPictureSide || height > kMaxPictureSide)
            fail("a viewport is at most " + std::to_string(kMaxPictureSide) + " pixels on a side");
        teskar::Camera camera = view().camera();
        camera.width = width;
        camera.height = height;
        use_camera(camera);
    }

    // The viewport refuses numbers that make no usable view; say why.
    void use_camera(teskar::Camera const& camera) const
    {
        if (std::string const problem = camera.problem(); !problem.empty())
            fail(problem);
        view().set_camera(camera);
    }

    // camera EX EY EZ TX TY TZ [up UX UY UZ] [fov DEGREES | ortho HEIGHT]
    void camera(std::vector<std::string> const& w)
    {
        static char const* const usage = "camera EX EY EZ TX TY TZ [up UX UY UZ] [fov DEGREES | ortho HEIGHT]";
        if (w.size() < 7)
            fail(std::string("usage: ") + usage);
        teskar::Camera camera = view().camera();
        camera.eye = vector_at(w, 1, "eye coordinate");
        camera.target = vector_at(w, 4, "target coordinate");
        camera.up = {0, 1, 0};
        camera.orthographic = false;
        camera.fov_degrees = 45;
        bool seen_up = false, seen_lens = false;
        for (std::size_t k = 7; k < w.size();) {
            if (w[k] == "up" && !seen_up) {
                camera.up = vector_at(w, k + 1, "up coordinate");
                seen_up = true;
                k += 4;
            } else if ((w[k] == "fov" || w[k] == "ortho") && !seen_lens && k + 1 < w.size()) {
                camera.orthographic = w[k] == "ortho";
                if (camera.orthographic)
                    camera.view_height = positive_double(w[k + 1], "HEIGHT");
                else
                    camera.fov_degrees = number(w[k + 1], "field of view");
                seen_lens = true;
                k += 2;
            } else {
                fail(std::string("usage: ") + usage);
            }
        }
        use_camera(camera);
    }

    // Tools and their events.

    static Component active_tool()
    {
        Component const tool = teskar::ToolHandler::instance().active_tool();
        if (!tool)
            fail("no tool is active (start one with 'tool NAME')");
        return tool;
    }

    static InteractiveToolInterface& tool_interface(Component const& tool)
    {
        return *get_interface<InteractiveToolInterface>(tool);
    }

    void tool(std::vector<std::string> const& w)
    {
        if (w.size() < 2)
            fail("usage: tool NAME [KEY=VALUE...]");
        std::string const& name = w[1];
        auto const* type = teskar::Kernel::instance().registry().find(String(name));
        if (!type)
            fail("unknown component " + quoted(name));
        Component const tool = Component::create(String(name));
        if (!type->is_interactive_tool() || !get_interface<InteractiveToolInterface>(tool))
            fail(quoted(name) + " is not an interactive tool");
        int const mode = teskar::Kernel::instance().selection_mode();
        if (!type->offered(FilterContext{scene_component_, mode}))
            fail(quoted(name) + " is not offered in " + mode_name(mode) + " mode with this selection");
        // As for run: the values are in place before the tool starts, without re-applying.
        std::vector<Assignment> assignments;
        for (std::size_t k = 2; k < w.size(); ++k)
            assignments.push_back(parse_assignment(tool, w[k], quoted(name)));
        for (Assignment const& a : assignments)
            assign(a, false);
        held_button_ = -1;
        teskar::RollBackOnThrow const guard;
        if (!activate_tool(tool) || teskar::ToolHandler::instance().active_tool() != tool)
            fail(quoted(name) + " could not be activated");
    }

    void drop(std::vector<std::string> const& w)
    {
        arity(w, 1, 1, "drop");
        active_tool();
        held_button_ = -1;
        teskar::RollBackOnThrow const guard;
        teskar::deactivate_tool();
    }

    // The modifier keys named by the words, as an event's modifier set.
    static bool modifier(std::string const& word, BitPair& modifiers)
    {
        static std::pair<char const*, int> const names[] = {
            {"shift", kModifierShift}, {"ctrl", kModifierCtrl}, {"alt", kModifierAlt}};
        for (auto const& [n, bit] : names)
            if (word == n) {
                modifiers.set(bit, true);
                return true;
            }
        return false;
    }

    static int button_code(std::string const& word)
    {
        if (word == "left")
            return kButtonLeft;
        if (word == "middle")
            return kButtonMiddle;
        if (word == "right")
            return kButtonRight;
        return -1;
    }

    // Events carry the pointer position in floats.
    static double event_coordinate(std::string const& text, char const* what)
    {
        double const v = number(text, what);
        if (std::abs(v) > std::numeric_limits<float>::max())
            fail(std::string(what) + " " + quoted(text) + " is too large for a pointer event");
        return v;
    }

    // A pointer coordinate as the viewport keeps it: whole pixels.
    static int pixel(double v) { return static_cast<int>(std::lround(std::clamp(v, -1e9, 1e9))); }

    // The viewport's pointer position, which commands that act under the pointer read; no event.
    void pointer_position(std::vector<std::string> const& w)
    {
        arity(w, 3, 3, "pointer X Y");
        double const x = number(w[1], "X coordinate"), y = number(w[2], "Y coordinate");
        view().set_pointer(pixel(x), pixel(y));
    }

    // hover X Y [MODS], press X Y [BUTTON] [MODS], drag X Y [MODS], release X Y [MODS]
    void pointer(std::vector<std::string> const& w)
    {
        std::string const& verb = w.front();
        bool const press = verb == "press";
        std::string const usage = verb + " X Y " + (press ? "[left|middle|right] " : "") + "[shift] [ctrl] [alt]";
        if (w.size() < 3)
            fail("usage: " + usage);
        Component const tool = active_tool();
        double const x = event_coordinate(w[1], "X coordinate"), y = event_coordinate(w[2], "Y coordinate");
        InputDeviceState state;
        for (int bit : {kModifierShift, kModifierCtrl, kModifierAlt})
            state.modifiers.set(bit, false);
        int button = -1;
        for (std::size_t k = 3; k < w.size(); ++k) {
            if (modifier(w[k], state.modifiers))
                continue;
            if (press && button < 0 && button_code(w[k]) >= 0) {
                button = button_code(w[k]);
                continue;
            }
            fail("unknown modifier " + quoted(w[k]) + " (known: " + (press ? "left, middle, right, " : "") +
                 "shift, ctrl, alt)");
        }
        if (press && held_button_ >= 0)
            fail("a button is held already; release it first");
        if (verb == "hover" && held_button_ >= 0)
            fail("a button is held; use drag, or release it first");
        if ((verb == "drag" || verb == "release") && held_button_ < 0)
            fail("no button is held; press one first");

        // Which buttons are down during the event: the pressed one from its press until its release.
        int const held = press ? (button < 0 ? kButtonLeft : button) : verb == "drag" ? held_button_ : -1;
        for (int bit : {kButtonLeft, kButtonMiddle, kButtonRight})
            state.buttons.set(bit, bit == held);
        state.flags.set(kFlagConstrain, false);
        state.x = static_cast<float>(x);
        state.y = static_cast<float>(y);
        state.position_valid = kPositionXValid | kPositionYValid;
        state.viewport = viewport_;
        view().set_pointer(pixel(x), pixel(y));

        InteractiveToolInterface& t = tool_interface(tool);
        // A tool that throws from an event leaves the scene as it was before its open step.
        teskar::RollBackOnThrow const guard;
        if (press) {
            state.button = held;
            held_button_ = held;
            t.button_pressed(kEventNormal, state);
        } else if (verb == "release") {
            state.button = held_button_;
            held_button_ = -1;
            t.button_released(kEventNormal, state);
        } else {
            t.pointer_moved(kEventNormal, state);
        }
    }

    static void send_action(InteractiveToolInterface& t, String const& action, bool release)
    {
        teskar::RollBackOnThrow const guard;
        if (release)
            t.action_released(action);
        else
            t.action_pressed(action);
    }

    static bool release_word(std::vector<std::string> const& w, char const* usage)
    {
        arity(w, 2, 3, usage);
        if (w.size() == 3 && w[2] != "release")
            fail(std::string("usage: ") + usage);
        return w.size() == 3;
    }

    // The tool's default key bindings as (action, key) pairs; each entry is ("", action, key, trigger).
    static std::vector<std::pair<std::string, std::string>> bindings(Component const& tool)
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

    // Only the actions the tool's key bindings name: the tool ignores any other name, so a
    // misspelt one would pass unnoticed.
    void action(std::vector<std::string> const& w)
    {
        bool const release = release_word(w, "action NAME [release]");
        Component const tool = active_tool();
        std::string known;
        for (auto const& [action, key] : bindings(tool)) {
            if (action == w[1]) {
                send_action(tool_interface(tool), String(action), release);
                return;
            }
            known += (known.empty() ? "" : ", ") + action;
        }
        fail(quoted(tool.component_type().to_utf8()) + " has no action " + quoted(w[1]) +
             (known.empty() ? std::string(" (it has no key bindings)") : " (known: " + known + ")"));
    }

    void key(std::vector<std::string> const& w)
    {
        bool const release = release_word(w, "key KEY [release]");
        Component const tool = active_tool();
        for (auto const& [action, key] : bindings(tool))
            if (key == w[1]) {
                send_action(tool_interface(tool), String(action), release);
                return;
            }
        fail("no action of " + quoted(tool.component_type().to_utf8()) + " is bound to the key " + quoted(w[1]));
    }

    // Every value is read before any is stored; each store notifies the tool, which re-applies.
    void set(std::vector<std::string> const& w)
    {
        if (w.size() < 2)
            fail("usage: set KEY=VALUE...");
        Component const tool = active_tool();
        std::string const what = quoted(tool.component_type().to_utf8());
        std::vector<Assignment> assignments;
        for (std::size_t k = 1; k < w.size(); ++k)
            assignments.push_back(parse_assignment(tool, w[k], what));
        for (Assignment const& a : assignments) {
            teskar::RollBackOnThrow const guard;
            assign(a, true);
        }
    }

    void get(std::vector<std::string> const& w)
    {
        arity(w, 2, 2, "get KEY");
        Component const tool = active_tool();
        AttributePtr const attribute = attribute_of(tool, w[1], quoted(tool.component_type().to_utf8()));
        out_ << w[1] << '=' << to_text(attribute.value()) << '\n';
    }

    void render(std::vector<std::string> const& w)
    {
        if (w.size() != 2 && w.size() != 4)
            fail("usage: render PATH.png [W H]");
        std::string ext = std::filesystem::path(w[1]).extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (ext != ".png")
            fail("render writes .png files, not " + quoted(w[1]));
        teskar::Camera camera = view().camera();
        if (w.size() == 4) {
            camera.width = positive_int(w[2], "W");
            camera.height = positive_int(w[3], "H");
        }
        std::string error;
        if (!render_png(w[1], *scene_, camera, selection_mode(), teskar::ToolHandler::instance().active_tool(), error))
            fail(error);
    }

    void messages(std::vector<std::string> const& w)
    {
        arity(w, 1, 1, "messages");
        for (std::string const& m : teskar::Kernel::instance().messages())
            out_ << m << '\n';
    }

    // Statements print their data on out and warnings on err.
    std::ostream& out_;
    std::ostream& err_;
    Component scene_component_;
    teskar::Scene* scene_ = nullptr;
    Component viewport_;
    // The button held since a press, or -1.
    int held_button_ = -1;
};

} // namespace

std::vector<std::string> split_words(std::string const& line)
{
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, in_quotes = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char const c = line[i];
        if (c == '\\') {
            if (i + 1 == line.size())
                throw std::invalid_argument("backslash at the end of the line");
            word += line[++i];
            in_word = true;
        } else if (in_quotes) {
            if (c == '"')
                in_quotes = false;
            else
                word += c;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (in_word)
                words.push_back(std::move(word));
            word.clear();
            in_word = false;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            in_quotes = in_word = true;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_quotes)
        throw std::invalid_argument("unterminated quote");
    if (in_word)
        words.push_back(std::move(word));
    return words;
}

// The sink is made first, so that it outlives the interpreter, whose end may still show messages.
struct ScriptSession::State {
    State(std::ostream& out, std::ostream& err) : sink(err), interpreter(out, err) {}
    MessageSink sink;
    Interpreter interpreter;
};

ScriptSession::ScriptSession(std::ostream& out, std::ostream& err) : state_(std::make_unique<State>(out, err)) {}

ScriptSession::~ScriptSession() = default;

void ScriptSession::run_line(std::string const& line)
{
    std::vector<std::string> const words = split_words(line);
    if (!words.empty())
        state_->interpreter.execute(words);
}

int run_script(std::istream& in, std::string const& name, std::ostream& out, std::ostream& err, bool timings)
{
    ScriptSession session(out, err);
    std::string line;
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        // Editors that save UTF-8 with a byte-order mark put it before the first statement.
        if (number == 1 && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3);
        auto const start = std::chrono::steady_clock::now();
        try {
            session.run_line(line);
        } catch (std::exception const& e) {
            out.flush();
            err << name << ':' << number << ": " << e.what() << '\n';
            return 1;
        }
        if (timings && !split_words(line).empty()) {
            double const ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            err << name << ':' << number << ": " << std::fixed << std::setprecision(3) << ms << " ms: " << line << '\n';
            err.unsetf(std::ios::floatfield);
        }
    }
    if (in.bad()) {
        err << name << ": cannot read the script\n";
        return 1;
    }
    return 0;
}

int run_script_file(std::string const& path, std::ostream& out, std::ostream& err, bool timings)
{
    if (path == "-")
        return run_script(std::cin, "<stdin>", out, err, timings);
    std::ifstream in(path);
    if (!in) {
        err << "vorn: cannot read script " << quoted(path) << '\n';
        return 1;
    }
    return run_script(in, path, out, err, timings);
}

} // namespace vorn
