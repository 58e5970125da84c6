#include "mesh_fixture.h"

#include "vornsdk/history.h"

#include <stdexcept>

using namespace VORNSDK;

namespace {

class UndoSteps : public MeshFixture {
protected:
    void SetUp() override
    {
        MeshFixture::SetUp();
        make_grid(2, 2);
        scene = teskar::scene_of(active_scene());
    }

    // A step of its own around the changes.
    template <class Change>
    void step(char const* name, Change change)
    {
        HistoryTransaction t(name);
        History::instance().set_current_transaction(&t);
        change();
        History::instance().set_current_transaction(nullptr);
    }

    std::vector<std::string> undo_names() const { return history.undo_names(); }
    std::vector<std::string> redo_names() const { return history.redo_names(); }

    teskar::UndoHistory& history = teskar::UndoHistory::instance();
    teskar::Scene* scene = nullptr;
};

} // namespace

TEST_F(UndoSteps, AStepThatChangesNothingIsDropped)
{
    mesh->set_edge_hard({0, 1}, true);
    scene->select(item);
    step("Same", [&] {
        mesh->set_point_position(4, mesh->point_position(4));
        mesh->set_edge_hard({0, 1}, true);
        mesh->set_polygon_selection(2, true);
        mesh->set_polygon_selection(2, false);
        scene->clear_selection();
        scene->select(item);
        int const mode = selection_mode();
        set_selection_mode(kSelectEdges);
        set_selection_mode(mode);
        teskar::item_of(item)->set_placement(Matrix4d::identity());
        // Undone within the step: nothing is left to undo.
        Index const p = mesh->add_point({5, 5, 5});
        mesh->remove_point(p);
    });
    EXPECT_TRUE(undo_names().empty());

    // Exact values: a coordinate that turns from 0 to -0 is a change.
    step("Sign", [&] { mesh->set_point_position(0, {-0.0, 0, 0}); });
    EXPECT_EQ(undo_names(), std::vector<std::string>{"Sign"});
    // One changed element keeps the step, with everything else it recorded.
    step("Hard", [&] {
        mesh->set_edge_hard({0, 1}, true);
        mesh->set_edge_hard({1, 2}, true);
    });
    EXPECT_EQ(undo_names(), (std::vector<std::string>{"Sign", "Hard"}));
}

TEST_F(UndoSteps, UndoWhileATransactionRecordsTakesBackItsChangesFirst)
{
    step("Select", [&] { mesh->set_polygon_selection(3, true); });
    std::string const selected = state();
    auto tool = std::make_unique<HistoryTransaction>("Tool");
    History::instance().set_current_transaction(tool.get());
    mesh->set_polygon_selection(1, true);
    mesh->set_point_position(4, {0, 1, 0});
    EXPECT_EQ(history.undo_steps(), 2u);

    EXPECT_TRUE(history.undo());
    EXPECT_EQ(state(), selected);
    EXPECT_EQ(redo_names(), std::vector<std::string>{"Tool"});

    // The transaction goes on from the mesh as it is now; its new changes leave nothing to redo.
    mesh->set_point_position(0, {0, 2, 0});
    EXPECT_EQ(history.redo_steps(), 0u);
    EXPECT_FALSE(history.redo());
    EXPECT_EQ(undo_names(), (std::vector<std::string>{"Select", "Tool"}));
    // Closed empty, the transaction leaves no step.
    EXPECT_TRUE(history.undo());
    tool.reset();
    EXPECT_EQ(undo_names(), std::vector<std::string>{"Select"});

    // Nothing undoes while a context is open.
    HistoryTransaction open("Open");
    HistoryContext const context(open, false);
    EXPECT_FALSE(history.redo());
}

TEST_F(UndoSteps, ATransactionClosedByAnExceptionRollsBackAndLeavesTheListsAlone)
{
    step("Select", [&] { mesh->set_polygon_selection(3, true); });
    history.undo();
    std::string const original = state();

    EXPECT_THROW(
        {
            HistoryTransaction t("Command");
            History::instance().set_current_transaction(&t);
            mesh->remove_polygon(0);
            mesh->set_polygon_selection(1, true);
            throw std::runtime_error("edit failed");
        },
        std::runtime_error);
    EXPECT_EQ(state(), original);
    EXPECT_TRUE(undo_names().empty());
    EXPECT_EQ(redo_names(), std::vector<std::string>{"Select"});
}

TEST_F(UndoSteps, AScopedStepJoinsTheTransactionThatRecordsOrBecomesAStep)
{
    std::string const original = state();
    auto tool = std::make_unique<HistoryTransaction>("Tool");
    History::instance().set_current_transaction(tool.get());
    {
        teskar::ScopedStep const joined("Joined");
        mesh->remove_polygon(1);
    }
    tool.reset();
    EXPECT_EQ(undo_names(), std::vector<std::string>{"Tool"});
    history.undo();
    EXPECT_EQ(state(), original);
    {
        teskar::ScopedStep const own("Own");
        mesh->set_point_position(0, {0, 3, 0});
    }
    EXPECT_EQ(undo_names(), std::vector<std::string>{"Own"});
}

TEST_F(UndoSteps, PartsRevertedWithinTheirStepUndoAsNothing)
{
    scene->select(item);
    int const mode = selection_mode();
    {
        HistoryTransaction tool("Tool");
        {
            HistoryContext const context(tool, true);
            scene->clear_selection();
            teskar::item_of(item)->set_placement(Matrix4d::translation({1, 0, 0}));
            set_selection_mode(mode == kSelectEdges ? kSelectPoints : kSelectEdges);
        }
        HistoryContext const context(tool, true);
        mesh->set_point_position(1, {0, 1, 0});
    }
    history.undo();
    EXPECT_EQ(mesh->point_position(1).y, 0.0);
    history.redo();
    EXPECT_EQ(mesh->point_position(1).y, 1.0);
    EXPECT_EQ(scene->selection(), ComponentList{item});
    EXPECT_EQ(teskar::item_of(item)->placement(), Matrix4d::identity());
    EXPECT_EQ(selection_mode(), mode);
}
