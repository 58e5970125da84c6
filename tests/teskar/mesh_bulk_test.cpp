#include "mesh_fixture.h"

#include "teskar/mesh_builder.h"
#include "teskar/mesh_recorder.h"

#include "vornsdk/history.h"

#include <array>
#include <numbers>

using namespace VORNSDK;

using MeshBulk = MeshFixture;

TEST_F(MeshBulk, MovingPointsInBlocksIsOneUndoableEditAndSkipsVacantPoints)
{
    make_grid(50, 50); // 2601 points: three blocks
    mesh->remove_point(7);
    std::string const original = state();
    std::vector<Index> points;
    for (Index p = 0; p < mesh->points().slots(); ++p)
        points.push_back(p);
    points.push_back(99999);
    std::size_t seen = 0;
    {
        HistoryTransaction step("Move");
        HistoryContext const recording(step, false);
        mesh->move_points(points, [&](std::span<Vector3d> block) {
            EXPECT_LE(block.size(), 1024u);
            seen += block.size();
            for (Vector3d& p : block)
                p.y = p.x + 1;
        });
    }
    EXPECT_EQ(seen, mesh->points().count());
    EXPECT_EQ(mesh->point_position(2600), (Vector3d{50, 51, 50}));
    std::array<Vector3d, 3> read;
    std::array<Index, 3> const which{2600, 7, 0};
    mesh->point_positions(which, read);
    EXPECT_EQ(read, (std::array<Vector3d, 3>{Vector3d{50, 51, 50}, Vector3d{}, Vector3d{0, 1, 0}}));
    teskar::UndoHistory::instance().undo();
    EXPECT_EQ(state(), original);
}

TEST_F(MeshBulk, AddedGeometryCopiesPolygonsPropertiesAndHardEdgesUnderEachPlacement)
{
    teskar::Mesh source;
    source.add_point({0, 0, 0});
    source.add_point({9, 9, 9}); // a point without polygons comes along
    for (Vector3d const& p : {Vector3d{1, 0, 0}, Vector3d{1, 0, 1}, Vector3d{0, 0, 1}})
        source.add_point(p);
    Index const f = source.add_polygon({0, 4, 3, 2});
    Component const material = Component::create("Material");
    source.set_polygon_material(f, material);
    std::size_t const uv = source.add_vertex_map("UV", 2);
    source.set_corner_values(uv, f, {0, 0, 0, 1, 1, 1, 1, 0});
    source.set_edge_hard({0, 4}, true);
    source.set_polygon_selection(f, true);

    make_grid(1, 1);
    mesh->set_polygon_selection(0, true);
    std::string const original = state();
    std::array<Matrix4d, 2> const placements{Matrix4d::translation({5, 0, 0}), Matrix4d::rotation_y(std::numbers::pi / 2)};
    {
        HistoryTransaction step("Add");
        HistoryContext const recording(step, false);
        EXPECT_EQ(mesh->add_geometry(source, placements), 2u);
    }
    // Copy k takes the next slots, in the source's order: points 4 to 8 and 9 to 13.
    EXPECT_EQ(mesh->points().count(), 4u + 10);
    EXPECT_EQ(mesh->point_position(5), (Vector3d{14, 9, 9}));
    EXPECT_EQ(mesh->polygon_vertices(1)[1], 8u);
    EXPECT_EQ(mesh->polygon_vertices(2)[1], 13u);
    expect_near(mesh->point_position(10), {9, 9, -9}, 1e-12);
    for (Index copy : {1u, 2u}) {
        EXPECT_EQ(mesh->polygon_material(copy), material);
        EXPECT_EQ(mesh->corner_values(mesh->add_vertex_map("UV", 2), copy), (std::vector<float>{0, 0, 0, 1, 1, 1, 1, 0}));
        EXPECT_FALSE(mesh->polygon_selected(copy));
    }
    EXPECT_TRUE(mesh->edge_hard({4, 8}));
    EXPECT_TRUE(mesh->edge_hard({9, 13}));
    EXPECT_FALSE(mesh->edge_hard({8, 7}));
    EXPECT_EQ(mesh->point_polygons(13).size(), 1u);
    EXPECT_EQ(mesh->add_geometry(*mesh, placements), 0u);
    EXPECT_TRUE(valid(*mesh));

    teskar::UndoHistory::instance().undo();
    EXPECT_EQ(state(), original);
    teskar::UndoHistory::instance().redo();
    EXPECT_TRUE(mesh->edge_hard({9, 13}));
}

TEST_F(MeshBulk, ARecordingKeepsTheMeshBeforeAndAfterAndPlaysItsEnd)
{
    make_grid(1, 1);
    Component const recorder = Component::create("MeshEditRecorder");
    auto* r = get_interface<MeshEditRecorderInterface>(recorder);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->end());
    EXPECT_FALSE(r->begin(Component::create("Object")));
    EXPECT_FALSE(r->recording());
    {
        HistoryTransaction step("Edit");
        HistoryContext const recording(step, false);
        ASSERT_TRUE(r->begin(item));
        EXPECT_EQ(r->source(), item);
        mesh->set_point_position(3, {4, 4, 4});
        mesh->remove_polygon(0);
        mesh->add_polygon({0, 1, 2});
        EXPECT_EQ(r->play(*mesh, Matrix4d::identity()), 0u);
        EXPECT_TRUE(r->end());
    }
    EXPECT_EQ(r->before()->point_position(3), (Vector3d{1, 0, 1}));
    EXPECT_EQ(r->before()->polygon_vertices(0).count, 4);
    EXPECT_EQ(r->after()->point_position(3), (Vector3d{4, 4, 4}));
    EXPECT_EQ(r->after()->polygon_vertices(0).count, 3);
    // Recording recorded nothing of its own: undo takes back the edit alone.
    EXPECT_EQ(teskar::UndoHistory::instance().undo_names(), std::vector<std::string>{"Edit"});
    teskar::Mesh target;
    EXPECT_EQ(r->play(target, Matrix4d::translation({0, 1, 0})), 1u);
    EXPECT_EQ(target.point_position(3), (Vector3d{4, 5, 4}));
}

TEST_F(MeshBulk, ARevertedStepGivesBackTheSlotsItsAdditionsTookAndNoOthers)
{
    make_grid(2, 1);
    {
        HistoryTransaction removal("Remove");
        HistoryContext const recording(removal, false);
        mesh->remove_point(5); // the last slot, vacant from now on
    }
    std::string const original = state();
    {
        HistoryTransaction step("Tool");
        for (int run = 0; run < 3; ++run) {
            // Each run starts from the scene as the step found it and takes the same slots again.
            HistoryContext const rerun(step, true);
            EXPECT_EQ(state(), original);
            EXPECT_EQ(mesh->points().slots(), 6u);
            Index const p = mesh->add_point({5, 5, 5});
            EXPECT_EQ(p, 6u);
            EXPECT_EQ(mesh->add_polygon({0, 1, p}), 2u);
            mesh->set_point_selection(p, true);
            mesh->set_edge_hard({0, p}, true);
        }
        EXPECT_TRUE(valid(*mesh));
        HistoryContext const last(step, true);
        EXPECT_EQ(mesh->points().slots(), 6u);
        EXPECT_EQ(mesh->polygons().slots(), 2u);
        EXPECT_EQ(state(), original);
    }
    // The removal before the step still undoes into its slot.
    ASSERT_TRUE(teskar::UndoHistory::instance().undo());
    EXPECT_EQ(mesh->points().count(), 6u);
    EXPECT_EQ(mesh->polygon_vertices(1).count, 4);
}

// Adding polygons in one call gives the mesh one-by-one additions give, in bulk into a mesh that
// has only points, and through the usual operations once it has polygons (or within a recorded
// step, which undo then takes back).
TEST_F(MeshBulk, PolygonsAddedAtOnceMatchThoseAddedOneByOne)
{
    std::vector<std::uint16_t> const sizes{4, 3, 4, 3, 5};
    std::vector<Index> const corners{0, 1, 4, 3, /**/ 1, 2, 4, /**/ 3, 4, 4, 6, /**/ 4, 9, 7, /**/ 3, 4, 7, 6, 5};
    auto build = [&](bool at_once, int rounds) {
        item = Component::create("SceneObject");
        teskar::scene_of(active_scene())->add_item(item);
        mesh = teskar::mesh_of(item);
        for (int k = 0; k < 8; ++k)
            mesh->add_point({double(k % 3), 0.0, double(k / 3)});
        std::vector<Index> added;
        for (int round = 0; round < rounds; ++round) {
            std::vector<Index> out(sizes.size());
            if (at_once) {
                mesh->add_polygons(sizes, corners, out);
            } else {
                std::size_t at = 0;
                for (std::size_t k = 0; k < sizes.size(); at += sizes[k], ++k) {
                    CompactIndexArray list;
                    for (std::size_t c = 0; c < sizes[k]; ++c)
                        list.push_back(corners[at + c]);
                    out[k] = mesh->add_polygon(list);
                }
            }
            added.insert(added.end(), out.begin(), out.end());
        }
        return std::make_pair(state(), added);
    };
    for (int rounds : {1, 2}) {
        auto const [one_by_one, numbers] = build(false, rounds);
        auto const [at_once, at_once_numbers] = build(true, rounds);
        EXPECT_EQ(at_once, one_by_one);
        EXPECT_EQ(at_once_numbers, numbers);
    }
    EXPECT_EQ(build(true, 1).second, (std::vector<Index>{0, 1, kNoIndex, kNoIndex, 2}));

    std::string const before = state();
    {
        HistoryTransaction step("Add");
        HistoryContext const recording(step, false);
        std::vector<Index> out(sizes.size());
        mesh->add_polygons(sizes, corners, out);
    }
    teskar::UndoHistory::instance().undo();
    EXPECT_EQ(state(), before);
}

// The builder's runs of points and polygons give the mesh its one-by-one calls give: in bulk
// into a new mesh, and through the mesh's own operations into one that has polygons already.
TEST_F(MeshBulk, BuilderRunsMatchOneByOne)
{
    std::vector<Vector3d> positions;
    for (int k = 0; k < 8; ++k)
        positions.push_back({double(k % 3), 0.0, double(k / 3)});
    std::vector<std::uint16_t> const sizes{4, 3, 5};
    auto build = [&](bool runs, bool has_polygons) {
        item = Component::create("SceneObject");
        teskar::scene_of(active_scene())->add_item(item);
        mesh = teskar::mesh_of(item);
        Index const base = has_polygons ? 3 : 0;
        if (has_polygons)
            mesh->add_polygon(CompactIndexArray{mesh->add_point({}), mesh->add_point({1, 0, 0}), mesh->add_point({0, 1, 0})});
        std::vector<Index> corners{0, 1, 4, 3, /**/ 1, 2, 4, /**/ 3, 4, 7, 6, 5};
        for (Index& c : corners)
            c += base;
        {
            teskar::MeshBuilder build(*mesh, positions.size(), sizes.size(), corners.size());
            if (runs) {
                EXPECT_EQ(build.add_points(positions), base);
                EXPECT_EQ(build.add_checked_polygons(sizes, corners), Index(has_polygons));
            } else {
                for (Vector3d const& p : positions)
                    build.add_point(p);
                for (std::size_t k = 0, at = 0; k < sizes.size(); at += sizes[k++])
                    build.add_checked_polygon(std::span(corners).subspan(at, sizes[k]));
            }
        }
        EXPECT_TRUE(valid(*mesh));
        return state();
    };
    for (bool has_polygons : {false, true})
        EXPECT_EQ(build(true, has_polygons), build(false, has_polygons)) << has_polygons;
}
