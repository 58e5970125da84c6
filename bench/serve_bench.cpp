// What vorn serve spends on a million quads: the geometry frame of the whole grid, the delta
// frame after a small edit of it, and a hover of a tool over it, which must not cost a frame.
#include "grids.h"

#include "geometry_frame.h"
#include "module_env.h"
#include "serve_protocol.h"

#include "teskar/mesh_item.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

constexpr int kSide = 1000;

// As vorn serve runs it, with large blocks kept for reuse.
void BM_GeometryFrame(benchmark::State& state)
{
    vorn::keep_large_blocks();
    teskar::Mesh mesh;
    fill_grid(mesh, kSide, kSide);
    for (VORNSDK::Index f = 0; f < mesh.polygons().slots(); f += 7)
        mesh.set_polygon_selection(f, true);
    mesh.set_edge_hard({0, 1}, true);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string const frame = vorn::geometry_frame("grid", mesh, vorn::sent_item(mesh, VORNSDK::Matrix4d(), false));
        bytes = frame.size();
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["MB"] = double(bytes) / 1e6;
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_GeometryFrame)->Unit(benchmark::kMillisecond);

// The frame after a small edit of the grid (a thousand points moved, a thousand polygons added),
// which the mesh's geometry log lets name only what changed.
void BM_GeometryDelta(benchmark::State& state)
{
    teskar::Mesh mesh;
    fill_grid(mesh, kSide, kSide);
    mesh.set_edge_hard({0, 1}, true);
    vorn::SentItem const before = vorn::sent_item(mesh, VORNSDK::Matrix4d(), false);
    for (VORNSDK::Index p = 0; p < 1000; ++p)
        mesh.set_point_position(p, mesh.point_position(p) + VORNSDK::Vector3d{0, 1, 0});
    for (int f = 0; f < 1000; ++f)
        mesh.add_polygon({mesh.add_point({0, 0, 0}), mesh.add_point({1, 0, 0}), mesh.add_point({0, 1, 0})});
    vorn::SentItem const now = vorn::sent_item(mesh, VORNSDK::Matrix4d(), false);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string const frame = vorn::geometry_delta("grid", mesh, before, now).value();
        bytes = frame.size();
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["KB"] = double(bytes) / 1e3;
}
BENCHMARK(BM_GeometryDelta)->Unit(benchmark::kMillisecond);

// A request through the protocol with Insert Loop active over the grid: the tool's preview and
// the state, without any geometry.
void BM_HoverRequest(benchmark::State& state)
{
    register_module();
    auto const temp = std::filesystem::temp_directory_path();
    vorn::ServeProtocol protocol(temp, temp);
    for (char const* request :
         {R"({"id":1,"op":"hello"})", R"({"id":2,"op":"new","kind":"grid","name":"g","nx":316,"ny":316,"size":2})",
          R"({"id":3,"op":"viewport","width":800,"height":600,"eye":[0,5,0],"target":[0,0,0],"up":[0,1,0],"orthographic":true,"view_height":2.5})",
          R"({"id":4,"op":"tool","name":"InsertLoop"})"})
        protocol.handle(1, request);
    int x = 0;
    for (auto _ : state) {
        std::string const hover = R"({"id":5,"op":"pointer","event":"hover","x":)" + std::to_string(300 + (x++ % 200)) +
                                  R"(,"y":121})";
        auto const out = protocol.handle(1, hover);
        if (out.size() != 3 || out.front().binary)
            state.SkipWithError("a hover sent geometry");
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_HoverRequest)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
