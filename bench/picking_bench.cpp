// Picking on a 1000 x 1000 grid seen from above: the first pick, which builds the mesh's
// ray-casting structure, and a hover pick once it is built.
#include "grids.h"

#include "teskar/mesh_item.h"
#include "teskar/picking.h"
#include "teskar/scene.h"
#include "teskar/viewport.h"

#include "vornsdk/picking.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace VORNSDK;

namespace {

constexpr int kSide = 1000;

struct Setup {
    Component item, viewport, picking;
    PickingInterface* pick = nullptr;

    Setup()
    {
        teskar::new_scene();
        item = Component::create("SceneObject");
        fill_grid(*teskar::mesh_of(item), kSide, kSide);
        teskar::scene_of(active_scene())->add_item(item);
        viewport = Component::create("Viewport");
        // The whole grid fills the 800 x 600 view, under a perspective camera.
        teskar::viewport_of(viewport)->look_at({500, 1300, 500}, {500, 0, 500});
        teskar::viewport_of(viewport)->set_clip(0.01, 5000);
        picking = Component::create("Picking");
        pick = get_interface<PickingInterface>(picking);
    }
};

Setup& shared()
{
    static Setup setup;
    return setup;
}

void BM_FirstPick(benchmark::State& state)
{
    Setup& s = shared();
    teskar::Mesh& mesh = *teskar::mesh_of(s.item);
    Index const p = 0;
    for (auto _ : state) {
        // A moved point makes the structure stale: the pick rebuilds it.
        state.PauseTiming();
        mesh.set_point_position(p, mesh.point_position(p) + Vector3d{0, 1e-3, 0});
        state.ResumeTiming();
        PickRecord r;
        benchmark::DoNotOptimize(s.pick->pick(ViewportPoint(s.viewport, 400, 300), r));
    }
    state.counters["triangles"] = 2.0 * kSide * kSide;
}
BENCHMARK(BM_FirstPick)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_HoverPick(benchmark::State& state)
{
    Setup& s = shared();
    PickRecord r;
    s.pick->pick(ViewportPoint(s.viewport, 400, 300), r); // built once
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> x(0, 800), y(0, 600);
    std::vector<std::pair<double, double>> points(4096);
    for (auto& q : points)
        q = {x(rng), y(rng)};
    std::size_t k = 0;
    std::size_t hits = 0;
    for (auto _ : state) {
        auto const& q = points[k++ & 4095];
        hits += s.pick->pick(ViewportPoint(s.viewport, q.first, q.second), r);
    }
    state.counters["hit_ratio"] = double(hits) / double(state.iterations());
}
BENCHMARK(BM_HoverPick)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
