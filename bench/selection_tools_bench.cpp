// The lasso and Tweak on a 1000 x 1000 grid: a freeform lasso applied in each element mode (every
// point projected and tested once, then the host's list command), and one drag step of Tweak
// through the tool as the host drives it, which must cost the moved points, not the mesh.
#include "grids.h"
#include "mesh_stage.h"
#include "module_env.h"

#include "cut_select_tools/lasso_apply.h"

#include "teskar/draw_list.h"
#include "teskar/history.h"
#include "teskar/mesh_item.h"
#include "teskar/tool_handler.h"
#include "teskar/viewport.h"

#include "vornsdk/history.h"
#include "vornsdk/scene.h"
#include "vornsdk/tool.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace VORNSDK;

namespace {

// The grid (points (i, 0, j)) selected in a scene, seen from straight above in an 800 x 600
// viewport that shows all of it.
struct Stage : MeshStage {
    Component viewport;
    teskar::Viewport* view = nullptr;

    explicit Stage(int mode) : MeshStage([](teskar::Mesh& m) { fill_grid(m, 1000, 1000); }, mode)
    {
        viewport = Component::create("Viewport");
        view = teskar::viewport_of(viewport);
        view->set_size(800, 600);
        view->look_at({500, 500, 500}, {500, 0, 500});
        view->set_orthographic(1100);
        teskar::set_active_viewport(viewport);
    }

    InputDeviceState event(Vector3d const& world, double dx, bool held) const
    {
        Vector3d const pixel = view->project(world);
        InputDeviceState s;
        s.viewport = viewport;
        s.x = float(pixel.x + dx);
        s.y = float(pixel.y);
        s.position_valid = kPositionXValid | kPositionYValid;
        s.buttons.set(kButtonLeft, held);
        s.modifiers.set(kModifierShift, false);
        s.modifiers.set(kModifierCtrl, false);
        s.button = held ? kButtonLeft : -1;
        return s;
    }
};

// A freeform outline of 64 points over the middle of the grid, 0.35 of its size across (the same
// shape as the Blender peer's): it takes about 38% of the points.
std::vector<Vector3d> outline(Stage const& stage)
{
    std::vector<Vector3d> out;
    for (int k = 0; k < 64; ++k) {
        double const t = 2 * std::numbers::pi * k / 64;
        Vector3d const p = stage.view->project({500 + 350 * std::cos(t), 0, 500 + 350 * std::sin(t) + 30 * std::cos(3 * t)});
        out.push_back({p.x, p.y, 1.0});
    }
    return out;
}

// The lasso apply as the tool's release runs it, recording into the tool's step; undone between
// runs, outside the timing.
void BM_LassoGrid(benchmark::State& state)
{
    Stage const stage(int(state.range(0)));
    std::vector<Vector3d> const shape = outline(stage);
    for (auto _ : state) {
        {
            HistoryTransaction step("Lasso");
            HistoryContext const recording(step, false);
            tolvir::lasso_apply(shape, stage.viewport, tolvir::LassoOptions{});
        }
        state.PauseTiming();
        state.counters["selected"] = double(state.range(0) == kSelectPoints  ? stage.mesh->selected_points().size()
                                            : state.range(0) == kSelectEdges ? stage.mesh->selected_edges().size()
                                                                             : stage.mesh->selected_polygons().size());
        teskar::UndoHistory::instance().undo();
        teskar::UndoHistory::instance().clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LassoGrid)->ArgName("mode")->Arg(kSelectPoints)->Arg(kSelectEdges)->Arg(kSelectPolygons)->Unit(benchmark::kMillisecond);

// One pointer move while Tweak drags the grabbed point (arg 0) or polygon (arg 2) of the
// million-polygon grid, with the viewport drawn, as the host drives the tool.
void BM_TweakDragStepGrid(benchmark::State& state)
{
    Stage const stage(kSelectPolygons);
    Component const tool = Component::create("Tweak");
    activate_tool(tool);
    auto* iface = get_interface<InteractiveToolInterface>(tool);
    // The middle of polygon (500, 500), or a spot beside its first corner.
    Vector3d const at = state.range(0) == 0 ? Vector3d{500.05, 0, 500.05} : Vector3d{500.5, 0, 500.5};
    iface->pointer_moved(kEventNormal, stage.event(at, 0, false));
    iface->button_pressed(kEventNormal, stage.event(at, 0, true));
    teskar::DrawList draw;
    int k = 0;
    for (auto _ : state) {
        iface->pointer_moved(kEventNormal, stage.event(at, (++k % 2) ? 3.0 : -3.0, true));
        draw.clear();
        iface->draw(draw);
        benchmark::DoNotOptimize(draw.entries().size());
    }
    iface->button_released(kEventNormal, stage.event(at, 0, false));
    state.counters["polygons"] = double(stage.mesh->polygons().count());
    teskar::deactivate_tool();
}
BENCHMARK(BM_TweakDragStepGrid)->ArgName("element")->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
