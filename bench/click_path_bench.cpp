// What the user waits for, measured through the tool and the host rather than the inner edit:
// an Insert Loop click (press, release with its commit, and the next hover, which refreshes
// picking and draws the next ring's preview), a drag step of a tool that moves every point
// (restore of the last step, then the move again), and undo and redo of such a move.
#include "grids.h"
#include "mesh_stage.h"
#include "module_env.h"

#include "framework/interactive_modifier.h"

#include "teskar/draw_list.h"
#include "teskar/history.h"
#include "teskar/host_plugin.h"
#include "teskar/mesh_item.h"
#include "teskar/tool_handler.h"
#include "teskar/viewport.h"

#include "vornsdk/host.h"
#include "vornsdk/tool.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>

using namespace VORNSDK;

namespace {


// The stage and a 400 x 400 viewport looking at it.
struct Stage : MeshStage {
    Component viewport;

    template <class Fill>
    Stage(Fill fill, Vector3d const& eye, Vector3d const& target, double ortho_height) : MeshStage(fill)
    {
        viewport = Component::create("Viewport");
        auto* view = teskar::viewport_of(viewport);
        view->set_size(400, 400);
        view->look_at(eye, target);
        view->set_orthographic(ortho_height);
        teskar::set_active_viewport(viewport);
    }
};

class PointerEvents {
public:
    PointerEvents(Component const& tool, Component const& viewport)
        : tool_(get_interface<InteractiveToolInterface>(tool)), viewport_(viewport)
    {
    }
    void hover(float x, float y)
    {
        tool_->pointer_moved(kEventNormal, state(x, y, false));
        draw_.clear();
        tool_->draw(draw_);
        benchmark::DoNotOptimize(draw_.entries().size());
    }
    void press(float x, float y) { tool_->button_pressed(kEventNormal, state(x, y, true)); }
    void release(float x, float y) { tool_->button_released(kEventNormal, state(x, y, false)); }

private:
    InputDeviceState state(float x, float y, bool down) const
    {
        InputDeviceState s;
        s.viewport = viewport_;
        s.x = x;
        s.y = y;
        s.position_valid = kPositionXValid | kPositionYValid;
        s.button = 0;
        s.buttons.set(0, down);
        return s;
    }
    InteractiveToolInterface* tool_;
    Component viewport_;
    teskar::DrawList draw_;
};

// Milliseconds spent in each phase of the timed steps, for the counters of a benchmark.
class PhaseClock {
public:
    template <class Step>
    void time(char const* phase, Step step)
    {
        auto const start = std::chrono::steady_clock::now();
        step();
        totals_[phase] += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    void report(benchmark::State& state) const
    {
        for (auto const& [phase, total] : totals_)
            state.counters[std::string(phase) + " ms"] = total / double(state.iterations());
    }

private:
    std::map<std::string, double> totals_;
};

// One click of Insert Loop at (x, y) and the hover after it, timed together, with the press (the
// edit, its journal and the commit), the release and the hover (picking catching up with the
// edit, the next ring and its preview) as counters; undone outside the timing, after which a
// hover brings picking up to date again. The history is cleared with the undo, as the bare
// edit's benchmark does, so that no click pays for discarding the step it could have redone.
void click_and_hover(benchmark::State& state, Stage const& stage, float x, float y)
{
    Component const tool = Component::create("InsertLoop");
    activate_tool(tool);
    PointerEvents events(tool, stage.viewport);
    events.hover(x, y);
    PhaseClock clock;
    for (auto _ : state) {
        clock.time("press", [&] { events.press(x, y); });
        clock.time("release", [&] { events.release(x, y); });
        clock.time("hover", [&] { events.hover(x, y); });
        state.PauseTiming();
        teskar::UndoHistory::instance().undo();
        teskar::UndoHistory::instance().clear();
        events.hover(x, y);
        state.ResumeTiming();
    }
    clock.report(state);
    teskar::deactivate_tool();
    teskar::UndoHistory::instance().clear();
}

void BM_ClickInsertLoopTube(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) { fill_tube(m, 100000); }, {0, 0.5, 5}, {0, 0.5, 0}, 2);
    click_and_hover(state, stage, 200.37f, 200);
    state.counters["quads"] = 100000;
}
BENCHMARK(BM_ClickInsertLoopTube)->Unit(benchmark::kMillisecond);

void BM_ClickInsertLoopGrid(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) { fill_grid(m, 1000, 1000); }, {500.3, 40, 500.3}, {500.3, 0, 500.3}, 20);
    click_and_hover(state, stage, 200, 200);
}
BENCHMARK(BM_ClickInsertLoopGrid)->Unit(benchmark::kMillisecond);

// A modifier that moves every point of the selected meshes by "offset", as a drag would.
class MoveAll : public tolvir::InteractiveModifier {
public:
    static bool describe(ComponentDescription& d)
    {
        d.add_tag(Description::category(), "InteractiveTool");
        d.add_tag(Description::user_name(), "Move All");
        teskar::add_attribute(d, "offset", Parameter::PT_DOUBLE, 0.0);
        return true;
    }
    void apply(ComponentInterfaceReferenceT<SceneItemInterface> const& item) override
    {
        auto* mesh = get_interface<MeshInterface>(item.component());
        double const d = attribute("offset").as_double();
        for (Index p : mesh->points())
            mesh->set_point_position(p, mesh->point_position(p) + Vector3d{0, d, 0});
    }
};

void register_move_all()
{
    static bool const registered =
        (teskar::register_host_plugin<MoveAll>(teskar::Kernel::instance().registry(), "MoveAll"), true);
    (void)registered;
}

Stage grid_stage()
{
    return Stage([](teskar::Mesh& m) { fill_grid(m, 1000, 1000); }, {500, 40, 500}, {500, 0, 500}, 20);
}

// One drag step of a tool moving all 1M points of the grid: the tool's transaction is restored
// to its start and the move applied again, as every attribute change during a drag does.
void BM_DragStepMoveAllGrid(benchmark::State& state)
{
    register_module();
    register_move_all();
    Stage const stage = grid_stage();
    Component const tool = Component::create("MoveAll");
    activate_tool(tool);
    int step = 0;
    for (auto _ : state)
        tool["offset"].set_value(0.001 * ++step, true);
    teskar::deactivate_tool();
    teskar::UndoHistory::instance().clear();
    state.counters["points"] = 1002001;
}
BENCHMARK(BM_DragStepMoveAllGrid)->Unit(benchmark::kMillisecond);

// Undo and then redo of a step that moved all 1M points of the grid.
void BM_UndoRedoMoveAllGrid(benchmark::State& state)
{
    register_module();
    register_move_all();
    Stage const stage = grid_stage();
    Component const tool = Component::create("MoveAll");
    activate_tool(tool);
    tool["offset"].set_value(0.5, true);
    teskar::deactivate_tool();
    bool const redo = state.range(0) != 0;
    for (auto _ : state) {
        if (redo) {
            state.PauseTiming();
            teskar::UndoHistory::instance().undo();
            state.ResumeTiming();
            teskar::UndoHistory::instance().redo();
        } else {
            teskar::UndoHistory::instance().undo();
            state.PauseTiming();
            teskar::UndoHistory::instance().redo();
            state.ResumeTiming();
        }
    }
    teskar::UndoHistory::instance().clear();
}
BENCHMARK(BM_UndoRedoMoveAllGrid)->ArgName("redo")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
