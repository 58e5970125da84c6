#include "script_fixture.h"

namespace {

class SelectionToolsTest : public ScriptTest {
protected:
    // A 4 by 4 grid, 2 wide, seen from straight above: world (x, 0, z) is pixel
    // (400 + 240 x, 300 + 240 z), so point i + 5 j lies at pixel (160 + 120 i, 60 + 120 j).
    static constexpr char const* kGrid = "new grid g 4 4 2\ncamera 0 5 0 0 0 0 ortho 2.5\n";
};

using Indices = std::vector<int>;

TEST_F(SelectionToolsTest, MarqueeSelectsPointsAndWholeOrTouchedPolygons)
{
    auto lines = run_json(std::string(kGrid) +
                          "mode points\ntool LassoSelect shape=1\npress 250 150\ndrag 450 350\nrelease 450 350\ninfo\n"
                          // The right button draws a marquee whatever the shape; "ex" takes whole polygons.
                          "mode polygons\nset shape=0\npress 250 150 right\ndrag 530 430\nrelease 530 430\ninfo\n"
                          // Without it, polygons with one point inside; Shift takes them away again.
                          "set ex=false\npress 250 150 right\ndrag 290 190\nrelease 290 190\ninfo\n"
                          "press 250 150 right shift\ndrag 290 190\nrelease 290 190\ninfo\ndrop\n");
    EXPECT_EQ(lines[0]["selected_points"], (Indices{6, 7, 11, 12}));
    EXPECT_EQ(lines[1]["selected_polygons"], (Indices{5, 6, 9, 10}));
    EXPECT_EQ(lines[2]["selected_polygons"], (Indices{5, 6, 9, 10, 0, 1, 4}));
    EXPECT_EQ(lines[3]["selected_polygons"], (Indices{6, 9, 10}));
    // Each lasso is a step of its own; the mode changed while the tool is in use joins the next.
    EXPECT_EQ(undo_names(), (std::vector<std::string>{"New Grid", "Selection Mode", "Lasso", "Lasso", "Lasso", "Lasso"}));
}

TEST_F(SelectionToolsTest, FreeformAndRadialShapesFollowThePointer)
{
    auto lines = run_json(std::string(kGrid) +
                          "mode points\ntool LassoSelect\n"
                          // A triangle around points 6, 7 and 12 only; the press itself adds no point.
                          "press 100 100\ndrag 230 150\ndrag 470 150\ndrag 470 370\ndrag 470 370.5\nrelease 470 370\ninfo\n"
                          "select none\nset shape=2\npress 400 300\ndrag 530 300\nrelease 530 300\ninfo\ndrop\n");
    EXPECT_EQ(lines[0]["selected_points"], (Indices{6, 7, 12}));
    // A circle of 130 pixels around point 12 reaches its four neighbours (120 away), not the
    // diagonal ones (170 away).
    EXPECT_EQ(lines[1]["selected_points"], (Indices{7, 11, 12, 13, 17}));
}

TEST_F(SelectionToolsTest, OcclusionAndTheEyeHideWhatCannotBeSeen)
{
    std::string const lasso = "run Lasso Viewport=@viewport Points=100,50,1;700,50,1;700,550,1;100,550,1\ninfo\n";
    auto lines = run_json("new box b 2\nmode points\n" + lasso + "pref SelectionOcclusion=true\n" + lasso);
    EXPECT_EQ(lines[0]["selected_points"].size(), 8u);
    // Only the corners of the face towards the camera (+z) are taken.
    EXPECT_EQ(lines[1]["selected_points"], (Indices{4, 5, 6, 7}));

    // Standing between the box (centre at the origin) and the tube (centre at y = 0.5), looking
    // up: the box projects onto the middle of the picture from behind the eye and is not taken.
    for (auto const& item : run_json("new box b 1\nnew tube t 8 1\ncamera 0 0.25 0 0 10 0 up 0 0 1\nitems\n"
                                     "tool LassoSelect shape=1\npress 10 10\ndrag 790 590\nrelease 790 590\ndrop\ntree\n"))
        EXPECT_EQ(item["selected"], item["name"] == "t") << item;
}

TEST_F(SelectionToolsTest, TheLassoCommandReplaysAStoredOutline)
{
    std::string const outline = " Viewport=@viewport Points=250,150,1;450,150,1;450,350,1;250,350,1\n";
    auto lines = run_json(std::string(kGrid) + "mode polygons\nselect polygons 0\n" +
                          "run Lasso SelectionStyle=Add" + outline + "info\n" +
                          "run Lasso" + outline + "info\n" +
                          "run Lasso SelectionStyle=Subtract Viewport=@viewport Points=250,150,1;310,150,1;310,210,1;250,210,1\n"
                          "info\nmode edges\nrun Lasso" + outline + "info\n"
                          // Without a viewport there is nothing to lasso in.
                          "run Lasso Points=0,0,1;800,0,1;800,600,1\ninfo\n");
    // The command counts polygons with any of the four points inside; Exclusive starts afresh.
    EXPECT_EQ(lines[0]["selected_polygons"], (Indices{0, 1, 2, 4, 5, 6, 8, 9, 10}));
    EXPECT_EQ(lines[1]["selected_polygons"], (Indices{0, 1, 2, 4, 5, 6, 8, 9, 10}));
    EXPECT_EQ(lines[2]["selected_polygons"], (Indices{2, 6, 8, 9, 10}));
    // Every edge at one of the four points, each once though two polygons list it.
    EXPECT_EQ(lines[3]["selected_edges"].size(), 12u);
    EXPECT_EQ(lines[4], lines[3]);
    EXPECT_EQ(undo_names().back(), "Lasso");

    Outcome const bad = run(std::string(kGrid) + "run Lasso Points=1,2\n");
    EXPECT_EQ(bad.code, 1);
    // The tools need a viewport and the pointer: run as commands they refuse and change nothing.
    for (char const* tool : {"LassoSelect", "Tweak"}) {
        Outcome const refused = run(std::string(kGrid) + "mode polygons\nrun " + tool + "\n");
        EXPECT_EQ(refused.code, 1);
        EXPECT_NE(refused.err.find("viewport"), std::string::npos) << refused.err;
        EXPECT_EQ(undo_names().back(), "Selection Mode");
    }
    // Nor is a tool its filters do not offer started.
    Outcome const filtered = run("new box b\ntool Tweak\necho never\n");
    EXPECT_EQ(filtered.code, 1);
    EXPECT_EQ(filtered.err, "test.vs:2: 'Tweak' is not offered in items mode with this selection\n");
    EXPECT_EQ(undo_names(), std::vector<std::string>{"New Box"});
}

using HoverCommandsTest = SelectionToolsTest;

TEST_F(HoverCommandsTest, ThePointerPicksAVertexAnEdgeOrAPolygonByItsThresholds)
{
    auto lines = run_json(std::string(kGrid) + "mode polygons\n"
                          // 10 pixels from point 6 each way: closer than a quarter of the edge.
                          "pointer 290 190\nrun \"Hover Delete\"\ninfo\nundo\n"
                          // Along side (6,11), 5 pixels off it: Delete has nothing to do with edges.
                          "pointer 285 260\nrun \"Hover Delete\"\ninfo\n"
                          "run \"Hover Loop\"\ninfo\nundo\n"
                          // The middle of polygon 5: neither close to a corner nor along a side.
                          "pointer 340 240\nrun \"Hover Loop\"\ninfo\nrun \"Hover Delete\"\ninfo\nundo\n"
                          "run \"Hover Extend\"\ninfo\nundo\n"
                          // Nothing under the pointer: nothing happens.
                          "pointer 10 10\nrun \"Hover Delete\"\ninfo\n");
    EXPECT_EQ(lines[0]["points"], 24);
    EXPECT_EQ(lines[1]["points"], 25);
    EXPECT_EQ(lines[1]["polygons"], 16);
    // The ring across the second row of quads gets a loop through its middle, left selected.
    EXPECT_EQ(lines[2]["polygons"], 20);
    EXPECT_EQ(lines[2]["points"], 30);
    EXPECT_EQ(lines[2]["selected_edges"].size(), 4u);
    EXPECT_EQ(lines[3]["polygons"], 16);
    EXPECT_EQ(lines[4]["polygons"], 15);
    EXPECT_EQ(lines[4]["points"], 25);
    EXPECT_EQ(lines[5]["polygons"], 20);
    EXPECT_EQ(lines[5]["selected_polygons"], (Indices{5}));
    EXPECT_EQ(lines[6], lines[3]);
}

TEST_F(HoverCommandsTest, TheSelectionComesBeforeThePointer)
{
    auto lines = run_json(std::string(kGrid) + "mode polygons\nselect polygons 0 15\npointer 340 240\n"
                          "run \"Hover Delete\"\ninfo\n"
                          "mode points\nselect points 12\nrun \"Hover Delete\"\ninfo\n");
    // The corner polygons go with their outer corners, which nothing else used; polygon 5 stays.
    EXPECT_EQ(lines[0]["polygons"], 14);
    EXPECT_EQ(lines[0]["points"], 23);
    EXPECT_EQ(lines[1]["points"], 22);
    EXPECT_EQ(lines[1]["polygons"], 14);
}

TEST_F(HoverCommandsTest, AStoredElementReplaysWithoutPickingAndStaleOnesChangeNothing)
{
    auto lines = run_json(std::string(kGrid) + "mode polygons\npointer 10 10\n"
                          "run \"Hover Loop\" Element=\"edge (6,11)\"\ninfo\nundo\n"
                          "run \"Hover Loop\" Element=\"EDGE (6,99)\"\nrun \"Hover Loop\" Element=\"edge (6, 11)\"\n"
                          "run \"Hover Delete\" Element=\"polygon 99\"\nrun \"Hover Delete\" Element=\"vertex 4294967296\"\n"
                          "run \"Hover Flip\" Element=nonsense\nrun \"Hover Delete\" Element=item\ninfo\n"
                          // Removing the loop through edge (7,6) runs in edge mode and comes back.
                          "run \"Hover Loop Remove\" Element=\"Edge (7,6)\"\ninfo\n");
    EXPECT_EQ(lines[0]["polygons"], 20);
    EXPECT_EQ(lines[1]["polygons"], 16);
    EXPECT_EQ(lines[1]["points"], 25);
    EXPECT_EQ(lines[2]["polygons"], 12);
    EXPECT_EQ(lines[2]["mode"], "polygons");
    EXPECT_EQ(undo_names(), (std::vector<std::string>{"New Grid", "Selection Mode", "Hover Loop Remove"}));
}

TEST_F(HoverCommandsTest, FlipReversesThePolygonWithItsCornerValues)
{
    std::string const in = temp("quad.obj"), out = temp("flipped.obj");
    write_file(in, "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/1 2/2 3/3 4/4\n");
    Outcome const o = run("load " + in + " q\nmode polygons\nrun \"Hover Flip\" Element=\"polygon 0\"\nsave " + out + "\n");
    ASSERT_EQ(o.code, 0) << o.err;
    std::string const text = read_file(out);
    // Each corner keeps its own texture coordinate.
    EXPECT_NE(text.find("vt 0 1\nvt 1 1\nvt 1 0\nvt 0 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("f 4/1 3/2 2/3 1/4"), std::string::npos) << text;
}

class TweakTest : public SelectionToolsTest {
protected:
    static VORNSDK::Vector3d at(VORNSDK::Index p) { return mesh("g")->point_position(p); }
    // Grabs the middle of polygon 5 (points 6, 7, 11, 12) and drags it 60 pixels (a quarter) along +x.
    static constexpr char const* kDragPolygon5 = "hover 340 240\npress 340 240\ndrag 370 240\ndrag 400 240\nrelease 400 240\n";
};

TEST_F(TweakTest, AGrabMovesTheElementAsOneUndoStepWhenItPassesTheSelectionTest)
{
    Outcome const o = run(std::string(kGrid) + "mode polygons\ntool Tweak\n" + kDragPolygon5);
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_DOUBLE_EQ(at(6).x, -0.25);
    EXPECT_DOUBLE_EQ(at(12).x, 0.25);
    EXPECT_DOUBLE_EQ(at(12).z, 0.0);
    EXPECT_DOUBLE_EQ(at(5).x, -1.0);
    EXPECT_EQ(undo_names().back(), "Tweak");
    EXPECT_EQ(undo_names().size(), 3u);

    // With nothing selected and the preference off nothing moves, and no step is left.
    Outcome const off = run(std::string(kGrid) + "mode polygons\npref NothingSelectedMeansEverythingSelected=false\n"
                            "tool Tweak\n" + kDragPolygon5 + "drop\n");
    ASSERT_EQ(off.code, 0) << off.err;
    EXPECT_DOUBLE_EQ(at(6).x, -0.5);
    EXPECT_EQ(undo_names().back(), "Selection Mode");

    // An unselected polygon moves only when every one of its points is on a selected polygon.
    Outcome const some = run(std::string(kGrid) + "mode polygons\nselect polygons 0 6\ntool Tweak\n" + kDragPolygon5);
    ASSERT_EQ(some.code, 0) << some.err;
    EXPECT_DOUBLE_EQ(at(6).x, -0.5);
    std::string const all = std::string(kGrid) + "mode polygons\nselect polygons 0 6 8\ntool Tweak\n" + kDragPolygon5;
    ASSERT_EQ(run(all).code, 0);
    EXPECT_DOUBLE_EQ(at(6).x, -0.25);
    ASSERT_EQ(run(all + "undo\n").code, 0);
    EXPECT_DOUBLE_EQ(at(6).x, -0.5);
    EXPECT_EQ(teskar::UndoHistory::instance().redo_names(), std::vector<std::string>{"Tweak"});

    // In point mode only the selected ends of a grabbed edge: none unless both pass.
    Outcome const ends = run(std::string(kGrid) + "mode points\nselect points 6\ntool Tweak\n"
                             "hover 285 260\npress 285 260\ndrag 345 260\nrelease 345 260\n"
                             "hover 290 190\npress 290 190\ndrag 350 190\nrelease 350 190\n");
    ASSERT_EQ(ends.code, 0) << ends.err;
    EXPECT_DOUBLE_EQ(at(11).x, -0.5);
    EXPECT_DOUBLE_EQ(at(6).x, -0.25);
}

TEST_F(TweakTest, TheRightButtonScalesAndModifiedPressesEditAtOnce)
{
    // Right drag of 60 pixels to the right: s = 0.25 grows polygon 5 by a quarter about its centre.
    Outcome const o = run(std::string(kGrid) + "mode polygons\ntool Tweak\n"
                          "hover 340 240\npress 340 240 right\ndrag 400 240\nrelease 400 240\n");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_DOUBLE_EQ(at(6).x, -0.5625);
    EXPECT_DOUBLE_EQ(at(6).z, -0.5625);

    auto lines = run_json(std::string(kGrid) + "mode polygons\ntool Tweak\n"
                          // Ctrl with the right button dissolves the loop through edge (6,11).
                          "hover 285 260\npress 285 260 right ctrl\nrelease 285 260\ninfo\nundo\n"
                          // Shift with the right button: a loop across its ring.
                          "hover 285 260\npress 285 260 right shift\nrelease 285 260\ninfo\nundo\n"
                          // Ctrl removes the edge, the polygon, the point.
                          "hover 285 260\npress 285 260 ctrl\nrelease 285 260\ninfo\nundo\n"
                          "hover 340 240\npress 340 240 ctrl\nrelease 340 240\ninfo\nundo\n"
                          "hover 290 190\npress 290 190 ctrl\nrelease 290 190\ninfo\nundo\n"
                          // Shift selects the polygon and grabs it.
                          "hover 340 240\npress 340 240 shift\nrelease 340 240\ninfo\ndrop\n");
    EXPECT_EQ(lines[0]["polygons"], 12);
    EXPECT_EQ(lines[1]["polygons"], 20);
    EXPECT_EQ(lines[2]["polygons"], 15);
    EXPECT_EQ(lines[2]["edges"], 39);
    EXPECT_EQ(lines[3]["polygons"], 15);
    EXPECT_EQ(lines[3]["points"], 25);
    EXPECT_EQ(lines[4]["points"], 24);
    EXPECT_EQ(lines[5]["selected_polygons"], (Indices{5}));
    // The edge mode the quick edits ran in is gone again, and each press was one step.
    for (auto const& line : lines)
        EXPECT_EQ(line["mode"], "polygons");
    EXPECT_EQ(undo_names(), (std::vector<std::string>{"New Grid", "Selection Mode", "Tweak"}));
}

TEST_F(TweakTest, ShiftPullsNewGeometryOutOfTheBorder)
{
    // Shift on the border edge from point 2 to point 1 adds a triangle on its middle and drags it
    // out; on corner point 0 a copy joined by two triangles. The new points follow the drag even
    // with the preference off.
    auto lines = run_json(std::string(kGrid) + "mode polygons\npref NothingSelectedMeansEverythingSelected=false\n"
                          "tool Tweak\nhover 340 61\npress 340 61 shift\ndrag 340 1\nrelease 340 1\ninfo\n"
                          "hover 162 62\npress 162 62 shift\ndrag 102 62\nrelease 102 62\ninfo\n");
    EXPECT_EQ(lines[0]["polygons"], 17);
    EXPECT_DOUBLE_EQ(at(25).x, -0.25);
    EXPECT_DOUBLE_EQ(at(25).z, -1.25);
    EXPECT_EQ(lines[1]["polygons"], 19);
    EXPECT_DOUBLE_EQ(at(26).x, -1.25);
    EXPECT_DOUBLE_EQ(at(26).z, -1.0);
    EXPECT_TRUE(mesh("g")->manifold_problems().empty());
}

} // namespace

#include "teskar/draw_list.h"
#include "teskar/tool_handler.h"

namespace {

// What the active tool draws now (draw_first, then draw).
teskar::DrawList tool_drawing()
{
    teskar::DrawList list;
    auto* tool = VORNSDK::get_interface<VORNSDK::InteractiveToolInterface>(teskar::ToolHandler::instance().active_tool());
    tool->draw_first(list);
    tool->draw(list);
    return list;
}

TEST_F(SelectionToolsTest, TheShapeIsDrawnInBlueOrInTheRedOfDeselecting)
{
    std::ostringstream out, err;
    vorn::ScriptSession session(out, err);
    for (char const* line : {"new grid g 4 4 2", "mode points", "tool LassoSelect shape=2", "press 400 300 shift",
                             "drag 460 300"})
        session.run_line(line);
    teskar::DrawList const radial = tool_drawing();
    // The circle's 36 points, ten degrees apart, as a closed outline in the red of deselecting.
    auto const lines = radial.of_kind(teskar::DrawList::Kind::Line);
    ASSERT_EQ(lines.size(), 36u);
    EXPECT_GT(lines.front().color.x, lines.front().color.z);

    for (char const* line : {"release 460 300", "set shape=1", "press 300 200", "drag 500 400"})
        session.run_line(line);
    teskar::DrawList const marquee = tool_drawing();
    auto const quads = marquee.of_kind(teskar::DrawList::Kind::Quad);
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_EQ(marquee.count(teskar::DrawList::Kind::Line), 0u);
    EXPECT_GT(quads.front().color.z, quads.front().color.x);
    session.run_line("release 500 400");
    EXPECT_EQ(tool_drawing().entries().size(), 0u);
}

} // namespace
