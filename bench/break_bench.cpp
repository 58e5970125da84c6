// Break on meshes made of many separate boxes: the cost per piece must not grow with the mesh.
#include "module_env.h"

#include "teskar/history.h"
#include "teskar/mesh_item.h"

#include "vornsdk/host.h"

#include <benchmark/benchmark.h>

using namespace VORNSDK;

namespace {

void add_boxes(teskar::Mesh& mesh, int count)
{
    int const quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (int b = 0; b < count; ++b) {
        Index p[8];
        for (int k = 0; k < 8; ++k)
            p[k] = mesh.add_point({2.0 * (b % 100) + (k & 1), 2.0 * (b / 100) + ((k >> 1) & 1), double((k >> 2) & 1)});
        for (auto const& q : quads)
            mesh.add_polygon({p[q[0]], p[q[1]], p[q[2]], p[q[3]]});
    }
}

void BM_Break(benchmark::State& state)
{
    register_module();
    int const boxes = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        teskar::UndoHistory::instance().clear();
        teskar::new_scene();
        Component const item = Component::create("SceneObject");
        item["Name"].set_value("Box", false);
        add_boxes(*teskar::mesh_of(item), boxes);
        teskar::scene_of(active_scene())->add_item(item);
        add_to_selection(item);
        state.ResumeTiming();
        execute("Break");
    }
    state.counters["pieces/s"] = benchmark::Counter(boxes, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Break)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
