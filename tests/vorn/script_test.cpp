#include "script_fixture.h"

#include "scene_info.h"

#include "teskar/history.h"
#include "teskar/kernel.h"

#include "vornsdk/attribute.h"
#include "vornsdk/host.h"

#include <cmath>
#include <fstream>

namespace {

using VORNSDK::Index;
using VORNSDK::Vector3d;

// The polygon's area-weighted normal (Newell) and its centroid.
std::pair<Vector3d, Vector3d> normal_and_centre(teskar::Mesh const& mesh, Index f)
{
    Vector3d n, c;
    auto const vs = mesh.polygon_vertices(f);
    for (std::size_t k = 0; k < vs.count; ++k) {
        Vector3d const a = mesh.point_position(vs[k]), b = mesh.point_position(vs[(k + 1) % vs.count]);
        n += VORNSDK::cross(a, b);
        c += a / vs.count;
    }
    return {n, c};
}

TEST_F(ScriptTest, PrimitivesHaveTheirCountsNumberingAndOutwardNormals)
{
    auto info = run_json("new grid g 2 3 4\ninfo\nnew box b 2\ninfo\nnew tube t 8 2 0.5 3\ninfo\n");
    ASSERT_EQ(info.size(), 3u);
    EXPECT_EQ(info[0]["points"], 12);
    EXPECT_EQ(info[0]["polygons"], 6);
    EXPECT_EQ(info[0]["edges"], 17);
    EXPECT_EQ(info[1]["points"], 8);
    EXPECT_EQ(info[1]["polygons"], 6);
    EXPECT_EQ(info[1]["edges"], 12);
    EXPECT_EQ(info[2]["points"], 24);
    EXPECT_EQ(info[2]["polygons"], 16);
    EXPECT_EQ(info[2]["edges"], 40);
    // The last item made is the only one selected.
    EXPECT_EQ(scene().selection().size(), 1u);
    EXPECT_EQ(scene().selection().front(), scene().find_item("t"));

    teskar::Mesh const& grid = *mesh("g");
    EXPECT_EQ(grid.point_position(0), (Vector3d{-2, 0, -2}));
    EXPECT_EQ(grid.point_position(1 + 2 * 3).x, 0.0);
    EXPECT_NEAR(grid.point_position(1 + 2 * 3).z, 2.0 / 3, 1e-15);
    auto const f5 = grid.polygon_vertices(1 + 2 * 2);
    EXPECT_EQ(std::vector<Index>(f5.begin(), f5.end()), (std::vector<Index>{7, 10, 11, 8}));
    for (Index f : grid.polygons())
        EXPECT_GT(normal_and_centre(grid, f).first.y, 0) << "grid polygon " << f;

    teskar::Mesh const& box = *mesh("b");
    for (Index f : box.polygons()) {
        auto const [n, c] = normal_and_centre(box, f);
        EXPECT_NEAR(VORNSDK::dot(VORNSDK::unit(n), c), 1.0, 1e-12) << "box polygon " << f;
    }
    teskar::Mesh const& tube = *mesh("t");
    EXPECT_NEAR(tube.point_position(2 + 8 * 2).z, 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(tube.point_position(2 + 8 * 2).y, 3.0);
    for (Index f : tube.polygons()) {
        auto const [n, c] = normal_and_centre(tube, f);
        EXPECT_GT(n.x * c.x + n.z * c.z, 0) << "tube polygon " << f;
        EXPECT_NEAR(n.y, 0, 1e-12);
    }
}

TEST_F(ScriptTest, AnErrorStopsTheScriptAndKeepsEarlierWork)
{
    Outcome const o = run("new grid g 1 1\n\n  # nothing\nmode points\necho before\nbogus 1\necho after\n");
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err, "test.vs:6: unknown statement 'bogus'\n");
    EXPECT_EQ(o.out, "before\n");
    EXPECT_NE(mesh("g"), nullptr);
    EXPECT_EQ(VORNSDK::selection_mode(), VORNSDK::kSelectPoints);
}

TEST_F(ScriptTest, AFailingStatementChangesNothing)
{
    std::string const prelude = "new grid g 2 2\nnew box b\nmode points\nselect points 1 3\n";
    auto const snapshot = [] {
        std::string s = vorn::item_info("b", *mesh("b"), VORNSDK::selection_mode()).dump();
        for (auto const& line : vorn::scene_items(scene()))
            s += line.dump();
        return s + std::to_string(undo_names().size());
    };
    ASSERT_EQ(run(prelude).code, 0);
    std::string const expected = snapshot();

    struct Case {
        char const* line;
        char const* message;
    };
    for (auto const& [line, message] : std::vector<Case>{
             {"select points 0 8", "no point 8 in 'b'"},
             {"deselect polygons 6", "no polygon 6 in 'b'"},
             {"select edges (0,1) (0,7)", "no edge (0,7) in 'b'"},
             {"select edges 0,1", "bad edge '0,1'"},
             {"items b nobody", "no item named 'nobody'"},
             {"mode faces", "unknown selection mode 'faces'"},
             {"new grid g 1 1", "an item named 'g' already exists"},
             {"new grid h 0 1", "NX must be a positive integer"},
             {"new tube t 2 1", "at least 3 segments"},
             {"run NoSuchCommand", "unknown component 'NoSuchCommand'"},
             {"run SetValue Axis=x", "bad value 'x' for Axis (expected int)"},
             {"run SetValue Value=1 Colour=2", "'SetValue' has no attribute 'Colour'"},
             {"pref NoSuchPref=1", "unknown preference 'NoSuchPref'"},
             {"pref ToolColor=1,2,3", "bad value '1,2,3' for ToolColor"},
             {"redo", "nothing to redo"},
             {"undo 9", "only 4 steps to undo"},
             {"info Materials", "item 'Materials' has no mesh"},
             {"save x.ply", "unknown file type '.ply'"},
             {"load g.txt", "unknown file type '.txt' (known: .obj, .mesh)"},
         }) {
        SCOPED_TRACE(line);
        Outcome const o = run(prelude + line + "\necho never\n");
        EXPECT_EQ(o.code, 1);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err.rfind("test.vs:5: ", 0), 0u) << o.err;
        EXPECT_NE(o.err.find(message), std::string::npos) << o.err;
        EXPECT_EQ(snapshot(), expected);
    }
}

TEST_F(ScriptTest, SelectionsAndNewItemsAreUndoSteps)
{
    auto out = run_json("new grid g 2 2\nmode edges\nselect edges (4,1) (0,3)\nselect all\ndeselect edges (1,4)\n"
                        "info\nundo 2\ninfo\nredo\ninfo\nnew box b\ntree\nundo\ntree\nredo\ninfo\n");
    ASSERT_EQ(out.size(), 3u + 4 + 3 + 1);
    EXPECT_EQ(out[0]["selected_edges"].size(), 11u);
    EXPECT_EQ(out[0]["selected_edges"][0], nlohmann::json::parse("[0,3]"));
    // Edges keep the orientation they were selected with.
    EXPECT_EQ(out[1]["selected_edges"], nlohmann::json::parse("[[4,1],[0,3]]"));
    EXPECT_EQ(out[2]["selected_edges"].size(), 12u);
    EXPECT_EQ(out[2]["mode"], "edges");

    auto const listed = [&](std::size_t first, std::size_t count) {
        std::vector<std::string> names;
        for (std::size_t k = first; k < first + count; ++k)
            names.push_back(out[k]["name"].get<std::string>() + (out[k]["selected"] ? "*" : ""));
        return names;
    };
    EXPECT_EQ(listed(3, 4), (std::vector<std::string>{"Materials", "Default", "g", "b*"}));
    EXPECT_EQ(listed(7, 3), (std::vector<std::string>{"Materials", "Default", "g*"}));
    EXPECT_EQ(out.back()["item"], "b");
    EXPECT_EQ(undo_names(),
              (std::vector<std::string>{"New Grid", "Selection Mode", "Select Edges", "Select All", "New Box"}));
}

TEST_F(ScriptTest, ItemsModeSelectionAndPreferences)
{
    Outcome const o = run("new box a\nnew box b\nnew box c\nitems c a\ninfo\nselect all\ntree\n"
                          "pref ToolColor=1,0.5,0,1\npref ActionCenter=2\necho \"two  words\" \\\"x\\\" # comment\n");
    ASSERT_EQ(o.code, 0) << o.err;
    std::size_t const last_line = o.out.rfind('\n', o.out.size() - 2) + 1;
    auto const lines = json_lines(o.out.substr(0, last_line));
    ASSERT_EQ(lines.size(), 1u + 5);
    EXPECT_EQ(lines[0]["item"], "c");
    EXPECT_EQ(lines[1]["selected"], false);
    EXPECT_EQ(lines[2]["type"], "Material");
    EXPECT_EQ(lines[2]["parent"], "Materials");
    std::vector<std::string> selected;
    for (auto const& item : scene().selection())
        selected.push_back(teskar::item_of(item)->name().to_utf8());
    EXPECT_EQ(selected, (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(o.out.substr(last_line), "two  words \"x\"\n");
    EXPECT_EQ(VORNSDK::app_node()["ToolColor"].as_Vector4f(), (VORNSDK::Vector4f{1, 0.5f, 0, 1}));
    EXPECT_EQ(VORNSDK::app_node()["ActionCenter"].as_int(), 2);
    // A new run starts with the default preferences.
    ASSERT_EQ(run("").code, 0);
    EXPECT_EQ(VORNSDK::app_node()["ActionCenter"].as_int(), 0);
}

TEST(ScriptWords, QuotesEscapesAndComments)
{
    using W = std::vector<std::string>;
    EXPECT_EQ(vorn::split_words("  a\tb  "), (W{"a", "b"}));
    EXPECT_EQ(vorn::split_words("load \"my file.obj\" x # note"), (W{"load", "my file.obj", "x"}));
    EXPECT_EQ(vorn::split_words("run X Name=\"a b\"\"\" \"\""), (W{"run", "X", "Name=a b", ""}));
    EXPECT_EQ(vorn::split_words(R"(echo a\ b "q\"#" \#)"), (W{"echo", "a b", "q\"#", "#"}));
    EXPECT_EQ(vorn::split_words("# only a comment"), W{});
    EXPECT_THROW(vorn::split_words("echo \"open"), std::invalid_argument);
    EXPECT_THROW(vorn::split_words("echo \\"), std::invalid_argument);
}

TEST(VornRun, RunsScriptFilesAndStandardInput)
{
    auto const stem = std::filesystem::path(::testing::TempDir()) / ("vorn_run_" + std::to_string(::getpid()));
    std::string const script = stem.string() + ".vs", obj = stem.string() + ".obj";
    std::ofstream(script) << "new box b\necho made\nselect polygons 6\necho never\n";
    ProgramRun const failing = run_vorn("run '" + script + "'");
    EXPECT_EQ(failing.code, 1);
    EXPECT_EQ(failing.out, "made\n");
    EXPECT_EQ(failing.err, script + ":3: no polygon 6 in 'b'\n");

    std::ofstream(script) << "new grid g 1 1\nmode polygons\nselect all\ninfo\nsave \"" << obj << "\"\n";
    ProgramRun const p = run_vorn("run - <'" + script + "'");
    ASSERT_EQ(p.code, 0) << p.err;
    EXPECT_EQ(p.out, "{\"item\":\"g\",\"points\":4,\"polygons\":1,\"edges\":4,\"hard_edges\":0,\"mode\":\"polygons\","
                     "\"selected_points\":[],\"selected_edges\":[],\"selected_polygons\":[0]}\n");
    EXPECT_EQ(read_file(obj), "# 4 points, 1 polygons\no g\nv -0.5 0 -0.5\nv 0.5 0 -0.5\nv -0.5 0 0.5\nv 0.5 0 0.5\n"
                          "f 1 3 4 2\n");
    std::filesystem::remove(script);
    std::filesystem::remove(obj);

    ProgramRun const missing = run_vorn("run /nonexistent/script.vs");
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("/nonexistent/script.vs"), std::string::npos) << missing.err;
}

} // namespace

TEST_F(ScriptTest, AByteOrderMarkIsSkippedAndLongWordsAreCutInMessages)
{
    Outcome const o = run("\xEF\xBB\xBFnew box b\necho done\n");
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out, "done\n");

    std::string const runaway(20'000'000, 'x');
    Outcome const e = run("mode " + runaway + "\n");
    EXPECT_EQ(e.code, 1);
    EXPECT_EQ(e.err, "test.vs:1: unknown selection mode '" + std::string(40, 'x') +
                         "...' (known: points, edges, polygons, items)\n");
}
