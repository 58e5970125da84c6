#include "edit_checks.h"

#include "scene_info.h"

#include "teskar/history.h"
#include "teskar/kernel.h"
#include "teskar/mesh_item.h"
#include "teskar/scene.h"
#include "teskar/tool_handler.h"

#include "vornsdk/attribute.h"
#include "vornsdk/scene.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <regex>

namespace edit_checks {

using VORNSDK::Component;
using VORNSDK::Index;
using VORNSDK::VertexPair;

namespace {

// Outcomes the documentation promises, which the checks would otherwise report. A label is
// "MODE [TOOL: ]LINE".
struct Allowance {
    Check check;
    std::regex label;
};

std::vector<Allowance> const& allowances()
{
    static std::vector<Allowance> const list = {
        // Remove keeps the points of the polygons it removes (docs/host-commands.md).
        {Check::Stranded, std::regex(R"(\w+ (\w+: )?run Remove\b.*)")},
        // Set Value moves points onto one plane, and so onto each other.
        {Check::Coincident, std::regex(R"(\w+ (\w+: )?run SetValue\b.*)")},
        // Extend without a distance starts its walls flat (docs/host-commands.md), and the
        // copies of points on one spot share a spot too.
        {Check::Coincident, std::regex(R"(\w+ (\w+: )?run Extend\b.*)")},
        // Connect splits at midpoints: a line it drew across a polygon may pass through one of
        // the polygon's corners, and splitting that line again lands on the corner.
        {Check::Coincident, std::regex(R"(\w+ (\w+: )?run Connect\b.*)")},
        // Hover Extend runs Extend with no distance.
        {Check::Coincident, std::regex(R"(\w+ (\w+: )?run "Hover Extend".*)")},
        // Hover Flip turns one polygon round against its neighbours: that is what it is for, to
        // mend a polygon wound the wrong way (docs/selection-tools.md).
        {Check::Manifold, std::regex(R"(\w+ (\w+: )?run "Hover Flip".*)")},
        // Tweak's Shift on a border point joins a copy on the same spot by two flat triangles,
        // which the drag then pulls out (docs/tweak.md).
        {Check::Coincident, std::regex(R"(\w+ Tweak: press .*shift.*)")},
        // A bend tighter than the selection is thick folds its inner side onto the bend's centre
        // (docs/deformers.md).
        {Check::Coincident, std::regex(R"(\w+ (Bend: .*|(\w+: )?run Bend\b.*))")},
    };
    return list;
}

bool allowed(Check check, std::string const& label)
{
    return std::any_of(allowances().begin(), allowances().end(),
                       [&](Allowance const& a) { return a.check == check && std::regex_match(label, a.label); });
}

// Shortest text that reads back as the same number.
template <class T>
std::string exact(T v)
{
    char buffer[32];
    auto const end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    return std::string(buffer, end);
}

std::string point_text(VORNSDK::Vector3d const& p)
{
    return "(" + exact(p.x) + "," + exact(p.y) + "," + exact(p.z) + ")";
}

std::string edge_text(VertexPair const& e) { return "(" + std::to_string(e.v1) + "," + std::to_string(e.v2) + ")"; }

std::string item_name(Component const& item) { return item ? teskar::item_of(item)->name().to_utf8() : "-"; }

void mesh_state(std::string const& name, teskar::Mesh const& mesh, std::vector<std::string>& out)
{
    std::string const at = "  " + name + " ";
    std::string maps = at + "maps";
    for (std::size_t m = 0; m < mesh.num_vertex_maps(); ++m)
        maps.append(" ").append(mesh.vertex_map_name(m).to_utf8() + "/" + std::to_string(mesh.vertex_map_dimension(m)));
    out.push_back(maps);
    for (Index p : mesh.points()) {
        std::string line = at + "point " + std::to_string(p) + " " + point_text(mesh.point_position(p)) + " in";
        for (Index f : mesh.point_polygons(p))
            line.append(" ").append(std::to_string(f));
        out.push_back(line);
    }
    for (Index f : mesh.polygons()) {
        std::string line = at + "polygon " + std::to_string(f) + " [";
        for (Index v : mesh.polygon_vertices(f))
            line.append(" ").append(std::to_string(v));
        Component const material = mesh.polygon_material(f);
        line += " ] material " + (material ? material["Name"].as_string().to_utf8() : std::string("-"));
        for (std::size_t m = 0; m < mesh.num_vertex_maps(); ++m) {
            line += " map" + std::to_string(m) + "[";
            for (float v : mesh.corner_values(m, f))
                line.append(" ").append(exact(v));
            line += " ]";
        }
        out.push_back(line);
    }
    std::string line = at + "selected points";
    for (Index p : VORNSDK::each(mesh.selected_points()))
        line.append(" ").append(std::to_string(p));
    out.push_back(line);
    line = at + "selected edges";
    for (VertexPair e : VORNSDK::each(mesh.selected_edges()))
        line.append(" ").append(edge_text(e));
    out.push_back(line);
    line = at + "selected polygons";
    for (Index f : VORNSDK::each(mesh.selected_polygons()))
        line.append(" ").append(std::to_string(f));
    out.push_back(line);
    line = at + "hard sides";
    for (Index f : mesh.polygons())
        for (std::size_t k = 0; k < mesh.polygon_vertices(f).count; ++k)
            if (mesh.side_marked_hard(f, k))
                line.append(" ").append(std::to_string(f)).append(":").append(std::to_string(k));
    out.push_back(line);
}

std::string mode_of_session() { return vorn::mode_name(VORNSDK::selection_mode()); }

Component active_tool() { return teskar::ToolHandler::instance().active_tool(); }

// Mesh items of the active scene, in tree order.
std::vector<Component> mesh_items()
{
    std::vector<Component> out;
    if (teskar::Scene const* scene = teskar::scene_of(VORNSDK::active_scene()))
        for (Component const& item : scene->items())
            if (teskar::mesh_of(item))
                out.push_back(item);
    return out;
}

bool finite(VORNSDK::Vector3d const& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

using Spot = std::array<double, 3>;
Spot spot(VORNSDK::Vector3d const& p) { return {p.x, p.y, p.z}; }

// The first differences of two states, for a message.
std::string differences(std::vector<std::string> const& expected, std::vector<std::string> const& found)
{
    std::string out;
    std::size_t shown = 0;
    std::size_t const n = std::max(expected.size(), found.size());
    for (std::size_t i = 0; i < n && shown < 4; ++i) {
        std::string const& e = i < expected.size() ? expected[i] : std::string("(nothing)");
        std::string const& f = i < found.size() ? found[i] : std::string("(nothing)");
        if (e == f)
            continue;
        out += "\n    expected: " + e + "\n    found:    " + f;
        ++shown;
    }
    if (expected.size() != found.size())
        out += "\n    (" + std::to_string(expected.size()) + " facts expected, " + std::to_string(found.size()) + " found)";
    return out;
}

} // namespace

char const* check_name(Check check)
{
    switch (check) {
    case Check::Statement: return "statement failed";
    case Check::Invalid: return "invalid mesh";
    case Check::Manifold: return "new manifold problem";
    case Check::Stranded: return "stranded point";
    case Check::Stray: return "stray point";
    case Check::Coincident: return "coincident corners";
    case Check::NotFinite: return "position not finite";
    case Check::OpenEdit: return "open mesh edit";
    case Check::EmptyStep: return "empty undo step";
    case Check::Unrecorded: return "change without an undo step";
    case Check::ExtraSteps: return "several undo steps";
    case Check::FailedChange: return "failed statement changed something";
    case Check::Undo: return "undo mismatch";
    case Check::Redo: return "redo mismatch";
    case Check::Crash: return "crash";
    }
    return "?";
}

std::string describe(Problem const& p)
{
    return "line " + std::to_string(p.line) + " (" + p.label + "): " + check_name(p.check) + ": " + p.detail;
}

std::vector<std::string> scene_state()
{
    std::vector<std::string> out;
    out.push_back("mode " + mode_of_session());
    teskar::Scene const* scene = teskar::scene_of(VORNSDK::active_scene());
    if (!scene)
        return out;
    auto const& selection = scene->selection();
    for (Component const& item : scene->items()) {
        teskar::Item const* node = teskar::item_of(item);
        auto const chosen = std::find(selection.begin(), selection.end(), item);
        std::string line = std::string(node->kind()) + " " + node->name().to_utf8() + " parent " +
                           (node->parent_item() ? node->parent_item()->name().to_utf8() : std::string("-")) +
                           " selected " + (chosen == selection.end() ? std::string("-") : std::to_string(chosen - selection.begin())) +
                           " placement";
        for (double v : node->placement().m)
            line.append(" ").append(exact(v));
        out.push_back(line);
        if (teskar::Mesh const* mesh = teskar::mesh_of(item))
            mesh_state(node->name().to_utf8(), *mesh, out);
    }
    return out;
}

// What the checks of the next statement compare with, for one mesh.
struct MeshFacts {
    Component item;
    std::uint64_t revision = 0;
    std::vector<std::uint8_t> existed, used;
    // Edge keys of each kind of manifold problem, and the points on them.
    std::set<std::uint64_t> problems[2];
    std::set<Index> problem_points[2];
    // How many points sit on each spot.
    std::map<Spot, int> spots;
    bool finite = true;
};

struct SceneFacts {
    std::vector<MeshFacts> meshes;

    MeshFacts const* find(Component const& item) const
    {
        for (MeshFacts const& m : meshes)
            if (m.item == item)
                return &m;
        return nullptr;
    }
};

namespace {

SceneFacts scene_facts()
{
    SceneFacts out;
    for (Component const& item : mesh_items()) {
        teskar::Mesh const& mesh = *teskar::mesh_of(item);
        MeshFacts f;
        f.item = item;
        f.revision = mesh.revision();
        f.existed.assign(mesh.points().slots(), 0);
        f.used.assign(mesh.points().slots(), 0);
        for (Index p : mesh.points()) {
            f.existed[p] = 1;
            f.used[p] = !mesh.point_polygons(p).empty();
            ++f.spots[spot(mesh.point_position(p))];
            f.finite = f.finite && finite(mesh.point_position(p));
        }
        for (auto const& problem : mesh.manifold_problems()) {
            int const kind = problem.kind;
            f.problems[kind].insert(problem.edge.key());
            f.problem_points[kind].insert(problem.edge.v1);
            f.problem_points[kind].insert(problem.edge.v2);
        }
        out.meshes.push_back(std::move(f));
    }
    return out;
}

// Collects the problems of one statement, leaving out what the documentation allows.
class Reporter {
public:
    Reporter(std::vector<Problem>& out, std::size_t line, std::string const& label) : out_(out), line_(line), label_(label) {}
    void operator()(Check check, std::string detail) const
    {
        if (!allowed(check, label_))
            out_.push_back({check, line_, label_, std::move(detail)});
    }

private:
    std::vector<Problem>& out_;
    std::size_t line_;
    std::string const& label_;
};

// What an edit did to one mesh that it should not have, next to the facts from before it.
void check_edit(Reporter const& report, std::string const& name, teskar::Mesh const& mesh, MeshFacts const& before,
                MeshFacts const& after, bool compare_corners)
{
    if (before.finite && !after.finite)
        report(Check::NotFinite, name + "a point is at infinity or not a number");
    auto const existed = [&](Index p) { return p < before.existed.size() && before.existed[p]; };
    // An edge is a new problem unless it was one before, or it is a piece of one (it has a new
    // point and its old points were on problems of the same kind), or it joins such pieces again
    // (both its points were on problems of the same kind: Dissolve of a cut across one).
    for (auto const& problem : mesh.manifold_problems()) {
        int const kind = problem.kind;
        if (before.problems[kind].contains(problem.edge.key()))
            continue;
        Index const ends[] = {problem.edge.v1, problem.edge.v2};
        bool const piece = std::all_of(std::begin(ends), std::end(ends),
                                       [&](Index p) { return !existed(p) || before.problem_points[kind].contains(p); });
        if (!piece)
            report(Check::Manifold, name + problem.text());
    }
    for (Index p : mesh.points()) {
        if (!mesh.point_polygons(p).empty())
            continue;
        if (!existed(p))
            report(Check::Stray, name + "new point " + std::to_string(p) + " is in no polygon");
        else if (before.used[p])
            report(Check::Stranded, name + "point " + std::to_string(p) + " has no polygon left");
    }
    if (!compare_corners)
        return;
    // A side of no length (two neighbouring corners on one spot) is new unless two points shared
    // that spot before. Corners apart from each other may meet on a folded polygon, through
    // no fault of the edit.
    for (Index f : mesh.polygons()) {
        auto const v = mesh.polygon_vertices(f);
        for (std::size_t k = 0; k < v.count; ++k) {
            Index const a = v[k], b = v[(k + 1) % v.count];
            Spot const at = spot(mesh.point_position(a));
            if (at != spot(mesh.point_position(b)))
                continue;
            auto const shared = before.spots.find(at);
            if (shared == before.spots.end() || shared->second < 2)
                report(Check::Coincident, name + "polygon " + std::to_string(f) + " has points " + std::to_string(a) +
                                              " and " + std::to_string(b) + " at " +
                                              point_text(mesh.point_position(b)));
        }
    }
}

// Whether a polygon has no area: its corners lie on one line.
bool has_flat_polygon(teskar::Mesh const& mesh)
{
    for (Index f : mesh.polygons()) {
        auto const v = mesh.polygon_vertices(f);
        VORNSDK::Vector3d area;
        double perimeter = 0;
        for (std::size_t k = 0; k < v.count; ++k) {
            VORNSDK::Vector3d const a = mesh.point_position(v[k]), b = mesh.point_position(v[(k + 1) % v.count]);
            area += VORNSDK::cross(a, b);
            perimeter += VORNSDK::length(b - a);
        }
        if (VORNSDK::length(area) <= 1e-9 * perimeter * perimeter)
            return true;
    }
    return false;
}

// The first word of a script line, or nothing.
std::string statement_of(std::string const& line)
{
    try {
        auto const words = vorn::split_words(line);
        return words.empty() ? std::string() : words.front();
    } catch (std::exception const&) {
        return {};
    }
}

} // namespace

CheckedSession::CheckedSession(bool must_run)
    : session_(std::make_unique<vorn::ScriptSession>(out_, out_)), must_run_(must_run), state_(scene_state()),
      facts_(std::make_unique<SceneFacts>(scene_facts())), in_tool_(std::make_unique<SceneFacts>())
{
    settled_[0] = state_;
}

CheckedSession::~CheckedSession() = default;

std::string CheckedSession::label(std::string const& line) const
{
    Component const tool = active_tool();
    return mode_of_session() + " " + (tool ? tool.component_type().to_utf8() + ": " : std::string()) + line;
}

void CheckedSession::compare(State const& expected, Check check, std::string const& what, std::vector<Problem>& problems)
{
    ++comparisons_;
    State const now = scene_state();
    if (now != expected)
        problems.push_back({check, line_, what, "the scene differs from the state seen with that step on top:" + differences(expected, now)});
}

std::vector<Problem> CheckedSession::run(std::string const& line)
{
    ++line_;
    auto& history = teskar::UndoHistory::instance();
    std::string const what = label(line);
    if (observer_)
        observer_(what);
    bool const tool_before = bool(active_tool());
    auto const undo_before = history.undo_names(), redo_before = history.redo_names();
    std::vector<Problem> problems;
    Reporter const report(problems, line_, what);

    std::string error;
    try {
        session_->run_line(line);
    } catch (std::exception const& e) {
        error = e.what();
    }
    ++statements_;
    State now = scene_state();
    bool const tool_after = bool(active_tool());
    auto const undo_after = history.undo_names(), redo_after = history.redo_names();

    if (!error.empty()) {
        if (must_run_)
            report(Check::Statement, error);
        if (now != state_)
            report(Check::FailedChange, "'" + error + "', yet the scene changed:" + differences(state_, now));
        else if (undo_after != undo_before || redo_after != redo_before)
            report(Check::FailedChange, "'" + error + "', yet the undo or redo list changed");
    }

    // Undo and redo are checked by the states they give back, not as edits.
    std::string const statement = statement_of(line);
    bool const history_statement = statement == "undo" || statement == "redo";
    SceneFacts after = scene_facts();
    loosen(after, allowed(Check::Coincident, what));
    for (MeshFacts const& m : after.meshes) {
        teskar::Mesh const& mesh = *teskar::mesh_of(m.item);
        std::string const name = "'" + item_name(m.item) + "': ";
        for (std::string const& problem : mesh.validate())
            report(Check::Invalid, name + problem);
        if (mesh.edit_nesting() != 0)
            report(Check::OpenEdit, name + "edit nesting " + std::to_string(mesh.edit_nesting()));
        // Edits of a polygon with no area (Remove and Dissolve can leave one with its corners in
        // a line) may put points on one spot through no fault of theirs.
        bool const flat = has_flat_polygon(mesh);
        MeshFacts const* before = facts_->find(m.item);
        if (!before || history_statement)
            continue;
        // A tool in use applies its edit again to its mesh as it was when its step began, which
        // brings back that mesh's points and manifold problems: those seen since the tool began
        // are not new.
        MeshFacts widened;
        if (MeshFacts const* seen = tool_before ? in_tool_->find(m.item) : nullptr) {
            widened = *before;
            for (int kind = 0; kind < 2; ++kind) {
                widened.problems[kind].insert(seen->problems[kind].begin(), seen->problems[kind].end());
                widened.problem_points[kind].insert(seen->problem_points[kind].begin(), seen->problem_points[kind].end());
            }
            // Each apply starts again from the mesh the tool began with and may hand the slots of
            // the last apply's points to new ones: only the points of that mesh are old.
            widened.existed = seen->existed;
            before = &widened;
        }
        check_edit(report, name, mesh, *before, m, std::find(loose_.begin(), loose_.end(), m.item) == loose_.end());
        if (flat && std::find(loose_.begin(), loose_.end(), m.item) == loose_.end())
            loose_.push_back(m.item);
    }
    if (!tool_after)
        in_tool_->meshes.clear();
    else
        for (SceneFacts const* facts : {facts_.get(), &after})
            for (MeshFacts const& m : facts->meshes) {
                if (!in_tool_->find(m.item)) {
                    in_tool_->meshes.emplace_back();
                    in_tool_->meshes.back().item = m.item;
                    in_tool_->meshes.back().existed = m.existed;
                }
                auto& seen = *std::find_if(in_tool_->meshes.begin(), in_tool_->meshes.end(),
                                           [&](MeshFacts const& f) { return f.item == m.item; });
                for (int kind = 0; kind < 2; ++kind) {
                    seen.problems[kind].insert(m.problems[kind].begin(), m.problems[kind].end());
                    seen.problem_points[kind].insert(m.problem_points[kind].begin(), m.problem_points[kind].end());
                }
            }

    if (error.empty() && history_statement) {
        if (auto const it = settled_.find(undo_after.size()); it != settled_.end())
            compare(it->second, statement == "undo" ? Check::Undo : Check::Redo, what, problems);
    } else if (error.empty() && !tool_before && !tool_after) {
        bool const changed = now != state_;
        std::size_t const added = undo_after.size() > undo_before.size() ? undo_after.size() - undo_before.size() : 0;
        if (changed && added == 0)
            report(Check::Unrecorded, "the scene changed but no undo step was added:" + differences(state_, now));
        if (!changed && added > 0)
            report(Check::EmptyStep, "left the step '" + undo_after.back() + "', which changes nothing");
        else if (!changed && redo_after != redo_before)
            report(Check::EmptyStep, "changed nothing but cleared the redo list");
        if (added > 1)
            report(Check::ExtraSteps, "added " + std::to_string(added) + " undo steps");
    }

    state_ = std::move(now);
    *facts_ = std::move(after);
    settle(undo_before.size());
    return problems;
}

void CheckedSession::loosen(SceneFacts const& after, bool allowed)
{
    for (MeshFacts const& m : after.meshes) {
        MeshFacts const* before = facts_->find(m.item);
        bool const changed = !before || before->revision != m.revision;
        // New items made while a loose one was around may be made from it (Break's pieces).
        if (changed && (allowed || (!before && !loose_.empty())))
            loose_.push_back(m.item);
    }
}

void CheckedSession::settle(std::size_t steps_before)
{
    // States above the top of the history are gone once nothing is left to redo, and a step added
    // while changes are still being recorded has no known state yet.
    auto& history = teskar::UndoHistory::instance();
    std::size_t const steps = history.undo_names().size();
    teskar::TransactionRecord const* recording = history.recording();
    if (history.redo_names().empty())
        settled_.erase(settled_.upper_bound(steps), settled_.end());
    // A statement that made several steps (a tool's open step closed before one of its own)
    // was never seen with the ones in between on top.
    if (steps > steps_before + 1)
        settled_.erase(settled_.upper_bound(steps_before), settled_.lower_bound(steps));
    if (!recording || recording->unchanged())
        settled_[steps] = state_;
    else if (steps > steps_before)
        settled_.erase(steps);
}

std::vector<Problem> CheckedSession::undo_and_redo_all()
{
    std::vector<Problem> problems;
    if (active_tool())
        problems = run("drop");
    ++line_;
    auto& history = teskar::UndoHistory::instance();
    auto const check_meshes = [&](std::string const& what) {
        for (Component const& item : mesh_items())
            for (std::string const& problem : teskar::mesh_of(item)->validate())
                problems.push_back({Check::Invalid, line_, what, std::string("'").append(item_name(item)).append("': ").append(problem)});
    };
    auto const step = [&](bool undo) {
        if ((undo ? history.undo_names() : history.redo_names()).empty())
            return;
        std::string const name = undo ? history.undo_names().back() : history.redo_names().back();
        std::size_t const before = history.undo_names().size(), count = undo ? before - 1 : before + 1;
        std::string const what = std::string(undo ? "undo" : "redo") + " of '" + name + "' to " + std::to_string(count) + " steps";
        if (observer_)
            observer_(what);
        session_->run_line(undo ? "undo" : "redo");
        if (history.undo_names().size() != count)
            problems.push_back({undo ? Check::Undo : Check::Redo, line_, what,
                                "left " + std::to_string(history.undo_names().size()) + " steps to undo"});
        check_meshes(what);
        if (auto const it = settled_.find(count); it != settled_.end())
            compare(it->second, undo ? Check::Undo : Check::Redo, what, problems);
    };
    std::size_t const steps = history.undo_names().size(), redone_before = history.redo_names().size();
    for (std::size_t k = 0; k < steps; ++k)
        step(true);
    std::size_t const redoable = history.redo_names().size();
    if (redoable != steps + redone_before)
        problems.push_back({Check::Redo, line_, "redo",
                            std::to_string(steps) + " steps undone with " + std::to_string(redone_before) +
                                " to redo already, but " + std::to_string(redoable) + " to redo"});
    for (std::size_t k = 0; k < redoable; ++k)
        step(false);
    return problems;
}

} // namespace edit_checks
