#include "script_fixture.h"

namespace {

using DeformerScriptTest = ScriptTest;

} // namespace

TEST_F(DeformerScriptTest, BendAndTwistFollowTheDrag)
{
    std::string const before = temp("column_before.obj"), bent = temp("column_bent.obj");
    Outcome const o = run("new tube column 8 6 0.2 2\nsave " + before +
                          "\ncamera 0 1 8 0 1 0\ntool Bend\npress 600 500\ndrag 650 500\nrelease 650 500\nget angle\n"
                          "drop\nsave " + bent + "\nundo"
                          "\ntool Twist\naction Mode\npress 600 500\ndrag 620 500\nget twist_near\ndrag 640 500 ctrl\n"
                          "get twist_near\nrelease 640 500\nkey Shift\nkey Shift release\n");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out, "angle=1\ntwist_near=1\ntwist_near=1.5708\n");
    EXPECT_NE(read_file(bent), read_file(before));
}

TEST_F(DeformerScriptTest, ArrayRepeatsAsReferenceItemsThatScriptsCanList)
{
    std::string const picture = temp("instances.png");
    auto lines = run_json("new box b\ntool Array ArrayElement=1 Number=3,1,1 disttype=1 Distance=2,0,0\ntree\n"
                          "info b_2\nrender " + picture + "\ndrop\nrun Array ArrayElement=2 Number=1,2,1 Distance=0,3,0 "
                          "disttype=1\ntree\nundo 2\ntree\n");
    ASSERT_EQ(lines.size(), 5u + 1 + 6 + 3);
    EXPECT_EQ(lines[3]["type"], "ReferenceItem");
    EXPECT_EQ(lines[3]["references"], "b");
    EXPECT_EQ(lines[3]["position"], nlohmann::json::parse("[2.0,0.0,0.0]"));
    EXPECT_EQ(lines[4]["position"], nlohmann::json::parse("[4.0,0.0,0.0]"));
    EXPECT_EQ(lines[5]["item"], "b_2");
    EXPECT_EQ(lines[5]["polygons"], 6);
    EXPECT_GT(std::filesystem::file_size(picture), 0u);
    // The copy beside the box is an item of its own, at (0, 3, 0).
    EXPECT_EQ(lines[11]["name"], "b_3");
    EXPECT_EQ(lines[11]["type"], "SceneObject");
    EXPECT_EQ(lines[11]["position"], nlohmann::json::parse("[0.0,3.0,0.0]"));
    EXPECT_EQ(lines.back()["name"], "b");
}

TEST_F(DeformerScriptTest, ArrayRunRepeatsOnlyTheFirstSelectedItemAndNeverAtInfinity)
{
    Outcome const o = run("new box a\nnew box b\nitems a b\nrun Array ArrayElement=2 Number=3,1,1 disttype=1 "
                          "Distance=2,0,0\ntree\nrun Array ArrayElement=0 Number=3,1,1 disttype=1 Distance=1e308,0,0\n"
                          "info a\n");
    ASSERT_EQ(o.code, 0) << o.err;
    auto const lines = json_lines(o.out);
    ASSERT_EQ(lines.size(), 4u + 2 + 1);
    EXPECT_EQ(lines[4]["name"], "a_1");
    EXPECT_EQ(lines[4]["position"], nlohmann::json::parse("[2.0,0.0,0.0]"));
    EXPECT_EQ(lines[5]["name"], "a_2");
    EXPECT_EQ(lines[5]["position"], nlohmann::json::parse("[4.0,0.0,0.0]"));
    EXPECT_EQ(lines.back()["polygons"], 6);
    EXPECT_NE(o.err.find("message: Array: the layout puts repeats beyond any finite distance"), std::string::npos);
}

TEST_F(DeformerScriptTest, WithoutAMeshTheToolsSayWhatTheyNeed)
{
    Outcome const o = run("new box b\nitems\ntool Twist\ndrop\ntool Bend\n");
    EXPECT_NE(o.code, 0);
    EXPECT_NE(o.err.find("message: Twist requires one or more meshes to be selected."), std::string::npos);
    EXPECT_NE(o.err.find("message: Bend requires one or more meshes to be selected."), std::string::npos);
}
