#include "serve_protocol.h"

#include "geometry_frame.h"
#include "listing.h"
#include "render.h"
#include "scene_info.h"
#include "statement_words.h"

#include "teskar/history.h"
#include "teskar/kernel.h"
#include "teskar/mesh_item.h"
#include "teskar/reference_item.h"
#include "teskar/tool_handler.h"

#include "vornsdk/input.h"
#include "vornsdk/scene.h"

#include <chrono>
#include <cmath>
#include <fstream>
#include <random>

namespace vorn {

using namespace VORNSDK;
using Json = nlohmann::json;
using Reply = nlohmann::ordered_json;

namespace {

// A request that does not read: a missing or mistyped field, an unknown value.
struct RequestError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void refuse(std::string const& message) { throw RequestError(message); }

Json const* field(Json const& r, char const* key)
{
    auto const it = r.find(key);
    return it == r.end() ? nullptr : &*it;
}

std::string string_field(Json const& r, char const* key)
{
    Json const* v = field(r, key);
    if (!v || !v->is_string())
        refuse(std::string("field '") + key + "' must be a string");
    return v->get<std::string>();
}

std::optional<std::string> optional_string(Json const& r, char const* key)
{
    if (!field(r, key))
        return std::nullopt;
    return string_field(r, key);
}

double number_field(Json const& r, char const* key, std::optional<double> fallback = std::nullopt)
{
    Json const* v = field(r, key);
    if (!v && fallback)
        return *fallback;
    if (!v || !v->is_number() || !std::isfinite(v->get<double>()))
        refuse(std::string("field '") + key + "' must be a number");
    return v->get<double>();
}

int int_field(Json const& r, char const* key, std::optional<int> fallback = std::nullopt)
{
    Json const* v = field(r, key);
    if (!v && fallback)
        return *fallback;
    if (!v || !v->is_number_integer() || v->get<std::int64_t>() < std::numeric_limits<int>::min() ||
        v->get<std::int64_t>() > std::numeric_limits<int>::max())
        refuse(std::string("field '") + key + "' must be an integer");
    return v->get<int>();
}

bool bool_field(Json const& r, char const* key)
{
    Json const* v = field(r, key);
    if (!v)
        return false;
    if (!v->is_boolean())
        refuse(std::string("field '") + key + "' must be true or false");
    return v->get<bool>();
}

int positive_field(Json const& r, char const* key, int fallback)
{
    int const v = int_field(r, key, fallback);
    if (v <= 0)
        refuse(std::string("field '") + key + "' must be positive");
    return v;
}

double positive_number(Json const& r, char const* key, double fallback)
{
    double const v = number_field(r, key, fallback);
    if (v <= 0)
        refuse(std::string("field '") + key + "' must be positive");
    return v;
}

Vector3d vector_field(Json const& r, char const* key)
{
    Json const* v = field(r, key);
    if (!v || !v->is_array() || v->size() != 3)
        refuse(std::string("field '") + key + "' must be an array of three numbers");
    double xyz[3];
    for (std::size_t k = 0; k < 3; ++k) {
        if (!(*v)[k].is_number())
            refuse(std::string("field '") + key + "' must be an array of three numbers");
        xyz[k] = (*v)[k].get<double>();
    }
    return {xyz[0], xyz[1], xyz[2]};
}

int mode_of(std::string const& name)
{
    for (int mode : {kSelectPoints, kSelectEdges, kSelectPolygons, kSelectItems})
        if (name == mode_name(mode))
            return mode;
    refuse("unknown selection mode '" + name + "' (known: points, edges, polygons, items)");
}

// A JSON value as the text a script gives an attribute, so that the script's reader types it
// and the recorded statement holds the same words: numbers as they are, arrays of numbers joined
// by commas, arrays of such arrays by semicolons.
std::string number_word(Json const& v, std::string const& key)
{
    if (!v.is_number())
        refuse("bad value " + v.dump() + " for " + key);
    return v.is_number_integer() ? std::to_string(v.get<std::int64_t>()) : number_text(v.get<double>());
}

std::string value_text(Json const& v, Parameter::PType type, std::string const& key)
{
    bool const textual = type == Parameter::PT_STRING || type == Parameter::PT_REFERENCE;
    if (textual != v.is_string())
        refuse("bad value " + v.dump() + " for " + key + " (expected " + ptype_name(type) + ")");
    if (v.is_string())
        return v.get<std::string>();
    if (v.is_boolean())
        return v.get<bool>() ? "true" : "false";
    if (!v.is_array())
        return number_word(v, key);
    std::string text;
    for (Json const& e : v) {
        bool const nested = e.is_array();
        if (!text.empty())
            text += nested ? ';' : ',';
        if (!nested) {
            text += number_word(e, key);
            continue;
        }
        for (std::size_t k = 0; k < e.size(); ++k)
            text += (k ? "," : "") + number_word(e[k], key);
    }
    return text;
}

Json const& values_field(Json const& r, bool required)
{
    static Json const none = Json::object();
    Json const* v = field(r, "values");
    if (!v) {
        if (required)
            refuse("field 'values' must be an object");
        return none;
    }
    if (!v->is_object())
        refuse("field 'values' must be an object");
    return *v;
}

Reply color_json(Vector4f const& c) { return Reply::array({c.x, c.y, c.z, c.w}); }

Reply point_json(Vector3d const& p) { return Reply::array({p.x, p.y, p.z}); }

// Each of the kernel's registered components that a module brought.
std::vector<teskar::ComponentType const*> module_types()
{
    std::vector<teskar::ComponentType const*> out;
    for (auto const* type : teskar::Kernel::instance().registry().all())
        if (type->origin != teskar::kHostOrigin && (type->is_command() || type->is_interactive_tool()))
            out.push_back(type);
    return out;
}

std::string item_name(Component const& item) { return teskar::item_of(item)->name().to_utf8(); }

// The items that show a mesh, with it.
std::vector<std::pair<Component, teskar::Mesh const*>> shown_items(Component const& scene)
{
    std::vector<std::pair<Component, teskar::Mesh const*>> out;
    for (Component const& item : teskar::scene_of(scene)->items())
        if (teskar::Mesh const* mesh = teskar::shown_mesh(item))
            out.emplace_back(item, mesh);
    return out;
}

std::string text_of(Reply const& message) { return message.dump(-1, ' ', false, Json::error_handler_t::replace); }

} // namespace

ServeProtocol::ServeProtocol(std::filesystem::path root, std::filesystem::path scratch)
    : session_([this](std::string const& m) { notices_.push_back(text_of({{"type", "message"}, {"level", "message"}, {"text", m}})); },
               [this](std::string const& m) { notices_.push_back(text_of({{"type", "message"}, {"level", "warning"}, {"text", m}})); }),
      root_(std::filesystem::weakly_canonical(std::filesystem::absolute(root))), scratch_(std::move(scratch))
{
}

void ServeProtocol::load_file(std::string const& path)
{
    session_.load(path, std::nullopt);
    recorder_.add({"load", path});
}

void ServeProtocol::connect(int client) { clients_[client]; }

std::map<std::string, ServeProtocol::Handler, std::less<>> const& ServeProtocol::handlers()
{
    static std::map<std::string, Handler, std::less<>> const table = {
        {"hello", &ServeProtocol::hello},       {"viewport", &ServeProtocol::viewport},
        {"new", &ServeProtocol::new_item},      {"open", &ServeProtocol::open},
        {"load", &ServeProtocol::load},         {"save", &ServeProtocol::save},
        {"download", &ServeProtocol::download}, {"mode", &ServeProtocol::mode},
        {"click", &ServeProtocol::click},       {"select", &ServeProtocol::select},
        {"items", &ServeProtocol::items},       {"command", &ServeProtocol::command},
        {"tool", &ServeProtocol::tool},         {"drop", &ServeProtocol::drop},
        {"set", &ServeProtocol::set},           {"pointer", &ServeProtocol::pointer},
        {"key", &ServeProtocol::key},           {"action", &ServeProtocol::action},
        {"undo", &ServeProtocol::undo},         {"redo", &ServeProtocol::redo},
        {"script", &ServeProtocol::script_request},
    };
    return table;
}

std::vector<Outgoing> ServeProtocol::handle(int client, std::string_view text)
{
    auto const start = std::chrono::steady_clock::now();
    clients_[client];
    current_ = client;
    Reply reply = {{"type", "reply"}, {"id", nullptr}};
    std::vector<Outgoing> out;
    try {
        Json const request = Json::parse(text);
        if (!request.is_object())
            refuse("a request must be a JSON object");
        Json const* id = field(request, "id");
        if (!id || !id->is_number_integer())
            refuse("a request needs an integer 'id'");
        reply["id"] = *id;
        Json const* op = field(request, "op");
        if (!op || !op->is_string())
            refuse("a request needs a string 'op'");
        auto const handler = handlers().find(op->get<std::string>());
        if (handler == handlers().end())
            refuse("unknown op '" + op->get<std::string>() + "'");
        Reply result = (this->*handler->second)(request);
        reply["ok"] = true;
        for (auto& [key, value] : result.items())
            reply[key] = std::move(value);
    } catch (std::exception const& e) {
        reply["ok"] = false;
        reply["error"] = e.what();
    }
    send_updates(out);
    // What the request cost here, so that a page can tell it from the time its frames travel.
    reply["server_ms"] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    out.push_back({client, false, text_of(reply)});
    current_ = -1;
    return out;
}

std::vector<Outgoing> ServeProtocol::disconnect(int client)
{
    clients_.erase(client);
    std::vector<Outgoing> out;
    if (holder_ != client)
        return out;
    holder_ = -1;
    try {
        session_.drop_tool();
        recorder_.add({"drop"});
    } catch (SessionError const&) {
    }
    send_updates(out);
    return out;
}

void ServeProtocol::send_updates(std::vector<Outgoing>& out)
{
    std::string const state_text = text_of(state()), drawing_text = text_of(drawing());
    for (auto& [id, client] : clients_) {
        if (!client.greeted)
            continue;
        add_geometry(id, client, out);
        out.push_back({id, false, state_text});
        out.push_back({id, false, drawing_text});
        for (std::string const& notice : notices_)
            out.push_back({id, false, notice});
    }
    notices_.clear();
}

// A frame for every item whose mesh, revision, placement or selection differs from what the
// client last received, a delta when the mesh's log tells what changed; a hover that changes
// none of them sends nothing.
void ServeProtocol::add_geometry(int id, Client& client, std::vector<Outgoing>& out)
{
    teskar::Scene const& scene = *teskar::scene_of(teskar::Kernel::instance().active_scene());
    std::map<std::string, SentItem> now;
    for (auto const& [item, mesh] : shown_items(teskar::Kernel::instance().active_scene())) {
        std::string const name = item_name(item);
        SentItem const sent = sent_item(*mesh, teskar::item_of(item)->world_matrix(), scene.is_selected(item));
        auto const before = client.items.find(name);
        if (before == client.items.end() || !up_to_date(before->second, sent)) {
            std::optional<std::string> delta;
            if (before != client.items.end())
                delta = geometry_delta(name, *mesh, before->second, sent);
            out.push_back({id, true, delta ? std::move(*delta) : geometry_frame(name, *mesh, sent)});
        }
        now.emplace(name, sent);
    }
    Reply removed = Reply::array();
    for (auto const& [name, sent] : client.items)
        if (!now.contains(name))
            removed.push_back(name);
    if (!removed.empty())
        out.push_back({id, false, text_of({{"type", "removed"}, {"items", removed}})});
    client.items = std::move(now);
}

Reply ServeProtocol::state() const
{
    Component const scene = teskar::Kernel::instance().active_scene();
    int const mode = selection_mode();
    Reply items = Reply::array();
    for (auto const& [item, mesh] : shown_items(scene))
        items.push_back({{"name", item_name(item)},
                         {"revision", mesh->revision()},
                         {"points", mesh->points().count()},
                         {"polygons", mesh->polygons().count()},
                         {"selected", teskar::scene_of(scene)->is_selected(item)}});
    Reply tool = nullptr;
    if (Component const active = teskar::ToolHandler::instance().active_tool()) {
        auto const* type = teskar::Kernel::instance().registry().find(active.component_type());
        Reply const description = describe_json(*type);
        Reply values = Reply::object();
        for (auto const& a : description["attributes"]) {
            std::string const key = a["name"].get<std::string>();
            values[key] = to_json(active.attribute(String(key)).value());
        }
        tool = {{"name", type->name.to_utf8()},
                {"user_name", type->user_name().to_utf8()},
                {"values", values},
                {"key_bindings", description["key_bindings"]}};
    }
    Reply offered = Reply::array();
    for (auto const* type : module_types())
        if (type->offered(FilterContext{scene, mode}))
            offered.push_back(type->name.to_utf8());
    auto const& history = teskar::UndoHistory::instance();
    std::vector<std::string> redo = history.redo_names();
    std::reverse(redo.begin(), redo.end());
    return {{"type", "state"},         {"mode", mode_name(mode)}, {"items", items},
            {"tool", tool},            {"offered", offered},      {"undo", history.undo_names()},
            {"redo", redo},            {"held", session_.button_held()}};
}

Reply ServeProtocol::drawing() const
{
    Reply entries = Reply::array();
    Component const tool = teskar::ToolHandler::instance().active_tool();
    if (!tool)
        return {{"type", "drawing"}, {"entries", entries}};
    using Kind = teskar::DrawList::Kind;
    teskar::DrawList const list = tool_drawing(tool);
    for (auto const& e : list.entries()) {
        if (e.kind == Kind::Color || e.kind == Kind::Stipple)
            continue;
        char const* const kind = e.kind == Kind::Line ? "line" : e.kind == Kind::Quad ? "quad" : e.kind == Kind::Point ? "point" : "text";
        std::size_t const corners = e.kind == Kind::Line ? 2 : e.kind == Kind::Quad ? 4 : 1;
        Reply entry = {{"kind", kind}, {"color", color_json(e.color)}};
        if (e.stipple_factor != 0 && e.stipple_pattern != 0xFFFF)
            entry["stipple"] = {e.stipple_factor, e.stipple_pattern};
        Reply points = Reply::array();
        for (std::size_t k = 0; k < corners; ++k)
            points.push_back(point_json(e.points[k]));
        entry["points"] = points;
        if (e.kind == Kind::Point)
            entry["size"] = e.size;
        if (e.kind == Kind::Text)
            entry["text"] = e.text.to_utf8();
        entries.push_back(entry);
    }
    return {{"type", "drawing"}, {"entries", entries}};
}

// The values, read by each attribute's declared type before any is stored; words receives them
// as the KEY=VALUE words a script would give.
std::vector<Assignment> ServeProtocol::assignments(Component const& c, Json const& values, std::string const& what,
                                                   std::vector<std::string>& words) const
{
    std::vector<Assignment> out;
    for (auto const& [key, value] : values.items()) {
        AttributePtr const attribute = attribute_of(c, key, what);
        std::string text = value_text(value, attribute.type(), key);
        Parameter parsed = parse_value(session_, attribute.type(), key, text);
        words.push_back(key + "=" + text);
        out.push_back({key, std::move(parsed), std::move(text)});
    }
    return out;
}

// Paths are relative to the root and must stay inside it once `..` and symbolic links are
// resolved, so a link inside the root cannot lead out of it either.
std::filesystem::path ServeProtocol::inside_root(std::string const& path) const
{
    std::filesystem::path const relative(path);
    if (path.empty() || relative.is_absolute())
        refuse("paths are relative to the served folder");
    std::filesystem::path const resolved = std::filesystem::weakly_canonical(root_ / relative);
    auto const [end, at] = std::mismatch(root_.begin(), root_.end(), resolved.begin(), resolved.end());
    if (end != root_.end())
        refuse("'" + path + "' is outside the served folder");
    return resolved;
}

Reply ServeProtocol::hello(Json const&)
{
    Client& client = clients_[current_];
    client.greeted = true;
    client.items.clear();
    Reply components = Reply::array();
    for (auto const* type : module_types()) {
        Reply description = describe_json(*type);
        description["hidden"] = type->hidden();
        components.push_back(std::move(description));
    }
    return {{"version", 1}, {"components", components}, {"id_of_client", current_}};
}

Reply ServeProtocol::viewport(Json const& r)
{
    teskar::Camera camera = session_.camera();
    camera.width = positive_field(r, "width", camera.width);
    camera.height = positive_field(r, "height", camera.height);
    camera.eye = vector_field(r, "eye");
    camera.target = vector_field(r, "target");
    camera.up = vector_field(r, "up");
    Json const* ortho = field(r, "orthographic");
    if (ortho && !ortho->is_boolean())
        refuse("field 'orthographic' must be true or false");
    if (ortho)
        camera.orthographic = ortho->get<bool>();
    camera.fov_degrees = number_field(r, "fov", camera.fov_degrees);
    camera.view_height = number_field(r, "view_height", camera.view_height);
    camera.near_distance = number_field(r, "near", camera.near_distance);
    camera.far_distance = number_field(r, "far", camera.far_distance);
    // The size is checked on its own, so a camera refused after it puts the old view back.
    teskar::Camera const before = session_.camera();
    try {
        session_.set_viewport_size(camera.width, camera.height);
        session_.set_camera(camera);
    } catch (SessionError const&) {
        session_.set_camera(before);
        throw;
    }
    recorder_.view(session_.camera());
    return Reply::object();
}

Reply ServeProtocol::new_item(Json const& r)
{
    std::string const kind = string_field(r, "kind");
    if (kind != "grid" && kind != "box" && kind != "tube")
        refuse("unknown kind '" + kind + "' (known: grid, box, tube)");
    std::string name = kind;
    if (auto const given = optional_string(r, "name"))
        name = *given;
    else
        for (int n = 2; teskar::scene_of(teskar::Kernel::instance().active_scene())->find_item(String(name)); ++n)
            name = kind + std::to_string(n);
    std::vector<std::string> words = {"new", kind, name};
    if (kind == "grid") {
        int const nx = positive_field(r, "nx", 10), ny = positive_field(r, "ny", 10);
        double const size = positive_number(r, "size", 1.0);
        session_.new_grid(name, nx, ny, size);
        words.insert(words.end(), {std::to_string(nx), std::to_string(ny), number_text(size)});
    } else if (kind == "box") {
        double const size = positive_number(r, "size", 1.0);
        session_.new_box(name, size);
        words.push_back(number_text(size));
    } else {
        int const segments = positive_field(r, "segments", 12), rings = positive_field(r, "rings", 4);
        double const radius = positive_number(r, "radius", 1.0), height = positive_number(r, "height", 1.0);
        session_.new_tube(name, segments, rings, radius, height);
        words.insert(words.end(), {std::to_string(segments), std::to_string(rings), number_text(radius), number_text(height)});
    }
    recorder_.add(words);
    return {{"name", name}};
}

// The person's file goes through a folder of its own, named at random, which is removed after.
Reply ServeProtocol::open(Json const& r)
{
    std::string const filename = std::filesystem::path(string_field(r, "filename")).filename().string();
    std::string const data = string_field(r, "data");
    if (filename.empty() || filename == "." || filename == "..")
        refuse("field 'filename' must name a file");
    std::filesystem::path const folder = scratch_ / ("vorn-open-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    struct Cleanup {
        std::filesystem::path folder;
        ~Cleanup()
        {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    } const cleanup{folder};
    std::filesystem::path const path = folder / filename;
    {
        std::ofstream file(path, std::ios::binary);
        if (!file.write(data.data(), static_cast<std::streamsize>(data.size())))
            refuse("cannot write the file to read it");
    }
    std::string const name = std::filesystem::path(filename).stem().string();
    session_.load(path.string(), name);
    recorder_.comment("The next file is the one opened in the browser; keep it beside this script.");
    recorder_.add({"load", filename});
    return {{"name", name}};
}

Reply ServeProtocol::load(Json const& r)
{
    std::string const path = string_field(r, "path");
    std::optional<std::string> const name = optional_string(r, "name");
    session_.load(inside_root(path).string(), name ? name : std::filesystem::path(path).stem().string());
    std::vector<std::string> words = {"load", path};
    if (name)
        words.push_back(*name);
    recorder_.add(words);
    return Reply::object();
}

Reply ServeProtocol::save(Json const& r)
{
    std::string const path = string_field(r, "path");
    session_.save(inside_root(path).string(), optional_string(r, "item"));
    return Reply::object();
}

// The item's file text, written to a scratch file by the same writer as save and read back.
Reply ServeProtocol::download(Json const& r)
{
    std::string const format = string_field(r, "format");
    if (format != "obj" && format != "mesh")
        refuse("unknown format '" + format + "' (known: obj, mesh)");
    std::optional<std::string> item = optional_string(r, "item");
    if (!item) {
        auto const& selection = teskar::scene_of(teskar::Kernel::instance().active_scene())->selection();
        if (selection.empty())
            refuse("no item is selected");
        item = item_name(selection.front());
    }
    std::filesystem::path const folder = scratch_ / ("vorn-download-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    std::filesystem::path const path = folder / ("item." + format);
    std::string data;
    try {
        session_.save(path.string(), item);
        std::ifstream file(path, std::ios::binary);
        data.assign(std::istreambuf_iterator<char>(file), {});
    } catch (...) {
        std::filesystem::remove_all(folder);
        throw;
    }
    std::filesystem::remove_all(folder);
    return {{"filename", *item + "." + format}, {"data", data}};
}

Reply ServeProtocol::mode(Json const& r)
{
    std::string const name = string_field(r, "mode");
    session_.set_mode(mode_of(name));
    recorder_.add({"mode", name});
    return Reply::object();
}

Reply ServeProtocol::click(Json const& r)
{
    double const x = number_field(r, "x"), y = number_field(r, "y");
    bool const shift = bool_field(r, "shift"), ctrl = bool_field(r, "ctrl");
    session_.click_select(x, y, shift, ctrl);
    std::vector<std::string> words = {"click", number_text(x), number_text(y)};
    if (shift)
        words.push_back("shift");
    if (ctrl)
        words.push_back("ctrl");
    recorder_.add(words);
    return Reply::object();
}

Reply ServeProtocol::select(Json const& r)
{
    Json const* all = field(r, "all");
    if (!all || !all->is_boolean())
        refuse("field 'all' must be true or false");
    session_.select_whole(true, all->get<bool>());
    recorder_.add({"select", all->get<bool>() ? "all" : "none"});
    return Reply::object();
}

Reply ServeProtocol::items(Json const& r)
{
    Json const* names = field(r, "names");
    if (!names || !names->is_array())
        refuse("field 'names' must be an array of strings");
    std::vector<std::string> list;
    for (Json const& n : *names) {
        if (!n.is_string())
            refuse("field 'names' must be an array of strings");
        list.push_back(n.get<std::string>());
    }
    session_.select_items(list);
    std::vector<std::string> words = {"items"};
    words.insert(words.end(), list.begin(), list.end());
    recorder_.add(words);
    return Reply::object();
}

Reply ServeProtocol::command(Json const& r)
{
    std::string const name = string_field(r, "name");
    Component const command = session_.command(name);
    std::vector<std::string> words = {"run", name};
    auto const values = assignments(command, values_field(r, false), "'" + name + "'", words);
    session_.run_command(command, values);
    recorder_.add(words);
    return Reply::object();
}

Reply ServeProtocol::tool(Json const& r)
{
    std::string const name = string_field(r, "name");
    Component const tool = session_.tool(name);
    std::vector<std::string> words = {"tool", name};
    auto const values = assignments(tool, values_field(r, false), "'" + name + "'", words);
    session_.activate_tool(tool, values);
    holder_ = -1;
    recorder_.add(words);
    return Reply::object();
}

Reply ServeProtocol::drop(Json const&)
{
    session_.drop_tool();
    holder_ = -1;
    recorder_.add({"drop"});
    return Reply::object();
}

Reply ServeProtocol::set(Json const& r)
{
    Component const tool = session_.active_tool();
    std::vector<std::string> words = {"set"};
    auto const values = assignments(tool, values_field(r, true), "'" + tool.component_type().to_utf8() + "'", words);
    session_.set_tool_attributes(values);
    recorder_.add(words);
    return Reply::object();
}

Reply ServeProtocol::pointer(Json const& r)
{
    std::string const event = string_field(r, "event");
    double const x = number_field(r, "x"), y = number_field(r, "y");
    if (std::abs(x) > std::numeric_limits<float>::max() || std::abs(y) > std::numeric_limits<float>::max())
        refuse("pointer coordinates are too large");
    Modifiers const modifiers{bool_field(r, "shift"), bool_field(r, "ctrl"), bool_field(r, "alt")};
    std::vector<std::string> words = {event, number_text(x), number_text(y)};
    if (event == "press") {
        int const button = int_field(r, "button", kButtonLeft);
        if (button != kButtonLeft && button != kButtonMiddle && button != kButtonRight)
            refuse("field 'button' must be 0, 1 or 2");
        session_.press(x, y, button, modifiers);
        holder_ = current_;
        words.push_back(button == kButtonLeft ? "left" : button == kButtonMiddle ? "middle" : "right");
    } else if (event == "drag") {
        session_.drag(x, y, modifiers);
    } else if (event == "release") {
        session_.release(x, y, modifiers);
        holder_ = -1;
    } else if (event == "hover") {
        session_.hover(x, y, modifiers);
    } else {
        refuse("unknown pointer event '" + event + "' (known: hover, press, drag, release)");
    }
    for (auto const& [held, word] : {std::pair{modifiers.shift, "shift"}, {modifiers.ctrl, "ctrl"}, {modifiers.alt, "alt"}})
        if (held)
            words.push_back(word);
    if (event == "hover")
        recorder_.add_hover(words);
    else
        recorder_.add(words);
    return Reply::object();
}

Reply ServeProtocol::key(Json const& r) { return binding(r, "key", "key", &Session::key); }

Reply ServeProtocol::action(Json const& r) { return binding(r, "name", "action", &Session::action); }

// A key or a named action of the active tool's bindings, pressed or released, recorded as the
// script statement that does the same.
Reply ServeProtocol::binding(Json const& r, char const* field, std::string const& statement,
                             void (Session::*send)(std::string const&, bool))
{
    std::string const name = string_field(r, field);
    bool const released = bool_field(r, "released");
    (session_.*send)(name, released);
    recorder_.add(released ? std::vector<std::string>{statement, name, "release"} : std::vector<std::string>{statement, name});
    return Reply::object();
}

Reply ServeProtocol::undo(Json const& r)
{
    int const n = positive_field(r, "n", 1);
    session_.undo(static_cast<std::size_t>(n));
    recorder_.add({"undo", std::to_string(n)});
    return Reply::object();
}

Reply ServeProtocol::redo(Json const& r)
{
    int const n = positive_field(r, "n", 1);
    session_.redo(static_cast<std::size_t>(n));
    recorder_.add({"redo", std::to_string(n)});
    return Reply::object();
}

Reply ServeProtocol::script_request(Json const&) { return {{"filename", "session.vorn"}, {"data", recorder_.script()}}; }

} // namespace vorn
