// The edge tools on large meshes, each edit timed on its own and undone between runs: an edit
// that touches k elements must cost O(k), not O(mesh).
#include "grids.h"
#include "mesh_stage.h"
#include "module_env.h"

#include "teskar/draw_list.h"
#include "teskar/history.h"
#include "teskar/mesh_item.h"
#include "teskar/picking.h"
#include "teskar/tool_handler.h"
#include "teskar/viewport.h"

#include "vornsdk/host.h"
#include "vornsdk/picking.h"

#include <benchmark/benchmark.h>


using namespace VORNSDK;

namespace {

using Stage = MeshStage;




void insert_loop(char const* edge, int slices)
{
    Component const tool = Component::create("InsertLoop");
    tool["Edge"].set_value(edge, false);
    tool["Cut"].set_value(0.5, false);
    tool["Slices"].set_value(slices, false);
    execute(tool);
}

void BM_InsertLoopTubeRing(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) { fill_tube(m, 100000); });
    int const slices = int(state.range(0));
    timed_edits(state, [&] { insert_loop("(0,100000)", slices); });
    state.counters["quads/s"] = benchmark::Counter(100000, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_InsertLoopTubeRing)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_InsertLoopGridRing(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) { fill_grid(m, 1000, 1000); });
    timed_edits(state, [&] { insert_loop("(500,501)", 1); });
    state.counters["quads/s"] = benchmark::Counter(1000, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_InsertLoopGridRing)->Unit(benchmark::kMillisecond);

void BM_DissolveGridLoop(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) { fill_grid(m, 1000, 1000); });
    set_selection_mode(kSelectEdges);
    timed_edits(state, [&] {
        stage.mesh->set_edge_selection({500, 1501}, true);
        execute("Dissolve");
    });
    state.counters["edges/s"] = benchmark::Counter(1000, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DissolveGridLoop)->Unit(benchmark::kMillisecond);

void BM_HardEdgeAllPolygons(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) {
        fill_grid(m, 1000, 1000);
        m.select_all(kElementPolygons, true);
    });
    set_selection_mode(kSelectPolygons);
    timed_edits(state, [&] { execute("HardEdgesPatchCommand"); });
    state.counters["polygons/s"] = benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_HardEdgeAllPolygons)->Unit(benchmark::kMillisecond);

void BM_MakeCircularBlock(benchmark::State& state)
{
    int const block = int(state.range(0));
    Stage const stage([&](teskar::Mesh& m) {
        fill_grid(m, 300, 300);
        for (int j = 100; j < 100 + block; ++j)
            for (int i = 100; i < 100 + block; ++i)
                m.set_polygon_selection(Index(i + j * 300), true);
    });
    set_selection_mode(kSelectPolygons);
    timed_edits(state, [&] { execute("Make Circular"); });
    state.counters["block polygons/s"] =
        benchmark::Counter(double(block) * block, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_MakeCircularBlock)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

// A hover of the Insert Loop tool on the grid: pick, nearest edge, ring and preview drawing.
void BM_HoverPreviewGrid(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) { fill_grid(m, 1000, 1000); });
    Component const viewport = Component::create("Viewport");
    auto* view = teskar::viewport_of(viewport);
    view->set_size(800, 600);
    view->look_at({500, 40, 480}, {500, 0, 500});
    teskar::set_active_viewport(viewport);
    Component const tool = Component::create("InsertLoop");
    activate_tool(tool);
    auto* iface = get_interface<InteractiveToolInterface>(tool);
    teskar::DrawList draw;
    InputDeviceState event;
    event.viewport = viewport;
    event.position_valid = kPositionXValid | kPositionYValid;
    int k = 0;
    for (auto _ : state) {
        event.x = float(380 + (k % 40));
        event.y = float(280 + (k / 40 % 40));
        ++k;
        iface->pointer_moved(kEventNormal, event);
        draw.clear();
        iface->draw(draw);
        benchmark::DoNotOptimize(draw.entries().size());
    }
    teskar::deactivate_tool();
}
BENCHMARK(BM_HoverPreviewGrid)->Unit(benchmark::kMillisecond);

void BM_PickOnlyGrid(benchmark::State& state)
{
    Stage const stage([](teskar::Mesh& m) { fill_grid(m, 1000, 1000); });
    Component const viewport = Component::create("Viewport");
    auto* view = teskar::viewport_of(viewport);
    view->set_size(800, 600);
    view->look_at({500, 40, 480}, {500, 0, 500});
    Component const picking = Component::create("Picking");
    auto* picker = get_interface<PickingInterface>(picking);
    PickRecord record;
    picker->pick(ViewportPoint(viewport, 400, 300), record);
    int k = 0;
    for (auto _ : state) {
        ++k;
        picker->pick(ViewportPoint(viewport, 380 + k % 40, 280 + k / 40 % 40), record);
        benchmark::DoNotOptimize(record.polygon);
    }
}
BENCHMARK(BM_PickOnlyGrid)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
