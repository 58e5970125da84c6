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

    // A 4 by 4 grid, 2 wide, seen from straight above.
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

} // namespace
