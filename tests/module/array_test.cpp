#include "deformer_fixture.h"

#include "deformers/array.h"
#include "deformers/array_layout.h"

#include "teskar/reference_item.h"

#include "vornsdk/host.h"
#include "vornsdk/scene.h"

#include <numbers>
#include <vector>

using namespace VORNSDK;

namespace {

constexpr double kPi = std::numbers::pi;

std::vector<double> xs(std::vector<Vector3d> const& offsets)
{
    std::vector<double> out;
    for (Vector3d const& o : offsets)
        out.push_back(o.x);
    return out;
}

// The repeat i of a radial layout applied to a point.
Vector3d repeat(tolvir::RadialLayout const& layout, int i, Vector3d const& p)
{
    return transform_point(tolvir::radial_transform(layout, i), p);
}

} // namespace

TEST(ArrayLayout, LinearStepsAndCells)
{
    using tolvir::linear_offsets;
    using tolvir::linear_step;
    Vector3d const size{1, 2, 0};
    EXPECT_TRUE(linear_offsets({1, 1, 1}, {5, 5, 5}, true).empty());
    EXPECT_TRUE(linear_offsets({1, 1, 1}, {5, 5, 5}, false).empty());
    // A zero gap packs the repeats edge to edge.
    EXPECT_EQ(linear_step({3, 1, 1}, {0, 0, 0}, size, tolvir::kDistanceGap), size);
    EXPECT_EQ(linear_step({3, 1, 1}, {0.5, 0, 0}, size, tolvir::kDistanceGap), (Vector3d{1.5, 2, 0}));
    EXPECT_EQ(linear_step({3, 1, 1}, {4, 0, 0}, size, tolvir::kDistanceOffset), (Vector3d{4, 0, 0}));
    Vector3d const total = linear_step({4, 1, 1}, {8, 0, 0}, size, tolvir::kDistanceTotal);
    EXPECT_EQ(xs(linear_offsets({4, 1, 1}, total, false)), (std::vector<double>{2, 4, 6}));
    EXPECT_EQ(linear_step({4, 0, -2}, {9, 4, 6}, size, tolvir::kDistanceBetween), (Vector3d{2, 2, 6}));
    EXPECT_EQ(linear_step({4, 1, 1}, {8, 0, 0}, size, 7), (Vector3d{}));
    // Mesh repeats run i outer and count zeros and negatives as 1; item repeats run k outer, count
    // 0 as 1 and make none for a negative count.
    EXPECT_EQ(linear_offsets({2, 1, 2}, {1, 1, 1}, true),
              (std::vector<Vector3d>{{0, 0, 1}, {1, 0, 0}, {1, 0, 1}}));
    EXPECT_EQ(linear_offsets({2, 1, 2}, {1, 1, 1}, false),
              (std::vector<Vector3d>{{1, 0, 0}, {0, 0, 1}, {1, 0, 1}}));
    EXPECT_EQ(linear_offsets({2, -1, 0}, {1, 1, 1}, true).size(), 1u);
    EXPECT_EQ(linear_offsets({2, 0, 1}, {1, 1, 1}, false).size(), 1u);
    EXPECT_TRUE(linear_offsets({2, -1, 1}, {1, 1, 1}, false).empty());
}

TEST(ArrayLayout, RadialFullTurnOpenArcAndRise)
{
    Vector3d const p{3, 0, 0}, origin{1, 0, 0};
    tolvir::RadialLayout const full = tolvir::radial_layout(4, 2 * kPi, 0, 1, origin);
    EXPECT_NEAR(full.angle_step, kPi / 2, 1e-15);
    expect_close(repeat(full, 1, p), {1, 0, -2});
    expect_close(repeat(full, 2, p), {-1, 0, 0});
    expect_close(repeat(full, 3, p), {1, 0, 2});
    // An open arc puts a repeat on both of its ends; a turn within 1/180 of a full one is full.
    EXPECT_NEAR(tolvir::radial_layout(3, kPi, 0, 1, origin).angle_step, kPi / 2, 1e-15);
    EXPECT_NEAR(tolvir::radial_layout(4, 2 * kPi * 0.996, 0, 1, origin).angle_step, 2 * kPi * 0.996 / 4, 1e-15);
    EXPECT_NEAR(tolvir::radial_layout(4, 2 * kPi * 0.994, 0, 1, origin).angle_step, 2 * kPi * 0.994 / 3, 1e-15);
    // The rise spreads over the count; fewer than two repeats count as two.
    tolvir::RadialLayout const rising = tolvir::radial_layout(3, 2 * kPi, 3, 2, origin);
    EXPECT_NEAR(repeat(rising, 1, origin).z, 1, 1e-15);
    EXPECT_NEAR(repeat(rising, 2, origin).z, 2, 1e-15);
    EXPECT_EQ(tolvir::radial_layout(0, kPi, 0, 1, origin).count, 2);
}

class ArrayToolTest : public DeformerFixture {
protected:
    // The scene's items other than the material library and its material, by name.
    std::vector<std::string> scene_items() const
    {
        std::vector<std::string> names;
        for (Component const& c : get_interface<SceneInterface>(active_scene())->items()) {
            std::string const kind = teskar::item_of(c)->kind();
            if (kind != "MaterialLibrary" && kind != "Material")
                names.push_back(teskar::item_of(c)->name().to_utf8());
        }
        return names;
    }
    static Vector3d position(Component const& c) { return get_interface<SceneItemInterface>(c)->placement().translation_part(); }
};

TEST_F(ArrayToolTest, MeshRepeatsAddPolygonsAndOneRepeatAddsNone)
{
    make_grid(2, 1);
    mesh->set_polygon_selection(1, true);
    set_selection_mode(kSelectPolygons);
    std::string const original = state();
    start<tolvir::Array>("Array");
    // The default: three along x, the selected polygon packed edge to edge.
    EXPECT_EQ(mesh->polygons().count(), 4u);
    EXPECT_EQ(mesh->polygon_vertices(2).count, 4);
    EXPECT_EQ(mesh->point_position(mesh->polygon_vertices(3)[0]), (Vector3d{3, 0, 0}));
    tool["Number"].set_value(Vector3i{1, 1, 1});
    EXPECT_EQ(state(), original);
    tool["Number"].set_value(Vector3i{2, 1, 3});
    tool["disttype"].set_value(tolvir::kDistanceOffset);
    tool["Distance"].set_value(Vector3d{0, 0, 2});
    EXPECT_EQ(mesh->polygons().count(), 2u + 5);
    EXPECT_TRUE(valid(*mesh));
    EXPECT_TRUE(mesh->selected_polygons().contains(1));
    EXPECT_EQ(mesh->selected_polygons().size(), 1u);
}

TEST_F(ArrayToolTest, InstancesStandBesideTheSourceAndReRunsReuseThem)
{
    make_grid(1, 1);
    get_interface<SceneItemInterface>(item)->set_placement(Matrix4d::translation({0, 5, 0}));
    app_node()["ParentInPlace"].set_value(true, false);
    auto& array = start<tolvir::Array>("Array");
    tool["ArrayElement"].set_value(1);
    EXPECT_EQ(scene_items(), (std::vector<std::string>{"Grid", "Grid_1", "Grid_2"}));
    ASSERT_EQ(array.linear_items().size(), 2u);
    Component const first = array.linear_items()[0];
    EXPECT_EQ(first.component_type(), String("ReferenceItem"));
    EXPECT_EQ(first["ReferencedItem"].as_ref(), item);
    EXPECT_EQ(teskar::shown_mesh(first), mesh);
    EXPECT_EQ(position(first), (Vector3d{1, 5, 0}));
    EXPECT_EQ(position(array.linear_items()[1]), (Vector3d{2, 5, 0}));

    tool["Number"].set_value(Vector3i{2, 1, 1});
    EXPECT_EQ(scene_items(), (std::vector<std::string>{"Grid", "Grid_1"}));
    tool["Number"].set_value(Vector3i{4, 1, 1});
    EXPECT_EQ(scene_items(), (std::vector<std::string>{"Grid", "Grid_1", "Grid_2", "Grid_3"}));
    EXPECT_EQ(array.linear_items()[0], first);
    EXPECT_EQ(array.linear_items().size(), 3u);
    EXPECT_TRUE(app_node()["ParentInPlace"].as_bool());
    // Copies replacing the instances take their names.
    tool["ArrayElement"].set_value(2);
    EXPECT_EQ(scene_items(), (std::vector<std::string>{"Grid", "Grid_1", "Grid_2", "Grid_3"}));
    EXPECT_EQ(array.linear_items()[0].component_type(), String("SceneObject"));
    tool["ArrayElement"].set_value(1);

    // Radial instances turn about the axis through the origin, in world space.
    tool["ArrayType"].set_value(1);
    tool["nrad"].set_value(4);
    tool["origin"].set_value(Vector3d{1, 0, 0});
    EXPECT_EQ(scene_items(), (std::vector<std::string>{"Grid", "Grid_4", "Grid_5", "Grid_6"}));
    auto const* turned = get_interface<SceneItemInterface>(array.radial_items()[0]);
    expect_close(turned->placement().translation_part(), {1, 5, 1});
    expect_close(transform_vector(turned->placement(), {1, 0, 0}), {0, 0, -1});
}

TEST_F(ArrayToolTest, CopiesCarryTheSourcesGeometry)
{
    make_grid(2, 2);
    Component const command = Component::create("Array");
    command["ArrayElement"].set_value(2, false);
    command["Number"].set_value(Vector3i{2, 1, 1}, false);
    EXPECT_TRUE(execute(command));
    Component const copy = get_interface<SceneInterface>(active_scene())->find_item("Grid_1");
    teskar::Mesh const* copied = teskar::mesh_of(copy);
    ASSERT_TRUE(copied);
    EXPECT_NE(copied, mesh);
    EXPECT_EQ(copied->polygons().count(), 4u);
    EXPECT_EQ(copied->point_position(8), mesh->point_position(8));
    EXPECT_EQ(position(copy), (Vector3d{2, 0, 0}));
}

TEST_F(ArrayToolTest, RadialMeshRepeatsTurnAboutTheWorldOriginInTheMeshsOwnSpace)
{
    make_grid(1, 1);
    // The item stands at x = 3: the world origin is at x = -3 in its own space.
    get_interface<SceneItemInterface>(item)->set_placement(Matrix4d::translation({3, 0, 0}));
    Component const command = Component::create("Array");
    command["ArrayType"].set_value(1, false);
    command["nrad"].set_value(2, false);
    command["angle"].set_value(kPi, false);
    command["overt"].set_value(4.0, false);
    EXPECT_TRUE(execute(command));
    ASSERT_EQ(mesh->polygons().count(), 2u);
    // Half a turn about the world's y axis and a lift of 2: the corner (3, 0, 0) of the world goes
    // to (-3, 2, 0), which is (-6, 2, 0) in the item's space.
    expect_close(mesh->point_position(4), {-6, 2, 0});
}
