#include "script_fixture.h"

namespace {

class KnifeScriptTest : public ScriptTest {
protected:
    // A 4 by 4 grid, 2 wide, seen from straight above in polygon mode: world (x, 0, z) is pixel
    // (400 + 240 x, 300 + 240 z), and the near plane lies at y = 4.99.
    static constexpr char const* kGrid = "new grid g 4 4 2\ncamera 0 5 0 0 0 0 ortho 2.5\nmode polygons\n";

    static std::size_t points_at_z(double z)
    {
        std::size_t n = 0;
        for (VORNSDK::Index p : mesh("g")->points())
            n += std::abs(mesh("g")->point_position(p).z - z) < 1e-12;
        return n;
    }
};

TEST_F(KnifeScriptTest, ADrawnLineCutsAsItGrowsAndTheSessionUndoesAsOneStep)
{
    std::string const before = temp("before.mesh"), after = temp("after.mesh");
    Outcome const o = run(std::string(kGrid) + "save " + before +
                          "\ntool Knife\npress 100 360\ndrag 410 360\ninfo\ndrag 700 360\nget Start\nget End\n"
                          "get Origin\nrelease 700 360\nkey Up\ninfo\nkey Down\ninfo\ndrop\nundo\nsave " + after + "\n");
    ASSERT_EQ(o.code, 0) << o.err;
    auto const lines = json_lines(o.out.substr(0, o.out.find('\n') + 1));
    // Halfway the line ends inside the third column: two quads cut, the third gains the end point.
    EXPECT_EQ(lines[0]["polygons"], 18);
    EXPECT_NE(o.out.find("Start=-1.25,0,0.25\nEnd=1.25,0,0.25\nOrigin=-1.25,4.99,0.25\n"), std::string::npos) << o.out;
    std::string const rest = o.out.substr(o.out.find("Origin="));
    auto const infos = json_lines(rest.substr(rest.find('\n') + 1));
    // Side A (below the line on screen) goes, then the whole row of cut quads is back.
    EXPECT_EQ(infos[0]["polygons"], 12);
    EXPECT_EQ(infos[1]["polygons"], 20);
    EXPECT_EQ(infos[1]["points"], 30);
    EXPECT_EQ(read_file(after), read_file(before));
    EXPECT_TRUE(mesh("g")->manifold_problems().empty());
    EXPECT_EQ(teskar::UndoHistory::instance().redo_names(), std::vector<std::string>{"Knife"});
}

TEST_F(KnifeScriptTest, TheGizmoDragsEitherEndOrTheWholeLine)
{
    Outcome const o = run(std::string(kGrid) +
                          "tool Knife\npress 100 360\ndrag 700 360\nrelease 700 360\n"
                          // end1: 60 pixels down moves the start a quarter unit along +z.
                          "press 100 360\ndrag 100 420\nrelease 100 420\nget Start\nget Origin\nget End\n"
                          // The line by its middle, back up by the same amount.
                          "press 400 390\ndrag 400 330\nrelease 400 330\nget Start\nget End\n"
                          // With Grid on, a dragged end lands on the half-unit grid.
                          "set Grid=true\npress 700 300\ndrag 705 310\nrelease 705 310\nget End\n");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out, "Start=-1.25,0,0.5\nOrigin=-1.25,4.99,0.5\nEnd=1.25,0,0.25\n"
                     "Start=-1.25,0,0.25\nEnd=1.25,0,0\n"
                     "End=1.5,0,0\n");
    // The line now runs from z = 0.25 to z = 0: no quad of the grid is cut twice.
    EXPECT_EQ(mesh("g")->polygons().count(), 20u);
}

TEST_F(KnifeScriptTest, AddKeepsTheCutAndMovesACopyRedrawStartsANewLine)
{
    Outcome const o = run(std::string(kGrid) +
                          "tool Knife\npress 100 360\ndrag 700 360\nrelease 700 360\n"
                          "hover 400 480\naction Add\n"
                          "hover 100 120\naction Redraw\nhover 700 120\naction Redraw release\ndrop\ninfo\n");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(json_lines(o.out)[0]["polygons"], 28);
    EXPECT_EQ(points_at_z(0.25), 5u);
    EXPECT_EQ(points_at_z(0.75), 5u);
    EXPECT_EQ(points_at_z(-0.75), 5u);
    EXPECT_TRUE(mesh("g")->manifold_problems().empty());
    EXPECT_EQ(undo_names(), (std::vector<std::string>{"New Grid", "Selection Mode", "Knife", "Knife", "Knife"}));
}

TEST_F(KnifeScriptTest, RemoveStepsRoundBothWays)
{
    Outcome const o = run(std::string(kGrid) + "tool Knife Remove=3\nkey Up\nget Remove\nkey Down\nget Remove\n"
                                               "action Remove-\naction Remove-\nget Remove\n");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out, "Remove=0\nRemove=3\nRemove=1\n");
}

TEST_F(KnifeScriptTest, WithoutASelectedMeshTheKnifeSaysSoAndDoesNothing)
{
    Outcome const o = run(std::string(kGrid) + "items\nmode polygons\ntool Knife\npress 100 360\n"
                                               "drag 700 360\nrelease 700 360\ndrop\nmessages\n");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out, "Knife requires one of more meshes to be selected.\n");
    EXPECT_EQ(mesh("g")->polygons().count(), 16u);
    EXPECT_EQ(undo_names(), (std::vector<std::string>{"New Grid", "Selection Mode", "Select Items"}));
}

TEST_F(KnifeScriptTest, RunCutsDirectlyInEachRemovalMode)
{
    std::string const line = "run Knife Start=-2,0,0.25 End=2,0,0.25 Origin=-2,5,0.25 Remove=";
    struct Case {
        int remove;
        int points, polygons;
    };
    for (auto const& [remove, points, polygons] : {Case{0, 30, 20}, {1, 20, 12}, {2, 15, 8}, {3, 35, 20}}) {
        SCOPED_TRACE(remove);
        Outcome const o = run(std::string(kGrid) + line + std::to_string(remove) + "\ninfo\n");
        ASSERT_EQ(o.code, 0) << o.err;
        EXPECT_EQ(json_lines(o.out)[0]["points"], points);
        EXPECT_EQ(json_lines(o.out)[0]["polygons"], polygons);
    }
}

} // namespace
