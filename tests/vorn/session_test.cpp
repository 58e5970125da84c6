#include "module_loader.h"
#include "session.h"

#include "teskar/history.h"
#include "teskar/mesh_item.h"

#include "vornsdk/scene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace VORNSDK;

// The session driven directly, without script text.
class SessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        ASSERT_TRUE(vorn::load_module(TOLVIR_MODULE_PATH, error)) << error;
    }

    teskar::Mesh& mesh(std::string const& name) const { return *teskar::mesh_of(session.find_item(name)); }

    static std::vector<std::string> undo_names() { return teskar::UndoHistory::instance().undo_names(); }

    // A 4 by 4 grid, 2 wide, seen from straight above; pixel (292, 120) lies by the side from
    // point 1 to point 6.
    void grid_from_above()
    {
        session.new_grid("g", 4, 4, 2);
        teskar::Camera camera = session.camera();
        camera.eye = {0, 5, 0};
        camera.target = {0, 0, 0};
        camera.orthographic = true;
        camera.view_height = 2.5;
        session.set_camera(camera);
    }

    std::vector<std::string> messages, warnings;
    vorn::Session session{[this](std::string const& m) { messages.push_back(m); },
                          [this](std::string const& w) { warnings.push_back(w); }};
};

TEST_F(SessionTest, SelectionsAndCommandsAreUndoSteps)
{
    session.new_grid("g", 3, 3, 1);
    session.set_mode(kSelectEdges);
    session.select_edges({{0, 1}, {1, 2}}, true);
    session.run_command(session.command("HardEdgesPatchCommand"), {});
    EXPECT_EQ(session.info(std::nullopt)["hard_edges"], 2);

    session.run_command(session.command("InsertLoop"), {{"Edge", Parameter(String("(0,4)")), "(0,4)"},
                                                        {"Slices", Parameter(1), "1"}});
    EXPECT_EQ(mesh("g").polygons().count(), 12u);
    EXPECT_EQ(undo_names(),
              (std::vector<std::string>{"New Grid", "Selection Mode", "Select Edges", "Hard Edge", "Insert Loop"}));
    session.undo(2);
    EXPECT_EQ(mesh("g").polygons().count(), 9u);
    EXPECT_EQ(session.info("g")["hard_edges"], 0);
    session.redo(1);
    EXPECT_EQ(session.info("g")["hard_edges"], 2);
}

TEST_F(SessionTest, PointerEventsDriveTheActiveTool)
{
    grid_from_above();
    session.activate_tool(session.tool("InsertLoop"), {{"Slices", Parameter(2), "2"}});
    EXPECT_EQ(session.tool_attribute("Slices").as_int(), 2);
    // A refused key stores none of the values before it.
    EXPECT_THROW(session.set_tool_attributes({{"Slices", Parameter(1), "1"}, {"Colour", Parameter(1), "1"}}),
                 vorn::SessionError);
    EXPECT_EQ(session.tool_attribute("Slices").as_int(), 2);
    session.set_tool_attributes({{"Slices", Parameter(1), "1"}});
    session.hover(292, 120, {});
    EXPECT_THROW(session.drag(292, 120, {}), vorn::SessionError);
    session.press(292, 120, std::nullopt, {});
    EXPECT_THROW(session.hover(292, 120, {}), vorn::SessionError);
    session.release(292, 120, {});
    // One loop of five points across the grid.
    EXPECT_EQ(mesh("g").points().count(), 30u);
    session.drop_tool();
    EXPECT_THROW(session.active_tool(), vorn::SessionError);
    session.undo(1);
    EXPECT_EQ(mesh("g").points().count(), 25u);
}

// Each refused operation names why and leaves the scene, its selection and the history as they were.
TEST_F(SessionTest, RefusedOperationsChangeNothing)
{
    session.new_grid("g", 2, 2, 1);
    session.set_mode(kSelectPoints);
    session.select_points({0}, true);
    auto const expect_refused = [&](auto const& operation, std::string const& message) {
        SCOPED_TRACE(message);
        std::vector<std::string> const steps = undo_names();
        std::string const before = session.info("g").dump();
        try {
            operation();
            ADD_FAILURE() << "not refused";
        } catch (vorn::SessionError const& e) {
            EXPECT_EQ(e.what(), message);
        }
        EXPECT_EQ(session.info("g").dump(), before);
        EXPECT_EQ(undo_names(), steps);
    };
    expect_refused([&] { session.new_grid("g", 1, 1, 1); }, "an item named 'g' already exists");
    expect_refused([&] { session.select_points({1, 99}, true); }, "no point 99 in 'g'");
    expect_refused([&] { session.select_edges({{0, 4}}, true); }, "no edge (0,4) in 'g'");
    expect_refused([&] { session.run_command(session.command("InsertLoop"), {{"Colour", Parameter(1), "1"}}); },
                   "'InsertLoop' has no attribute 'Colour'");
    expect_refused([&] { session.command("Nothing"); }, "unknown component 'Nothing'");
    expect_refused([&] { session.tool("Dissolve"); }, "'Dissolve' is not an interactive tool");
    expect_refused([&] { session.press(0, 0, std::nullopt, {}); }, "no tool is active (start one with 'tool NAME')");
    expect_refused([&] { session.undo(4); }, "only 3 steps to undo");
    expect_refused([&] { session.load("g.txt", std::nullopt); }, "unknown file type '.txt' (known: .obj, .mesh)");
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(warnings.empty());
}

} // namespace

// With the grid seen from above, world (x, 0, z) lands on pixel (400 + 240x, 300 + 240z):
// polygon 0 is around (220, 120), polygon 5 around (340, 240); (10, 10) is off the grid.
TEST_F(SessionTest, ClicksSelectThroughPicking)
{
    grid_from_above();
    auto const polygons = [&] {
        std::vector<Index> out;
        mesh("g").selected_polygons().append_to(out);
        return out;
    };
    session.set_mode(kSelectPolygons);
    session.click_select(220, 120, false, false);
    session.click_select(340, 240, false, false);
    EXPECT_EQ(polygons(), std::vector<Index>{5});
    session.click_select(220, 120, true, false);
    EXPECT_EQ(polygons(), (std::vector<Index>{5, 0}));
    session.click_select(220, 120, true, false);
    session.click_select(340, 240, false, true);
    EXPECT_TRUE(polygons().empty());
    session.click_select(220, 120, false, false);
    session.click_select(10, 10, true, false);
    EXPECT_EQ(polygons(), std::vector<Index>{0});
    session.click_select(10, 10, false, false);
    EXPECT_TRUE(polygons().empty());
    EXPECT_EQ(undo_names().back(), "Click Select");

    // Points: the nearest end of the side nearest the hit.
    session.set_mode(kSelectPoints);
    session.click_select(282, 65, false, false);
    EXPECT_TRUE(mesh("g").point_selected(1));
    EXPECT_EQ(mesh("g").selected_points().size(), 1u);

    session.set_mode(kSelectItems);
    session.click_select(10, 10, false, false);
    EXPECT_EQ(session.tree().back()["selected"], false);
    session.click_select(220, 120, false, false);
    EXPECT_EQ(session.tree().back()["selected"], true);
}
