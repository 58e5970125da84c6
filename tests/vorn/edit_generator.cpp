#include "edit_generator.h"

#include "teskar/history.h"
#include "teskar/kernel.h"
#include "teskar/mesh_item.h"
#include "teskar/scene.h"
#include "teskar/tool_handler.h"
#include "teskar/viewport.h"

#include "vornsdk/attribute.h"
#include "vornsdk/host.h"
#include "vornsdk/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace edit_checks {

using VORNSDK::Component;
using VORNSDK::Index;
using VORNSDK::Vector3d;
using VORNSDK::VertexPair;

namespace {

teskar::Scene* scene() { return teskar::scene_of(VORNSDK::active_scene()); }

std::vector<Component> mesh_items()
{
    std::vector<Component> out;
    if (teskar::Scene const* s = scene())
        for (Component const& item : s->items())
            if (teskar::mesh_of(item))
                out.push_back(item);
    return out;
}

// The item the statements act on: the first selected one, when it carries a mesh.
Component target()
{
    teskar::Scene const* s = scene();
    if (!s || s->selection().empty() || !teskar::mesh_of(s->selection().front()))
        return {};
    return s->selection().front();
}

teskar::Mesh const* target_mesh() { return teskar::mesh_of(target()); }

std::string name_of(Component const& item) { return teskar::item_of(item)->name().to_utf8(); }

// A word that vorn reads back as the text, quoted when it holds a blank.
std::string word(std::string const& text) { return text.find(' ') == std::string::npos ? text : "\"" + text + "\""; }

std::vector<Index> live(VORNSDK::MasterArray const& slots) { return {slots.begin(), slots.end()}; }

// Every edge once, oriented as the first polygon to reach it runs it.
std::vector<VertexPair> edges_of(teskar::Mesh const& mesh)
{
    std::vector<VertexPair> out;
    VORNSDK::EdgeMarker seen;
    for (Index f : mesh.polygons()) {
        auto const vs = mesh.polygon_vertices(f);
        for (std::size_t k = 0; k < vs.count; ++k)
            if (seen.insert(vs.edge(k)))
                out.push_back(vs.edge(k));
    }
    return out;
}

std::string edge_text(VertexPair const& e) { return "(" + std::to_string(e.v1) + "," + std::to_string(e.v2) + ")"; }

template <class T>
std::vector<T> sample(EditGenerator& g, std::vector<T> from, std::size_t n)
{
    std::vector<T> out;
    while (!from.empty() && out.size() < n) {
        std::size_t const k = g.below(from.size());
        out.push_back(from[k]);
        from.erase(from.begin() + static_cast<std::ptrdiff_t>(k));
    }
    return out;
}

// Indices as a selection command's list: each entry closed by a blank.
std::string listed(std::vector<Index> const& indices)
{
    std::string out;
    for (Index i : indices)
        out += std::to_string(i) + " ";
    return out;
}

// Some points, edges or polygons of the target, now and then with one that does not exist.
std::vector<Index> some_points(EditGenerator& g, teskar::Mesh const& mesh)
{
    auto out = sample(g, live(mesh.points()), 1 + g.below(4));
    if (g.chance(0.1))
        out.push_back(mesh.points().slots() + 3);
    return out;
}

std::vector<VertexPair> some_edges(EditGenerator& g, teskar::Mesh const& mesh)
{
    auto out = sample(g, edges_of(mesh), 1 + g.below(3));
    for (VertexPair& e : out)
        if (g.chance(0.5))
            e = e.flip();
    return out;
}

// Quads side by side across their opposite sides, from a random quad: the polygons Insert Loop
// cuts across in its selection mode.
std::vector<Index> strip(EditGenerator& g, teskar::Mesh const& mesh)
{
    auto const polygons = live(mesh.polygons());
    if (polygons.empty())
        return {};
    Index f = polygons[g.below(polygons.size())];
    std::vector<Index> out{f};
    std::size_t side = g.below(4);
    std::size_t const length = 2 + g.below(5);
    while (out.size() < length && mesh.polygon_vertices(f).count == 4) {
        auto const vs = mesh.polygon_vertices(f);
        VertexPair const across = vs.edge((side + 2) % 4);
        VORNSDK::PolyMarker beside;
        mesh.polygons_of_edge(across, beside);
        Index next = VORNSDK::kNoIndex;
        for (Index h : beside)
            if (h != f && std::find(out.begin(), out.end(), h) == out.end())
                next = h;
        if (next == VORNSDK::kNoIndex || mesh.polygon_vertices(next).count != 4)
            break;
        auto const ns = mesh.polygon_vertices(next);
        for (std::size_t k = 0; k < 4; ++k)
            if (ns.edge(k) == across)
                side = k;
        f = next;
        out.push_back(f);
    }
    return out;
}

// Polygons joined by their sides, grown from a random one.
std::vector<Index> region(EditGenerator& g, teskar::Mesh const& mesh)
{
    auto const polygons = live(mesh.polygons());
    if (polygons.empty())
        return {};
    std::vector<Index> out{polygons[g.below(polygons.size())]};
    std::size_t const size = 2 + g.below(5);
    for (std::size_t i = 0; i < out.size() && out.size() < size; ++i) {
        auto const vs = mesh.polygon_vertices(out[i]);
        for (std::size_t k = 0; k < vs.count && out.size() < size; ++k) {
            VORNSDK::PolyMarker beside;
            mesh.polygons_of_edge(vs.edge(k), beside);
            for (Index h : beside)
                if (std::find(out.begin(), out.end(), h) == out.end() && g.chance(0.7))
                    out.push_back(h);
        }
    }
    return out;
}

std::vector<Index> some_polygons(EditGenerator& g, teskar::Mesh const& mesh)
{
    std::vector<Index> out;
    switch (g.below(3)) {
    case 0: out = sample(g, live(mesh.polygons()), 1 + g.below(4)); break;
    case 1: out = region(g, mesh); break;
    default: out = strip(g, mesh); break;
    }
    // The order of a selection matters to some edits; so does where each list starts.
    if (g.chance(0.3))
        std::reverse(out.begin(), out.end());
    else if (g.chance(0.3))
        for (std::size_t k = out.size(); k > 1; --k)
            std::swap(out[k - 1], out[g.below(k)]);
    return out;
}

// An item of the scene as the target: its name for "items".
std::string some_items(EditGenerator& g)
{
    auto const items = sample(g, mesh_items(), 1 + g.below(3));
    std::string out = "items";
    for (Component const& item : items)
        out.append(" ").append(word(name_of(item)));
    return out;
}

// A knife line for the target as its "Start", "End" and "Origin": through a spot inside its box,
// mostly right across it, now and then ending inside it, sometimes on round numbers (which meet
// the points of grids and boxes), seen from a spot well away from it.
std::string knife_line(EditGenerator& g)
{
    Component const item = target();
    Vector3d min{-1, -1, -1}, max{1, 1, 1};
    if (teskar::Mesh const* mesh = teskar::mesh_of(item); mesh && mesh->points().count() > 0)
        teskar::item_of(item)->world_bounding_box(min, max);
    Vector3d const centre = (min + max) / 2, half = (max - min) / 2;
    double const radius = std::max(0.5, VORNSDK::length(half));
    auto const around = [&](double scale) {
        Vector3d d;
        while (VORNSDK::length(d) < 0.1)
            d = {g.uniform() * 2 - 1, g.uniform() * 2 - 1, g.uniform() * 2 - 1};
        return VORNSDK::unit(d) * scale;
    };
    Vector3d const spot = centre + Vector3d{half.x * (g.uniform() * 2 - 1), half.y * (g.uniform() * 2 - 1),
                                            half.z * (g.uniform() * 2 - 1)};
    Vector3d const along = around(radius);
    Vector3d start = spot - along * 1.5, end = spot + along * (g.chance(0.25) ? 0.2 : 1.5);
    Vector3d origin = spot + around(4 * radius);
    bool const round = g.chance(0.3);
    auto const text = [&](Vector3d const& p) {
        char out[96];
        if (round)
            std::snprintf(out, sizeof out, "%g,%g,%g", std::round(p.x * 2) / 2, std::round(p.y * 2) / 2, std::round(p.z * 2) / 2);
        else
            std::snprintf(out, sizeof out, "%.3f,%.3f,%.3f", p.x, p.y, p.z);
        return std::string(out);
    };
    return "Start=" + text(start) + " End=" + text(end) + " Origin=" + text(origin);
}

// The commands the sequences run: name, weight, and the attributes for the target mesh (which
// exists when they are asked for). A command that joins the project joins this table.
struct Command {
    char const* name;
    int weight;
    std::function<std::string(EditGenerator&, teskar::Mesh const&)> attributes;
};

// Settings of an Array: elements, layout and a few repeats.
std::string array_settings(EditGenerator& g)
{
    std::string out = "ArrayElement=" + std::to_string(g.below(3)) + " ArrayType=" + std::to_string(g.below(2));
    auto const count = [&] { return std::to_string(g.chance(0.2) ? 0 : 1 + g.below(3)); };
    out += " Number=" + count() + "," + count() + "," + count();
    out += " disttype=" + std::to_string(g.below(4)) + " Distance=" + g.number(-2, 2) + "," + g.number(-2, 2) + "," +
           g.number(-2, 2);
    out += " nrad=" + std::to_string(g.below(6)) + " angle=" + g.number(0.5, 6.3) + " overt=" + g.number(-1, 1) +
           " axis=" + std::to_string(g.below(3)) + " origin=" + g.number(-1, 1) + ",0," + g.number(-1, 1);
    return out;
}

std::vector<Command> const& commands()
{
    using G = EditGenerator;
    using M = teskar::Mesh const;
    static std::vector<Command> const table = {
        {"SetValue", 3, [](G& g, M&) { return "Axis=" + std::to_string(g.below(3)) + " Value=" + g.number(-1, 1); }},
        {"Break", 1, nullptr},
        {"RemoveEdges", 3,
         [](G& g, M& m) {
             std::string list;
             for (VertexPair const& e : some_edges(g, m))
                 list += edge_text(e);
             return "EdgeList=" + list;
         }},
        {"Dissolve", 4, nullptr},
        {"Make Circular", 3, nullptr},
        {"HardEdgesPatchCommand", 1, nullptr},
        {"SoftEdgesPatchCommand", 1, nullptr},
        {"HardEdgesOutlineCommand", 1, nullptr},
        {"SoftEdgesOutlineCommand", 1, nullptr},
        {"SelectLoop", 2, nullptr},
        {"SelectRing", 2, nullptr},
        {"Remove", 3, nullptr},
        {"Connect", 3, nullptr},
        {"Extend", 3, [](G& g, M&) { return g.chance(0.3) ? std::string() : "Distance=" + g.number(-0.5, 0.5); }},
        {"SelectPoints", 1, [](G& g, M& m) { return "Points=\"" + listed(some_points(g, m)) + "\""; }},
        {"DeselectPoints", 1, [](G& g, M& m) { return "Points=\"" + listed(some_points(g, m)) + "\""; }},
        {"SelectFaces", 1, [](G& g, M& m) { return "Faces=\"" + listed(some_polygons(g, m)) + "\""; }},
        {"DeselectFaces", 1, [](G& g, M& m) { return "Faces=\"" + listed(some_polygons(g, m)) + "\""; }},
        {"SelectEdges", 1,
         [](G& g, M& m) {
             std::string list;
             for (VertexPair const& e : some_edges(g, m))
                 list += edge_text(e) + " ";
             return "Edges=\"" + list + "\"";
         }},
        {"DeselectEdges", 1,
         [](G& g, M& m) {
             std::string list;
             for (VertexPair const& e : some_edges(g, m))
                 list += edge_text(e) + " ";
             return "Edges=\"" + list + "\"";
         }},
        {"Knife", 3, [](G& g, M&) { return knife_line(g) + " Remove=" + std::to_string(g.below(4)); }},
        {"Lasso", 2,
         [](G& g, M&) {
             static char const* const styles[] = {"Exclusive", "Add", "Subtract"};
             std::string points;
             for (std::size_t k = 0, n = 3 + g.below(4); k < n; ++k)
                 points += (k ? ";" : "") + g.number(-50, 850) + "," + g.number(-50, 650) + ",1";
             return std::string("Viewport=@viewport SelectionStyle=") + styles[g.below(3)] + " Points=" + points;
         }},
        {"Bend", 2,
         [](G& g, M&) {
             return "angle=" + g.number(-4, 4) + " twist=" + g.number(-2, 2) + " axis=" + std::to_string(g.below(3));
         }},
        {"Twist", 2, [](G& g, M&) { return "twist_near=" + g.number(-4, 4) + " twist_far=" + g.number(-4, 4); }},
        {"Array", 2, [](G& g, M&) { return array_settings(g); }},
        {"InsertLoop", 3,
         [](G& g, M& m) {
             auto const edges = some_edges(g, m);
             std::string out = edges.empty() ? std::string() : "Edge=" + edge_text(edges.front());
             if (g.chance(0.85))
                 out += " Cut=" + g.number(0, 1);
             if (g.chance(0.3))
                 out += " Slices=" + std::to_string(1 + g.below(4));
             if (g.chance(0.2))
                 out += " Mirror=true";
             if (g.chance(0.15))
                 out += " Absolute=true";
             return out;
         }},
    };
    return table;
}

// A pixel over a spot of a random polygon of the target, near one of its sides, as the active
// viewport's camera shows it; the middle of the view when there is nothing to aim at.
std::string aim(EditGenerator& g)
{
    Component const item = target();
    teskar::Mesh const* mesh = teskar::mesh_of(item);
    auto const* view = teskar::viewport_of(VORNSDK::app_node()["ActiveViewport"].as_ref());
    if (!mesh || !view || mesh->polygons().count() == 0)
        return "400 300";
    auto const polygons = live(mesh->polygons());
    auto const vs = mesh->polygon_vertices(polygons[g.below(polygons.size())]);
    Vector3d centre;
    for (Index v : vs)
        centre += mesh->point_position(v) / double(vs.count);
    std::size_t const k = g.below(vs.count);
    Vector3d const a = mesh->point_position(vs[k]), b = mesh->point_position(vs[(k + 1) % vs.count]);
    Vector3d const on_side = a + (b - a) * (0.05 + 0.9 * g.uniform());
    Vector3d const spot = centre + (on_side - centre) * (0.3 + 0.65 * g.uniform());
    Vector3d const pixel = view->camera().project(VORNSDK::transform_point(teskar::item_of(item)->world_matrix(), spot));
    if (!std::isfinite(pixel.x) || !std::isfinite(pixel.y))
        return "400 300";
    char text[64];
    std::snprintf(text, sizeof text, "%.1f %.1f", std::clamp(pixel.x, -1e6, 1e6), std::clamp(pixel.y, -1e6, 1e6));
    return text;
}

// A camera looking at the target from a random side, perspective or parallel.
std::string camera(EditGenerator& g)
{
    Component const item = target();
    teskar::Mesh const* mesh = teskar::mesh_of(item);
    Vector3d min{-1, -1, -1}, max{1, 1, 1};
    if (mesh && mesh->points().count() > 0)
        teskar::item_of(item)->world_bounding_box(min, max);
    Vector3d const centre = (min + max) / 2;
    double const radius = std::max(0.5, VORNSDK::length(max - min) / 2);
    Vector3d direction;
    while (VORNSDK::length(direction) < 0.1)
        direction = {g.uniform() * 2 - 1, g.uniform() * 2 - 1, g.uniform() * 2 - 1};
    Vector3d const eye = centre + VORNSDK::unit(direction) * (4 * radius);
    bool const parallel = g.chance(0.5);
    char text[256];
    std::snprintf(text, sizeof text, "camera %.3f %.3f %.3f %.3f %.3f %.3f %s %.3f", eye.x, eye.y, eye.z, centre.x, centre.y,
                  centre.z, parallel ? "ortho" : "fov", parallel ? 2.5 * radius : 45.0);
    return text;
}

} // namespace

EditGenerator::EditGenerator(std::uint64_t seed, std::vector<std::string> models) : rng_(seed), models_(std::move(models)) {}

std::string EditGenerator::number(double low, double high)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", low + (high - low) * uniform());
    return text;
}

std::string EditGenerator::next()
{
    if (!built_) {
        plan_meshes();
        built_ = true;
    }
    while (pending_.empty())
        plan_action();
    Line const line = std::move(pending_.front());
    pending_.pop_front();
    return line();
}

void EditGenerator::plan_meshes()
{
    std::size_t const count = 1 + below(3) / 2 + below(4) / 3;
    for (std::size_t k = 0; k < count; ++k) {
        std::string const name = "m" + std::to_string(++meshes_);
        std::size_t const kind = below(4 + (models_.empty() ? 0 : 3));
        std::string line;
        if (kind == 0 || kind == 1)
            line = "new grid " + name + " " + std::to_string(1 + below(5)) + " " + std::to_string(1 + below(4)) +
                   (chance(0.5) ? "" : " " + number(0.5, 3));
        else if (kind == 2)
            line = "new tube " + name + " " + std::to_string(3 + below(4)) + " " + std::to_string(1 + below(4));
        else if (kind == 3)
            line = "new box " + name + (chance(0.5) ? "" : " " + number(0.5, 3));
        else
            line = "load " + word(models_[below(models_.size())]) + " " + name;
        pending_.push_back([line] { return line; });
    }
}

void EditGenerator::plan_action()
{
    bool const tool = bool(teskar::ToolHandler::instance().active_tool());
    if (tool) {
        pending_.push_back([] { return std::string("drop"); });
        return;
    }
    if (!target_mesh()) {
        if (mesh_items().empty())
            plan_meshes();
        else
            pending_.push_back([this] { return some_items(*this); });
        return;
    }
    auto& history = teskar::UndoHistory::instance();
    std::uint64_t const roll = below(100);
    if (roll < 40)
        plan_selection();
    else if (roll < 80)
        plan_command();
    else if (roll < 86 && chance(0.35))
        plan_knife_tool();
    else if (roll < 86)
        plan_insert_loop_tool();
    else if (roll < 89)
        plan_deformer_tool();
    else if (roll < 92 && chance(0.4))
        plan_hover_command();
    else if (roll < 92 && chance(0.3))
        plan_lasso_tool();
    else if (roll < 92)
        plan_tweak_tool();
    else if (roll < 97 && !history.undo_names().empty())
        pending_.push_back([this] { return std::string(chance(0.2) && teskar::UndoHistory::instance().undo_names().size() > 1 ? "undo 2" : "undo"); });
    else if (!history.redo_names().empty())
        pending_.push_back([] { return std::string("redo"); });
    else
        pending_.push_back([this] { return some_items(*this); });
}

void EditGenerator::plan_selection()
{
    static char const* const modes[] = {"points", "edges", "polygons", "items"};
    std::uint64_t const roll = below(20);
    if (roll < 5) {
        pending_.push_back([this] { return std::string("mode ") + modes[below(4)]; });
        return;
    }
    if (roll < 7) {
        pending_.push_back([this] { return some_items(*this); });
        return;
    }
    if (roll < 8) {
        static char const* const whole[] = {"select all", "select none", "deselect all"};
        pending_.push_back([this] { return std::string(whole[below(3)]); });
        return;
    }
    bool const on = roll >= 10;
    std::string const verb = on ? "select " : "deselect ";
    pending_.push_back([this, verb] {
        teskar::Mesh const& mesh = *target_mesh();
        switch (below(3)) {
        case 0: {
            auto points = sample(*this, live(mesh.points()), 1 + below(4));
            return points.empty() ? std::string("select none") : verb + "points " + listed(points);
        }
        case 1: {
            std::string line = verb + "edges";
            auto const edges = some_edges(*this, mesh);
            for (VertexPair const& e : edges)
                line.append(" ").append(edge_text(e));
            return edges.empty() ? std::string("select none") : line;
        }
        default: {
            auto const polygons = some_polygons(*this, mesh);
            return polygons.empty() ? std::string("select none") : verb + "polygons " + listed(polygons);
        }
        }
    });
}

void EditGenerator::plan_command()
{
    int total = 0;
    for (Command const& c : commands())
        total += c.weight;
    auto roll = static_cast<int>(below(static_cast<std::uint64_t>(total)));
    for (Command const& c : commands()) {
        if ((roll -= c.weight) >= 0)
            continue;
        pending_.push_back([this, &c] {
            std::string line = "run " + word(c.name);
            if (c.attributes)
                if (std::string const a = c.attributes(*this, *target_mesh()); !a.empty())
                    line += (a.front() == ' ' ? "" : " ") + a;
            return line;
        });
        return;
    }
}

// One use of Insert Loop: a camera on the target, the tool with some settings, a few gestures
// (clicks, loop removal with Ctrl held, slice and mirror keys, attribute changes), then drop.
void EditGenerator::plan_insert_loop_tool()
{
    pending_.push_back([this] { return camera(*this); });
    pending_.push_back([this] {
        std::string line = "tool InsertLoop";
        if (chance(0.3))
            line += " Slices=" + std::to_string(1 + below(3));
        if (chance(0.2))
            line += " Mirror=true";
        if (chance(0.15))
            line += " Absolute=true";
        if (chance(0.15))
            line += " SnapCenter=true";
        if (chance(0.1))
            line += " Stops=" + number(0, 0.5);
        return line;
    });
    auto const spot = std::make_shared<std::string>();
    std::size_t const gestures = 1 + below(3);
    for (std::size_t k = 0; k < gestures; ++k) {
        std::uint64_t const roll = below(20);
        if (roll < 11) {
            bool const middle = chance(0.15);
            pending_.push_back([this, spot] { return "hover " + (*spot = aim(*this)); });
            pending_.push_back([spot, middle] { return "press " + *spot + (middle ? " middle" : ""); });
            pending_.push_back([spot] { return "release " + *spot; });
        } else if (roll < 14) {
            pending_.push_back([] { return std::string("key Ctrl"); });
            pending_.push_back([this, spot] { return "hover " + (*spot = aim(*this)); });
            pending_.push_back([spot] { return "press " + *spot; });
            pending_.push_back([spot] { return "release " + *spot; });
            pending_.push_back([] { return std::string("key Ctrl release"); });
        } else if (roll < 17) {
            static char const* const keys[] = {"key Up", "key Down", "action Mirror", "action IncSlice", "action DecSlice"};
            pending_.push_back([this] { return std::string(keys[below(5)]); });
        } else if (roll < 19) {
            pending_.push_back([this] {
                return chance(0.5) ? "set Slices=" + std::to_string(1 + below(3)) : "set Cut=" + number(0, 1);
            });
        } else {
            pending_.push_back([this, spot] { return "hover " + (*spot = aim(*this)); });
        }
    }
    pending_.push_back([] { return std::string("drop"); });
}

// One use of the Knife: a camera on the target, the tool with a removal mode, a few gestures
// (lines drawn or moved with the pointer, which also drags the gizmo's handles; Add and Redraw at
// the pointer; the removal keys; attribute changes), then drop.
void EditGenerator::plan_knife_tool()
{
    pending_.push_back([this] { return camera(*this); });
    pending_.push_back([this] {
        std::string line = "tool Knife Remove=" + std::to_string(below(4));
        if (chance(0.2))
            line += " Grid=true";
        return line;
    });
    auto const spot = std::make_shared<std::string>();
    std::size_t const gestures = 1 + below(4);
    for (std::size_t k = 0; k < gestures; ++k) {
        std::uint64_t const roll = below(20);
        if (roll < 9) {
            pending_.push_back([this, spot] { return "press " + (*spot = aim(*this)); });
            std::size_t const moves = 1 + below(3);
            for (std::size_t m = 0; m < moves; ++m)
                pending_.push_back([this, spot] { return "drag " + (*spot = aim(*this)); });
            pending_.push_back([spot] { return "release " + *spot; });
        } else if (roll < 13) {
            bool const redraw = chance(0.5);
            pending_.push_back([this, spot] { return "hover " + (*spot = aim(*this)); });
            pending_.push_back([redraw] { return std::string(redraw ? "action Redraw" : "action Add"); });
            if (redraw) {
                pending_.push_back([this, spot] { return "hover " + (*spot = aim(*this)); });
                pending_.push_back([] { return std::string("action Redraw release"); });
            }
        } else if (roll < 17) {
            pending_.push_back([this] { return std::string(chance(0.5) ? "key Up" : "key Down"); });
        } else {
            pending_.push_back([this] { return "set Remove=" + std::to_string(below(4)); });
        }
    }
    pending_.push_back([] { return std::string("drop"); });
}

// One use of Bend, Twist or Array: a camera on the target, the tool, a few drags over the target
// or beside it (Bend's range redefined by the press now and then, Twist out of range mode), keys
// and attribute changes, then drop.
void EditGenerator::plan_deformer_tool()
{
    static char const* const tools[] = {"Bend", "Twist", "Array"};
    std::string const tool = tools[below(3)];
    pending_.push_back([this] { return camera(*this); });
    pending_.push_back([this, tool] { return "tool " + tool + (tool == "Array" ? " " + array_settings(*this) : ""); });
    std::size_t const gestures = 1 + below(3);
    for (std::size_t k = 0; k < gestures; ++k) {
        std::uint64_t const roll = below(10);
        if (roll < 5) {
            auto const spot = std::make_shared<std::string>();
            std::string const button = chance(0.7) ? "" : " right";
            if (tool == "Bend" && chance(0.2))
                pending_.push_back([] { return std::string("set set=false"); });
            pending_.push_back([this, spot, button] { return "press " + (*spot = aim(*this)) + button; });
            pending_.push_back([this, spot] {
                double const x = std::strtod(spot->c_str(), nullptr) + 300 * uniform() - 150;
                char text[32];
                std::snprintf(text, sizeof text, "%.1f", x);
                return "drag " + std::string(text) + spot->substr(spot->find(' ')) + (chance(0.2) ? " ctrl" : "");
            });
            pending_.push_back([this] { return "release " + number(0, 800) + " " + number(0, 600); });
        } else if (roll < 7) {
            pending_.push_back([this, tool] {
                if (tool == "Bend")
                    return std::string(chance(0.5) ? "key Ctrl" : "key Ctrl release");
                if (tool == "Twist")
                    return std::string(chance(0.5) ? "action Mode" : "action Mode release");
                return "set origin=" + number(-1, 1) + "," + number(-1, 1) + ",0";
            });
        } else {
            pending_.push_back([this, tool] {
                if (tool == "Bend")
                    return "set angle=" + number(-3, 3) + (chance(0.3) ? " axis=" + std::to_string(below(3)) : "");
                if (tool == "Twist")
                    return "set twist_far=" + number(-3, 3);
                return "set " + array_settings(*this);
            });
        }
    }
    pending_.push_back([] { return std::string("drop"); });
}

// One hover command: a camera on the target and the pointer over it, or a stored element (now and
// then one that does not exist), or the selection.
void EditGenerator::plan_hover_command()
{
    static char const* const names[] = {"Hover Delete", "Hover Flip", "Hover Extend", "Hover Loop", "Hover Loop Remove"};
    std::string const name = names[below(5)];
    std::uint64_t const roll = below(10);
    if (roll < 6) {
        pending_.push_back([this] { return camera(*this); });
        pending_.push_back([this] { return "pointer " + aim(*this); });
        pending_.push_back([name] { return "run " + word(name); });
        return;
    }
    pending_.push_back([this, name, roll] {
        teskar::Mesh const& mesh = *target_mesh();
        std::string element = roll < 9 ? "selection" : "item";
        if (roll < 8) {
            auto const points = sample(*this, live(mesh.points()), 1);
            auto const polygons = sample(*this, live(mesh.polygons()), 1);
            auto const edges = some_edges(*this, mesh);
            switch (below(4)) {
            case 0: element = points.empty() ? "vertex 0" : "vertex " + std::to_string(points.front()); break;
            case 1: element = polygons.empty() ? "polygon 0" : "polygon " + std::to_string(polygons.front()); break;
            case 2: element = edges.empty() ? "edge (0,1)" : "edge " + edge_text(edges.front()); break;
            default: element = "polygon " + std::to_string(mesh.polygons().slots() + 2); break;
            }
        }
        return "run " + word(name) + " Element=" + word(element);
    });
}

// One use of the lasso: a camera on the target, a shape or two drawn over it (the right button, a
// marquee; Shift, deselecting), then drop.
void EditGenerator::plan_lasso_tool()
{
    pending_.push_back([this] { return camera(*this); });
    pending_.push_back([this] {
        return "tool LassoSelect shape=" + std::to_string(below(3)) + (chance(0.3) ? " ex=false" : "");
    });
    std::size_t const shapes = 1 + below(2);
    for (std::size_t k = 0; k < shapes; ++k) {
        auto const spot = std::make_shared<std::string>();
        std::string const how = std::string(chance(0.2) ? " right" : "") + (chance(0.3) ? " shift" : "");
        pending_.push_back([this, spot, how] { return "press " + (*spot = aim(*this)) + how; });
        std::size_t const moves = 1 + below(4);
        for (std::size_t m = 0; m < moves; ++m)
            pending_.push_back([this, spot] { return "drag " + (*spot = aim(*this)); });
        pending_.push_back([spot] { return "release " + *spot; });
    }
    pending_.push_back([] { return std::string("drop"); });
}

// One use of Tweak outside item mode: a camera on the target, a few presses over it, plain or with
// Ctrl, Shift and the right button, mostly dragged, then drop.
void EditGenerator::plan_tweak_tool()
{
    if (teskar::Kernel::instance().selection_mode() == VORNSDK::kSelectItems)
        pending_.push_back([this] { return std::string("mode ") + (chance(0.5) ? "points" : "polygons"); });
    pending_.push_back([this] { return camera(*this); });
    pending_.push_back([] { return std::string("tool Tweak"); });
    std::size_t const gestures = 1 + below(3);
    for (std::size_t k = 0; k < gestures; ++k) {
        auto const spot = std::make_shared<std::string>();
        static char const* const hows[] = {"", "", "", " right", " ctrl", " shift", " right ctrl", " right shift"};
        std::string const how = hows[below(8)];
        pending_.push_back([this, spot] { return "hover " + (*spot = aim(*this)); });
        pending_.push_back([spot, how] { return "press " + *spot + how; });
        std::size_t const moves = below(3);
        for (std::size_t m = 0; m < moves; ++m)
            pending_.push_back([this, spot] { return "drag " + (*spot = aim(*this)); });
        pending_.push_back([spot] { return "release " + *spot; });
    }
    pending_.push_back([] { return std::string("drop"); });
}

} // namespace edit_checks
