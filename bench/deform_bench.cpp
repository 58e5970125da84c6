// Bend, Twist and Array: the bare functions and one step of a drag through the tool, as the user
// waits for it (the host puts the mesh back, the tool applies its edit again, the host records
// it), with the memory traffic of a step beside this machine's copy bandwidth.
#include "grids.h"
#include "module_env.h"

#include "deformers/bend_points.h"
#include "deformers/twist_points.h"

#include "teskar/history.h"
#include "teskar/mesh_item.h"
#include "teskar/tool_handler.h"
#include "teskar/viewport.h"

#include "vornsdk/host.h"
#include "vornsdk/tool.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <numbers>
#include <vector>

using namespace VORNSDK;

namespace {

// A grid of n by n quads standing in the x-y plane, every point selected in point mode.
struct Stage {
    Component item;
    teskar::Mesh* mesh = nullptr;

    explicit Stage(int n)
    {
        register_module();
        teskar::deactivate_tool();
        teskar::UndoHistory::instance().clear();
        teskar::new_scene();
        item = Component::create("SceneObject");
        item["Name"].set_value("grid", false);
        mesh = teskar::mesh_of(item);
        fill_grid(*mesh, n, n);
        for (Index p : mesh->points()) {
            Vector3d const q = mesh->point_position(p);
            mesh->set_point_position(p, {q.x / n, q.z / n, 0.0});
            mesh->set_point_selection(p, true);
        }
        teskar::scene_of(active_scene())->add_item(item);
        add_to_selection(item);
        set_selection_mode(kSelectPoints);
    }
    ~Stage()
    {
        teskar::deactivate_tool();
        teskar::UndoHistory::instance().clear();
    }
};

InputDeviceState pointer(Component const& viewport, double x, double y, int button)
{
    InputDeviceState s;
    s.viewport = viewport;
    s.x = float(x);
    s.y = float(y);
    s.position_valid = kPositionXValid | kPositionYValid;
    s.button = button;
    s.buttons.set(kButtonLeft, true);
    return s;
}

// What one drag step of a deformer moves through memory, per point, as the host and the tool
// stand. The restore reads the point's saved state (40 bytes), fetches and writes its position
// (24 + 24) and logs it (4); the tool copies the selection (4 read, 4 written); the host's move
// reads the index and occupancy (5), finds the state saved already (the step kept it through
// the restore) and writes the moved position back to the line it read (24); the bend itself
// works in the cache.
constexpr double kBytesPerPoint = 40 + 24 + 24 + 4 + 4 + 4 + 5 + 24;

// Drags a tool's angle by one pixel per step, from a press away from its gizmos (Twist leaves its
// range mode first; Bend takes no such action).
void drag_steps(benchmark::State& state, char const* tool_name)
{
    Stage const stage(1000);
    Component const viewport = Component::create("Viewport");
    teskar::set_active_viewport(viewport);
    Component const tool = Component::create(tool_name);
    activate_tool(tool);
    auto* iface = get_interface<InteractiveToolInterface>(tool);
    iface->action_pressed("Mode");
    iface->button_pressed(kEventNormal, pointer(viewport, 20, 20, kButtonLeft));
    double x = 20;
    for (auto _ : state) {
        x += 1;
        iface->pointer_moved(kEventNormal, pointer(viewport, x, 20, -1));
    }
    double const points = double(stage.mesh->points().count());
    state.counters["points/s"] = benchmark::Counter(points, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["bytes/s"] = benchmark::Counter(points * kBytesPerPoint, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BendDragStep(benchmark::State& state) { drag_steps(state, "Bend"); }
BENCHMARK(BM_BendDragStep)->Unit(benchmark::kMillisecond);

void BM_TwistDragStep(benchmark::State& state) { drag_steps(state, "Twist"); }
BENCHMARK(BM_TwistDragStep)->Unit(benchmark::kMillisecond);

// The bare functions on a million points: the positions are put back outside the timing.
template <class Deform>
void bare(benchmark::State& state, Deform deform)
{
    std::size_t const n = 1002001;
    std::vector<Vector3d> source(n), points(n);
    for (std::size_t i = 0; i < n; ++i)
        source[i] = {double(i % 1001) / 1000, double(i / 1001) / 1000, 0.0};
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(points.data(), source.data(), n * sizeof(Vector3d));
        state.ResumeTiming();
        deform(std::span<Vector3d>(points));
        benchmark::DoNotOptimize(points.data());
    }
    state.counters["points/s"] = benchmark::Counter(double(n), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["bytes/s"] = benchmark::Counter(double(n) * 48, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BendFunction(benchmark::State& state)
{
    tolvir::BendParameters bend;
    bend.angle = 1.3;
    bend.twist = 0.2;
    bend.length = 1;
    bare(state, [&](std::span<Vector3d> p) { tolvir::bend_points(bend, p); });
}
BENCHMARK(BM_BendFunction)->Unit(benchmark::kMillisecond);

void BM_TwistFunction(benchmark::State& state)
{
    tolvir::TwistParameters twist;
    twist.near = {0, 1, 0};
    twist.twist_far = 0.7;
    twist.twist_near = -0.4;
    bare(state, [&](std::span<Vector3d> p) { tolvir::twist_points(twist, p); });
}
BENCHMARK(BM_TwistFunction)->Unit(benchmark::kMillisecond);

// The machine's memory bandwidth as a plain copy sees it: 256 MB read and written per copy.
void BM_MemoryCopy(benchmark::State& state)
{
    std::size_t const bytes = std::size_t(256) << 20;
    std::vector<char> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    }
    state.counters["bytes/s"] = benchmark::Counter(2.0 * bytes, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_MemoryCopy)->Unit(benchmark::kMillisecond);

// Array of 100 copies of a 10 000-polygon grid, as "Mesh" polygons or "Instance" items: one
// change of the distance re-runs the whole array from the restored scene.
void array_steps(benchmark::State& state, int elements)
{
    register_module();
    teskar::deactivate_tool();
    teskar::UndoHistory::instance().clear();
    teskar::new_scene();
    Component const item = Component::create("SceneObject");
    item["Name"].set_value("grid", false);
    fill_grid(*teskar::mesh_of(item), 100, 100);
    teskar::scene_of(active_scene())->add_item(item);
    add_to_selection(item);
    set_selection_mode(kSelectItems);
    Component const tool = Component::create("Array");
    tool["ArrayElement"].set_value(elements, false);
    tool["Number"].set_value(Vector3i{100, 1, 1}, false);
    tool["disttype"].set_value(1, false);
    tool["Distance"].set_value(Vector3d{110, 0, 0}, false);
    activate_tool(tool);
    double d = 110;
    for (auto _ : state) {
        d += 0.001;
        tool["Distance"].set_value(Vector3d{d, 0, 0});
    }
    state.counters["polygons"] = double(teskar::mesh_of(item)->polygons().count());
    state.counters["output polygons/s"] = benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
    teskar::deactivate_tool();
    teskar::UndoHistory::instance().clear();
}

void BM_ArrayMesh100(benchmark::State& state) { array_steps(state, 0); }
BENCHMARK(BM_ArrayMesh100)->Unit(benchmark::kMillisecond);

void BM_ArrayInstance100(benchmark::State& state) { array_steps(state, 1); }
BENCHMARK(BM_ArrayInstance100)->Unit(benchmark::kMillisecond);

// The host's part of an array on its own: 99 copies of the grid added under placements.
void BM_AddGeometry100(benchmark::State& state)
{
    teskar::UndoHistory::instance().clear();
    teskar::Mesh source;
    fill_grid(source, 100, 100);
    std::vector<Matrix4d> placements;
    for (int k = 1; k < 100; ++k)
        placements.push_back(Matrix4d::translation({110.0 * k, 0, 0}));
    for (auto _ : state) {
        teskar::Mesh target;
        benchmark::DoNotOptimize(target.add_geometry(source, placements));
    }
}
BENCHMARK(BM_AddGeometry100)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
