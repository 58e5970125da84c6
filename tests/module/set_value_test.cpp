#include "module_fixture.h"

#include "vornsdk/host.h"

using namespace VORNSDK;

namespace {

class SetValueTest : public ModuleFixture {
protected:
    // Runs SetValue with Axis 1 (Y) and the value 2.5 in the given selection mode.
    void run_in_mode(int mode)
    {
        set_selection_mode(mode);
        Component const command = Component::create("SetValue");
        command["Value"].set_value(2.5);
        EXPECT_TRUE(execute(command));
    }
    std::vector<Index> moved() const
    {
        std::vector<Index> out;
        for (Index p : mesh->points())
            if (mesh->point_position(p).y != 0.0)
                out.push_back(p);
        return out;
    }
};

} // namespace

TEST_F(SetValueTest, EachModeSetsTheChosenCoordinateOfTheSelectedElementsPoints)
{
    make_grid(2, 2);
    mesh->set_point_selection(4, true);
    mesh->set_point_selection(0, true);
    // Both ends of every selected edge, every corner of a selected polygon, shared ones once.
    mesh->set_edge_selection({0, 1}, true);
    mesh->set_edge_selection({1, 2}, true);
    mesh->set_polygon_selection(3, true);
    struct Case {
        int mode;
        std::vector<Index> moved;
    };
    for (Case const& c : {Case{kSelectPoints, {0, 4}}, Case{kSelectEdges, {0, 1, 2}}, Case{kSelectPolygons, {4, 5, 7, 8}}}) {
        SCOPED_TRACE(c.mode);
        run_in_mode(c.mode);
        EXPECT_EQ(moved(), c.moved);
        EXPECT_EQ(mesh->point_position(c.moved.back()).x, double(c.moved.back() % 3));
        EXPECT_EQ(mesh->point_position(c.moved.back()).z, double(c.moved.back() / 3));
        EXPECT_EQ(teskar::UndoHistory::instance().undo_names().back(), "Set Value");
        teskar::UndoHistory::instance().undo();
    }
}

TEST_F(SetValueTest, ItemModeAndOutOfRangeAxisLeaveTheMeshAlone)
{
    make_grid(1, 1);
    mesh->set_point_selection(0, true);
    run_in_mode(kSelectItems);
    set_selection_mode(kSelectPoints);
    Component const command = Component::create("SetValue");
    command["Axis"].set_value(7);
    command["Value"].set_value(1.0);
    execute(command);
    EXPECT_TRUE(moved().empty());
    EXPECT_EQ(mesh->point_position(0).x, 0.0);
}

TEST_F(SetValueTest, FiltersFollowSelectionAndMode)
{
    auto const* array = teskar::Kernel::instance().registry().find("Array");
    auto const* tweak = teskar::Kernel::instance().registry().find("Tweak");
    FilterContext const context;
    EXPECT_TRUE(array->filter(context));
    clear_selection();
    EXPECT_FALSE(array->filter(context));
    add_to_selection(teskar::scene_of(active_scene())->material_library());
    EXPECT_FALSE(array->filter(context)); // the first selected item has no mesh
    set_selection_mode(kSelectItems);
    EXPECT_FALSE(tweak->filter(context));
    set_selection_mode(kSelectPolygons);
    EXPECT_TRUE(tweak->filter(context));
}
