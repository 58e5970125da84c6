// Writing and reading a million quads as mesh text (the module's writer and reader, as Break
// uses them) and as OBJ (vorn's files), in bytes and polygons per second.
#include "grids.h"

#include "commands/mesh_text.h"
#include "obj_io.h"

#include "teskar/scene.h"

#include "vornsdk/attribute.h"
#include "vornsdk/host.h"
#include "vornsdk/scene.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

constexpr int kSide = 1000;

// The grid, with the library's "Default" material on its first half of polygons and one hard
// edge per row, in a scene whose library the readers look in.
struct Sample {
    Sample()
    {
        teskar::new_scene();
        auto* library = teskar::item_of(teskar::scene_of(VORNSDK::active_scene())->material_library());
        material = library->children().front();
        fill_grid(mesh, kSide, kSide);
        for (VORNSDK::Index f = 0; f < mesh.polygons().slots() / 2; ++f)
            mesh.set_polygon_material(f, material);
        for (int j = 0; j < kSide; ++j)
            mesh.set_edge_hard({VORNSDK::Index(j * (kSide + 1)), VORNSDK::Index((j + 1) * (kSide + 1))}, true);
        text = write().to_utf8();
        std::ostringstream out;
        vorn::write_obj(out, mesh, "grid");
        obj = out.str();
    }
    VORNSDK::String write() const
    {
        return tolvir::write_mesh_text(mesh, mesh.polygons().begin(), mesh.polygons().end(), nullptr, false);
    }

    teskar::Mesh mesh;
    VORNSDK::Component material;
    std::string text, obj;
};

Sample const& sample()
{
    static Sample const s;
    return s;
}

void report(benchmark::State& state, std::size_t bytes)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["polygons/s"] = benchmark::Counter(double(kSide) * kSide, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MeshTextWrite(benchmark::State& state)
{
    Sample const& s = sample();
    for (auto _ : state)
        benchmark::DoNotOptimize(s.write());
    report(state, s.text.size());
}

void BM_MeshTextRead(benchmark::State& state)
{
    Sample const& s = sample();
    std::optional<teskar::Mesh> mesh;
    for (auto _ : state) {
        state.PauseTiming();
        mesh.emplace();
        state.ResumeTiming();
        auto const r = tolvir::read_mesh_text(*mesh, std::string_view(s.text));
        if (!r.complete || r.faces != std::size_t(kSide) * kSide)
            state.SkipWithError("the mesh text did not read back");
    }
    mesh.reset();
    report(state, s.text.size());
}

void BM_ObjWrite(benchmark::State& state)
{
    Sample const& s = sample();
    for (auto _ : state) {
        std::ostringstream out;
        vorn::write_obj(out, s.mesh, "grid");
        benchmark::DoNotOptimize(out.str());
    }
    report(state, s.obj.size());
}

// Times read(mesh, error) into a fresh mesh, the grid's material given to its "usemtl" lines.
template <class Read>
void time_obj_reads(benchmark::State& state, Read const& read)
{
    Sample const& s = sample();
    vorn::ObjMaterials const materials = [&](std::string const&) { return s.material; };
    std::optional<teskar::Mesh> mesh;
    for (auto _ : state) {
        state.PauseTiming();
        mesh.emplace();
        state.ResumeTiming();
        std::string error;
        if (!read(*mesh, materials, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    mesh.reset();
    report(state, s.obj.size());
}

void BM_ObjRead(benchmark::State& state)
{
    time_obj_reads(state, [](teskar::Mesh& mesh, vorn::ObjMaterials const& materials, std::string& error) {
        return vorn::read_obj(sample().obj, "grid.obj", mesh, materials, error);
    });
}

// The same grid read from a file, as `load` reads it: mapped, its pages given back as it goes.
void BM_ObjReadFile(benchmark::State& state)
{
    std::filesystem::path const path = std::filesystem::temp_directory_path() / "tolvir_bench_grid.obj";
    std::ofstream(path, std::ios::binary) << sample().obj;
    time_obj_reads(state, [&](teskar::Mesh& mesh, vorn::ObjMaterials const& materials, std::string& error) {
        return vorn::read_obj_file(path, mesh, materials, error);
    });
    std::filesystem::remove(path);
}

BENCHMARK(BM_MeshTextWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeshTextRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjReadFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
