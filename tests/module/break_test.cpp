#include "module_fixture.h"

#include "vornsdk/host.h"

using namespace VORNSDK;

namespace {

class BreakTest : public ModuleFixture {
protected:
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
        add_box(*mesh, {3.0 * k, 0, 0});
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
        add_box(*mesh, {3.0 * k, 0, 0});
    mesh->set_polygon_selection(17, true); // a face of the third box
    execute("Break");
    auto const pieces = teskar::item_of(teskar::scene_of(active_scene())->find_item("New Container"))->children();
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(teskar::mesh_of(pieces[0])->polygons().count(), 7u);
    EXPECT_EQ(teskar::mesh_of(pieces[2])->polygons().count(), 5u);
}
