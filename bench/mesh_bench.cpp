// The host mesh store on a 1000 x 1000 grid: building, topology queries, edits, and the undo
// history restoring an edit of every point.
#include "grids.h"

#include "teskar/history.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace VORNSDK;

namespace {

constexpr int kSide = 1000;

teskar::Mesh& shared_grid()
{
    static teskar::Mesh mesh;
    static bool const built = (fill_grid(mesh, kSide, kSide), true);
    (void)built;
    return mesh;
}

void BM_BuildGrid(benchmark::State& state)
{
    for (auto _ : state) {
        teskar::Mesh mesh;
        fill_grid(mesh, kSide, kSide);
        state.counters["bytes_per_quad"] = double(mesh.memory_bytes()) / (double(kSide) * kSide);
        benchmark::DoNotOptimize(mesh.polygons().count());
    }
    state.counters["quads/s"] = benchmark::Counter(double(kSide) * kSide, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BuildGrid)->Unit(benchmark::kMillisecond)->Iterations(2);

// Random interior edges, so that the cost is not that of one cached neighbourhood.
std::vector<VertexPair> random_edges(std::size_t n)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(0, kSide - 1);
    std::vector<VertexPair> edges;
    for (std::size_t k = 0; k < n; ++k) {
        Index const i = Index(coord(rng)), j = Index(coord(rng));
        Index const a = i + j * (kSide + 1);
        edges.push_back(k % 2 ? VertexPair{a, a + 1} : VertexPair{a, a + kSide + 1});
    }
    return edges;
}

void BM_PolygonsOfEdge(benchmark::State& state)
{
    auto const& mesh = shared_grid();
    auto const edges = random_edges(4096);
    std::size_t k = 0;
    PolyMarker out;
    for (auto _ : state) {
        out.clear();
        benchmark::DoNotOptimize(mesh.polygons_of_edge(edges[k++ & 4095], out));
    }
}
BENCHMARK(BM_PolygonsOfEdge);

void BM_EdgeExists(benchmark::State& state)
{
    auto const& mesh = shared_grid();
    auto const edges = random_edges(4096);
    std::size_t k = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(mesh.edge_exists(edges[k++ & 4095]));
}
BENCHMARK(BM_EdgeExists);

void BM_EdgesOfPoint(benchmark::State& state)
{
    auto const& mesh = shared_grid();
    Index p = 12345;
    EdgeMarker out;
    for (auto _ : state) {
        out.clear();
        mesh.edges_of_point(p, out);
        p = (p * 7919 + 13) % mesh.points().slots();
        benchmark::DoNotOptimize(out.size());
    }
}
BENCHMARK(BM_EdgesOfPoint);

// Removes a polygon and adds it back, inside a transaction that is reverted every 1024 edits.
void BM_RemoveAndAddPolygon(benchmark::State& state)
{
    auto& mesh = shared_grid();
    HistoryTransaction transaction("Edit");
    std::mt19937 rng(3);
    std::uniform_int_distribution<Index> pick(0, mesh.polygons().slots() - 1);
    std::size_t edits = 0;
    for (auto _ : state) {
        HistoryContext context(transaction, ++edits % 1024 == 0);
        Index const f = pick(rng);
        if (!mesh.polygon_exists(f))
            continue;
        auto const v = mesh.polygon_vertices(f);
        CompactIndexArray const list(v.first, v.count);
        mesh.remove_polygon(f);
        benchmark::DoNotOptimize(mesh.add_polygon(list));
    }
    HistoryContext restore(transaction, true);
}
BENCHMARK(BM_RemoveAndAddPolygon);

// One transaction moves every point; the history then restores the grid (as an interactive tool
// does before each re-run), and an undo step is made and undone.
void BM_RestoreEditOfEveryPoint(benchmark::State& state)
{
    auto& mesh = shared_grid();
    HistoryTransaction transaction("Move");
    for (auto _ : state) {
        state.PauseTiming();
        {
            HistoryContext context(transaction, false);
            for (Index p : mesh.points())
                mesh.set_point_position(p, mesh.point_position(p) + Vector3d{0, 1, 0});
        }
        state.ResumeTiming();
        HistoryContext restore(transaction, true);
    }
    state.counters["points"] = double(mesh.points().count());
}
BENCHMARK(BM_RestoreEditOfEveryPoint)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_UndoEditOfEveryPoint(benchmark::State& state)
{
    auto& mesh = shared_grid();
    for (auto _ : state) {
        state.PauseTiming();
        {
            HistoryTransaction transaction("Move");
            HistoryContext context(transaction, false);
            for (Index p : mesh.points())
                mesh.set_point_position(p, mesh.point_position(p) + Vector3d{0, 1, 0});
        }
        state.ResumeTiming();
        teskar::UndoHistory::instance().undo();
        state.PauseTiming();
        teskar::UndoHistory::instance().clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoEditOfEveryPoint)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
