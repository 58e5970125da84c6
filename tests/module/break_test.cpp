#include "module_fixture.h"

#include "vornsdk/host.h"

using namespace VORNSDK;

namespace {

class BreakTest : public ModuleFixture {
protected:
    // A unit cube at an offset along x, 8 points and 6 quads.
    void add_box(double x)
    {
        Index p[8];
        for (int k = 0; k < 8; ++k)
            p[k] = mesh->add_point({x + (k & 1), double((k >> 1) & 1), double((k >> 2) & 1)});
        int const quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
        for (auto const& q : quads)
            mesh->add_polygon({p[q[0]], p[q[1]], p[q[2]], p[q[3]]});
    }
    std::vector<std::string> names(ComponentList const& items) const
    {
        std::vector<std::string> out;
        for (Component const& c : items)
            out.push_back(c["Name"].as_string().to_utf8());
        return out;
    }
};

} // namespace

TEST_F(BreakTest, ThreeBoxesBecomeThreeItemsUnderANewGroup)
{
    item["Name"].set_value("Box", false);
    for (int k = 0; k < 3; ++k)
        add_box(3.0 * k);
    mesh->add_point({50, 50, 50}); // a loose point belongs to no piece
    EXPECT_TRUE(execute("Break"));

    auto* scene = teskar::scene_of(active_scene());
    Component const group = scene->find_item("New Container");
    ASSERT_TRUE(group.valid());
    auto const pieces = teskar::item_of(group)->children();
    EXPECT_EQ(names(pieces), (std::vector<std::string>{"Box_1", "Box_2", "Box_3"}));
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        auto* piece = teskar::mesh_of(pieces[k]);
        EXPECT_EQ(piece->points().count(), 8u);
        EXPECT_EQ(piece->polygons().count(), 6u);
        Vector3d lo, hi;
        piece->bounding_box(lo, hi);
        EXPECT_EQ(lo.x, 3.0 * double(k));
    }
    EXPECT_FALSE(teskar::item_of(item)->scene().valid());
    EXPECT_EQ(names(current_selection()), std::vector<std::string>{"Box_3"});
}

TEST_F(BreakTest, APriorSelectionJoinsTheFirstPiece)
{
    for (int k = 0; k < 3; ++k)
        add_box(3.0 * k);
    mesh->set_polygon_selection(17, true); // a face of the third box
    execute("Break");
    auto const pieces = teskar::item_of(teskar::scene_of(active_scene())->find_item("New Container"))->children();
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(teskar::mesh_of(pieces[0])->polygons().count(), 7u);
    EXPECT_EQ(teskar::mesh_of(pieces[2])->polygons().count(), 5u);
}

TEST_F(BreakTest, UndoPutsTheSceneBack)
{
    item["Name"].set_value("Box", false);
    add_box(0);
    add_box(2);
    std::string const before = state();
    execute("Break");
    teskar::UndoHistory::instance().undo();
    auto* scene = teskar::scene_of(active_scene());
    EXPECT_FALSE(scene->find_item("New Container").valid());
    EXPECT_EQ(scene->find_item("Box"), item);
    EXPECT_EQ(state(), before);
    EXPECT_EQ(current_selection(), ComponentList{item});
}
