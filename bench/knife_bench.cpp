// The knife on large meshes: the bare cut, the Knife command (one undo step), and one drag step of
// the line's end while the tool is active, which restores the mesh and cuts again. Edits are undone
// between runs, outside the timing.
#include "grids.h"
#include "mesh_stage.h"
#include "module_env.h"

#include "cut_select_tools/knife_cut.h"

#include "teskar/draw_list.h"
#include "teskar/history.h"
#include "teskar/mesh_item.h"
#include "teskar/tool_handler.h"
#include "teskar/viewport.h"

#include "vornsdk/history.h"
#include "vornsdk/host.h"
#include "vornsdk/scene.h"
#include "vornsdk/tool.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

using namespace VORNSDK;

namespace {

// A line across the whole 1000 x 1000 grid (points (i, 0, j)) seen from straight above; it
// crosses about 1370 quads, as Blender's plane_cut.py does on its grid.
constexpr Vector3d kGridStart{315.3, 0, -1}, kGridEnd{685.1, 0, 1001};
constexpr Vector3d kGridOrigin{315.3, 10, -1};

// A closed tube around the y axis, segments around and rings high (1 unit), each end closed by
// one polygon.
void fill_closed_tube(teskar::Mesh& mesh, int segments, int rings)
{
    mesh.prepare_polygons(2, Index(segments) * Index(rings) + 2);
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < segments; ++s) {
            double const a = 2 * std::numbers::pi * s / segments;
            mesh.add_point({std::cos(a), double(r) / rings, std::sin(a)});
        }
    Index const n = Index(segments);
    for (Index r = 0; r < Index(rings); ++r)
        for (Index s = 0; s < n; ++s)
            mesh.add_polygon({r * n + s, r * n + (s + 1) % n, (r + 1) * n + (s + 1) % n, (r + 1) * n + s});
    CompactIndexArray bottom, top;
    for (Index s = 0; s < n; ++s) {
        bottom.push_back(n - 1 - s);
        top.push_back(Index(rings) * n + s);
    }
    mesh.add_polygon(bottom);
    mesh.add_polygon(top);
}

// The stage in polygon mode.
struct Stage : MeshStage {
    template <class Fill>
    explicit Stage(Fill fill) : MeshStage(fill, kSelectPolygons)
    {
    }
};


// knife_cut alone, recording into a transaction as every edit does.
void BM_KnifeCutGrid(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) { fill_grid(m, 1000, 1000); });
    auto const remove = static_cast<tolvir::KnifeRemove>(state.range(0));
    tolvir::KnifeCutResult result;
    timed_edits(state, [&] {
        HistoryTransaction step("Knife");
        HistoryContext const recording(step, false);
        result = tolvir::knife_cut(*stage.mesh, {kGridStart, kGridEnd, kGridOrigin}, remove);
    });
    state.counters["divided"] = double(result.divided);
    state.counters["removed"] = double(result.removed);
}
BENCHMARK(BM_KnifeCutGrid)->ArgName("remove")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void run_knife(Vector3d const& start, Vector3d const& end, Vector3d const& origin, int remove)
{
    Component const knife = Component::create("Knife");
    knife["Start"].set_value(start, false);
    knife["End"].set_value(end, false);
    knife["Origin"].set_value(origin, false);
    knife["Remove"].set_value(remove, false);
    execute(knife);
}

// The Knife command as "vorn run Knife" runs it: one undo step on the selected item.
void BM_KnifeCommandGrid(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) { fill_grid(m, 1000, 1000); });
    int const remove = int(state.range(0));
    timed_edits(state, [&] { run_knife(kGridStart, kGridEnd, kGridOrigin, remove); });
}
BENCHMARK(BM_KnifeCommandGrid)->ArgName("remove")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Separate across the middle of a closed tube of 1000 x 1000 quads and two end polygons: both
// pieces are capped.
void BM_KnifeSeparateClosedTube(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) { fill_closed_tube(m, 1000, 1000); });
    double const y = 0.5005;
    timed_edits(state, [&] { run_knife({-3, y, 0}, {3, y, 0}, {-3, y, 50}, 3); });
    state.counters["polygons"] = double(stage.mesh->polygons().count());
}
BENCHMARK(BM_KnifeSeparateClosedTube)->Unit(benchmark::kMillisecond);

// One pointer move while the line's end is dragged over the grid seen from above, through the
// tool as the host drives it: the gizmo's drag writes "End", the tool puts the mesh back and cuts
// again, and the viewport is drawn.
void BM_KnifeDragStepGrid(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) { fill_grid(m, 1000, 1000); });
    int const remove = int(state.range(0));
    Component const viewport = Component::create("Viewport");
    auto* view = teskar::viewport_of(viewport);
    view->set_size(800, 600);
    view->look_at({500, 500, 500}, {500, 0, 500});
    view->set_orthographic(1100);
    teskar::set_active_viewport(viewport);
    Component const tool = Component::create("Knife");
    tool["Remove"].set_value(remove, false);
    activate_tool(tool);
    auto* iface = get_interface<InteractiveToolInterface>(tool);
    auto const event = [&](Vector3d const& world, double dx) {
        Vector3d const pixel = view->project(world);
        InputDeviceState s;
        s.viewport = viewport;
        s.x = float(pixel.x + dx);
        s.y = float(pixel.y);
        s.position_valid = kPositionXValid | kPositionYValid;
        s.buttons.set(kButtonLeft, true);
        return s;
    };
    iface->button_pressed(kEventNormal, event(kGridStart, 0));
    iface->pointer_moved(kEventNormal, event(kGridEnd, 0));
    teskar::DrawList draw;
    int k = 0;
    for (auto _ : state) {
        iface->pointer_moved(kEventNormal, event(kGridEnd, (++k % 2) ? 3.0 : -3.0));
        draw.clear();
        iface->draw(draw);
        benchmark::DoNotOptimize(draw.entries().size());
    }
    state.counters["polygons"] = double(stage.mesh->polygons().count());
    teskar::deactivate_tool();
}
BENCHMARK(BM_KnifeDragStepGrid)->ArgName("remove")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
