#include "demo.h"

#include "file_output.h"

#include "listing.h"
#include "module_loader.h"
#include "script.h"

#include "teskar/kernel.h"
#include "teskar/viewport.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <ostream>
#include <sstream>
#include <system_error>
#include <vector>

namespace vorn {

using VORNSDK::Vector3d;

namespace {

// A word of a script that reads back as the text itself, whatever it holds.
std::string script_word(std::string const& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

std::string numbers(Vector3d const& v)
{
    std::ostringstream s;
    s << v.x << ' ' << v.y << ' ' << v.z;
    return s.str();
}

// A perspective view of 800 x 600 pixels: the camera statement, and the pixel a world point
// lands on, so that the scripts can point at geometry.
struct View {
    Vector3d eye, target;
    double fov = 40;

    teskar::Camera camera() const
    {
        teskar::Camera c;
        c.eye = eye;
        c.target = target;
        c.fov_degrees = fov;
        return c;
    }
    std::string statement() const
    {
        std::ostringstream s;
        s << "camera " << numbers(eye) << ' ' << numbers(target) << " fov " << fov << '\n';
        return s.str();
    }
    std::string pixel(Vector3d const& world) const
    {
        Vector3d const p = camera().project(world);
        std::ostringstream s;
        s << std::lround(p.x * 10) / 10.0 << ' ' << std::lround(p.y * 10) / 10.0;
        return s.str();
    }
};

// An attribute value of three numbers, exact.
std::string vector_value(Vector3d const& v)
{
    std::ostringstream s;
    s.precision(17);
    s << v.x << ',' << v.y << ',' << v.z;
    return s.str();
}

// One scene of the demonstration: a script that saves and renders "<name>_before" and
// "<name>_after" into the output folder, with info lines before and after the edit.
struct Scene {
    std::string name, title, script;
};

Vector3d on_tube(int segment, double turn, double y, int segments)
{
    double const a = 2 * std::numbers::pi * (segment + turn) / segments;
    return {std::cos(a), y, std::sin(a)};
}

std::vector<Scene> scenes(std::filesystem::path const& dir)
{
    auto const file = [&](std::string const& name) { return script_word((dir / name).string()); };
    auto const before = [&](std::string const& name) {
        return "info\nsave " + file(name + "_before.mesh") + "\nrender " + file(name + "_before.png") + "\n";
    };
    auto const after = [&](std::string const& name) {
        return "info\nsave " + file(name + "_after.mesh") + "\nrender " + file(name + "_after.png") + "\n";
    };
    std::vector<Scene> out;

    // A tube of 16 segments and 3 rings, 2 high: the pointer rests on a face beside one of its
    // upright edges, at y = 1.1, which previews and then inserts a loop right round the tube.
    {
        View const view{{3.0, 2.7, 3.7}, {0, 0.9, 0}};
        // The face of segment 2 between rings 1 and 2 faces the camera; the point lies just beside
        // its upright edge at segment 2, on the chord towards segment 3.
        Vector3d const a = on_tube(2, 0, 1.1, 16), b = on_tube(3, 0, 1.1, 16);
        std::string const at = view.pixel(a + (b - a) * 0.15);
        out.push_back({"tube_insert_loop", "Insert Loop across the ring of a tube (the preview, then the click)",
                       "new tube tube 16 3 1 2\n" + view.statement() + "tool InsertLoop\nhover " + at + "\n" +
                           before("tube_insert_loop") + "press " + at + "\nrelease " + at + "\n" +
                           after("tube_insert_loop")});
    }
    // A 6 by 4 grid; with three slices, two loops cut the column under the pointer into thirds.
    {
        View const view{{0.4, 3.4, 3.4}, {0, 0, 0.15}};
        // Column 3 runs from x = 0 to 0.5; the point is just inside it, near its top edge on row 1.
        std::string const at = view.pixel({0.2, 0, -0.72});
        out.push_back({"grid_insert_loops", "Insert Loop with Slices=3 on a grid (two loops, thirds of every ring edge)",
                       "new grid grid 6 4 3\n" + view.statement() + "tool InsertLoop\nset Slices=3\nhover " + at +
                           "\n" + before("grid_insert_loops") + "press " + at + "\nrelease " + at + "\n" +
                           after("grid_insert_loops")});
    }
    // Selecting one edge of the tube's second ring dissolves the whole ring.
    {
        View const view{{3.0, 2.8, 3.7}, {0, 0.9, 0}};
        out.push_back({"tube_dissolve", "Dissolve the edge loop through one selected edge",
                       "new tube tube 16 4 1 2\n" + view.statement() + "mode edges\nselect edges (18,19)\n" +
                           before("tube_dissolve") + "run Dissolve\n" + after("tube_dissolve")});
    }
    // The middle 3 by 3 block of a 7 by 7 grid becomes a disc.
    {
        View const view{{0, 3.6, 2.6}, {0, 0, 0.1}};
        std::string select = "select polygons";
        for (int j = 2; j <= 4; ++j)
            for (int i = 2; i <= 4; ++i)
                select += ' ' + std::to_string(i + j * 7);
        out.push_back({"grid_make_circular", "Make Circular on a block of faces",
                       "new grid grid 7 7 3\n" + view.statement() + "mode polygons\n" + select + "\n" +
                           before("grid_make_circular") + "run \"Make Circular\"\n" + after("grid_make_circular")});
    }
    // The outline of an L-shaped patch of a box-like grid turns hard.
    {
        View const view{{0, 3.6, 2.6}, {0, 0, 0.1}};
        out.push_back({"grid_hard_outline", "Hard Edge Outline around a patch of faces",
                       "new grid grid 6 6 3\n" + view.statement() +
                           "mode polygons\nselect polygons 7 8 9 13 14 15 19 20 25 26\n" + before("grid_hard_outline") +
                           "run HardEdgesOutlineCommand\n" + after("grid_hard_outline")});
    }
    // A box cut in each removal mode. The line is given to the knife as it starts, so that the
    // "before" picture shows it and its gizmo over the whole box; a drag of the line's end handle
    // then makes the cut, and dropping the tool keeps it.
    {
        View const view{{3.4, 2.9, 4.6}, {0, 0, 0}};
        // On the drawing plane z = 0 (the view runs most steeply along z), beyond the box on both
        // sides; the knife looks from where the start's view ray begins.
        Vector3d const start{-2.6, 1.2, 0}, end{2.4, -0.8, 0};
        Vector3d const screen = view.camera().project(start);
        Vector3d const origin = view.camera().unproject({screen.x, screen.y, 0.0});
        std::string const at_end = view.pixel(end);
        char const* const modes[] = {"none", "side_a", "side_b", "separate"};
        char const* const titles[] = {"None", "Side A", "Side B", "Separate"};
        for (int remove = 0; remove < 4; ++remove) {
            std::string const name = std::string("box_knife_") + modes[remove];
            out.push_back({name, std::string("Knife across a box, Remove ") + titles[remove],
                           "new box box 2\n" + view.statement() + "mode polygons\ntool Knife Start=" +
                               vector_value(start) + " End=" + vector_value(end) + " Origin=" + vector_value(origin) +
                               " Remove=" + std::to_string(remove) + "\n" + before(name) + "press " + at_end +
                               "\ndrag " + at_end + "\nrelease " + at_end + "\ndrop\n" + after(name)});
        }
    }
    // A column 3 high bent by a quarter turn: a drag of 78.5 pixels to the right, beside the
    // gizmo on the column's foot, at 0.02 rad per pixel.
    {
        View const view{{1.2, 1.6, 8.5}, {1.2, 1.4, 0}};
        std::string const from = view.pixel({2.5, 3.0, 0});
        std::string const x = from.substr(0, from.find(' ')), y = from.substr(from.find(' ') + 1);
        std::string const dragged = std::to_string(std::stod(x) + 78.54) + " " + y;
        out.push_back({"column_bend", "Bend a column by a quarter turn (a drag of 78.5 pixels)",
                       "new tube column 12 12 0.25 3\n" + view.statement() + "tool Bend\n" + before("column_bend") +
                           "press " + from + "\ndrag " + dragged + "\nrelease " + dragged + "\nget angle\n" +
                           after("column_bend") + "drop\n"});
    }
    // A square bar twisted by half a turn at its top: the "Mode" toggle shows the rings, then a
    // drag of 62.8 pixels at 0.05 rad per pixel.
    {
        View const view{{3.0, 2.6, 5.0}, {0, 1.5, 0}};
        std::string const from = view.pixel({1.6, 0.4, 0});
        std::string const x = from.substr(0, from.find(' ')), y = from.substr(from.find(' ') + 1);
        std::string const dragged = std::to_string(std::stod(x) + 62.83) + " " + y;
        out.push_back({"bar_twist", "Twist a bar by half a turn (the rings and translate gizmos, then a drag)",
                       "new tube bar 4 16 0.35 3\n" + view.statement() + "tool Twist\naction Mode\n" +
                           before("bar_twist") + "press " + from + "\ndrag " + dragged + "\nrelease " + dragged +
                           "\nget twist_near\n" + after("bar_twist") + "drop\n"});
    }
    // Eight boxes round a point two units away, as new polygons of the box's mesh.
    {
        View const view{{2.0, 5.5, 6.5}, {2.0, 0, 0.3}};
        out.push_back({"box_radial_array", "Radial Array of a box: eight repeats round a point beside it",
                       "new box box 0.6\n" + view.statement() + before("box_radial_array") +
                           "tool Array ArrayType=1 nrad=8 origin=2,0,0\n" + after("box_radial_array") + "drop\n"});
    }
    // A freeform lasso drawn round the middle of a grid: the outline while the button is held,
    // then the polygons wholly inside it selected.
    {
        View const view{{0, 3.6, 2.6}, {0, 0, 0.1}};
        std::string drag;
        for (int k = 0; k <= 12; ++k) {
            double const a = 2 * std::numbers::pi * k / 12;
            drag += "drag " + view.pixel({1.1 * std::cos(a), 0, 0.8 * std::sin(a) + 0.1 * std::cos(3 * a)}) + "\n";
        }
        std::string const first = view.pixel({1.1, 0, 0.1});
        out.push_back({"grid_lasso", "Lasso: a freeform outline drawn over a grid, then the faces inside it selected",
                       "new grid grid 8 8 3\n" + view.statement() + "mode polygons\ntool LassoSelect\npress " + first +
                           "\n" + drag + before("grid_lasso") + "release " + first + "\n" + after("grid_lasso") +
                           "drop\n"});
    }
    // "Hover Loop" with the pointer beside an upright edge of a tube: a loop round the tube.
    {
        View const view{{3.0, 2.7, 3.7}, {0, 0.9, 0}};
        Vector3d const a = on_tube(2, 0, 1.1, 16), b = on_tube(3, 0, 1.1, 16);
        out.push_back({"tube_hover_loop", "Hover Loop: the pointer beside an edge, a loop across its ring",
                       "new tube tube 16 3 1 2\n" + view.statement() + "mode polygons\npointer " +
                           view.pixel(a + (b - a) * 0.15) + "\n" + before("tube_hover_loop") +
                           "run \"Hover Loop\"\nmode edges\n" + after("tube_hover_loop")});
    }
    // Tweak: the face under the pointer highlighted, then grabbed and dragged up the picture (drawn
    // after the release, without the drag's guide).
    {
        View const view{{0.4, 3.4, 3.4}, {0, 0, 0.15}};
        std::string const at = view.pixel({-0.25, 0, -0.25});
        std::string const x = at.substr(0, at.find(' ')), y = at.substr(at.find(' ') + 1);
        std::string const dragged = x + " " + std::to_string(std::stod(y) - 70);
        out.push_back({"grid_tweak", "Tweak: the face under the pointer highlighted, then dragged",
                       "new grid grid 6 6 3\n" + view.statement() + "mode polygons\ntool Tweak\nhover " + at + "\n" +
                           before("grid_tweak") + "press " + at + "\ndrag " + dragged + "\nrelease " + dragged + "\n" +
                           after("grid_tweak") + "drop\n"});
    }
    return out;
}

// "points 80 -> 64, polygons 64 -> 48" from the info lines before and after the edit (selections
// by their sizes), and the tool attributes the script printed ("angle=1.5708"), which tell what a
// deformer did.
std::string change_summary(std::string const& output)
{
    std::vector<nlohmann::json> info;
    std::vector<std::string> values;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.front() == '{')
            info.push_back(nlohmann::json::parse(line, nullptr, false));
        else if (line.find('=') != std::string::npos)
            values.push_back(line);
    }
    if (info.size() != 2 || info[0].is_discarded() || info[1].is_discarded())
        return {};
    std::string out;
    for (char const* key : {"points", "polygons", "edges", "hard_edges"}) {
        if (info[0][key] == info[1][key])
            continue;
        out += std::string(out.empty() ? "" : ", ") + key + ' ' + info[0][key].dump() + " -> " + info[1][key].dump();
    }
    for (char const* key : {"selected_points", "selected_edges", "selected_polygons"}) {
        if (info[0][key].size() == info[1][key].size())
            continue;
        out += std::string(out.empty() ? "" : ", ") + key + ' ' + std::to_string(info[0][key].size()) + " -> " +
               std::to_string(info[1][key].size());
    }
    for (std::string const& value : values)
        out += (out.empty() ? "" : ", ") + value;
    return out;
}

} // namespace

int run_demo(std::string const& module_path, std::string const& out_dir, std::ostream& out, std::ostream& err)
{
    auto const types = teskar::Kernel::instance().registry().types(module_origin(module_path));
    std::filesystem::path const dir(out_dir);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        err << "vorn: cannot make the folder '" << out_dir << "': " << ec.message() << '\n';
        return 1;
    }
    out << module_name(module_path) << ": " << types.size() << " components\n";
    print_list(out, types);
    std::string const listing = list_json(module_name(module_path), types).dump(2) + '\n';
    std::string error;
    auto const write_listing = [&](std::ostream& file) {
        file << listing;
        return std::string();
    };
    if (!replace_file((dir / "components.json").string(), write_listing, error)) {
        err << "vorn: " << error << '\n';
        return 1;
    }
    out << "wrote " << (dir / "components.json").string() << '\n';

    for (Scene const& scene : scenes(dir)) {
        out << '\n' << scene.title << '\n';
        std::istringstream script(scene.script);
        std::ostringstream output;
        if (run_script(script, "demo " + scene.name, output, err) != 0) {
            out << output.str();
            return 1;
        }
        if (std::string const summary = change_summary(output.str()); !summary.empty())
            out << "  " << summary << '\n';
        for (char const* stage : {"_before", "_after"})
            for (char const* ext : {".png", ".mesh"})
                out << "wrote " << (dir / (scene.name + stage + ext)).string() << '\n';
    }
    return 0;
}

} // namespace vorn
