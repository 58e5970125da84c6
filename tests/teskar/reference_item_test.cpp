#include "mesh_fixture.h"

#include "teskar/picking.h"
#include "teskar/reference_item.h"

#include "vornsdk/attribute.h"
#include "vornsdk/picking.h"

using namespace VORNSDK;

namespace {

class ReferenceItemTest : public MeshFixture {
protected:
    Component add_reference(Component const& shown, Matrix4d const& placement)
    {
        Component const reference = Component::create("ReferenceItem");
        reference["ReferencedItem"].set_value(StrongReference{shown}, false);
        get_interface<SceneItemInterface>(reference)->set_placement(placement);
        teskar::scene_of(active_scene())->add_item(reference);
        return reference;
    }
};

} // namespace

TEST_F(ReferenceItemTest, ShowsTheMeshItRefersToWithoutHavingOne)
{
    make_grid(2, 1);
    Component const first = add_reference(item, Matrix4d::translation({10, 0, 0}));
    Component const second = add_reference(first, Matrix4d::translation({0, 0, 10}));
    EXPECT_FALSE(get_interface<MeshInterface>(first));
    EXPECT_EQ(teskar::shown_mesh(first), mesh);
    EXPECT_EQ(teskar::shown_mesh(second), mesh);
    Vector3d min, max;
    get_interface<SceneItemInterface>(second)->world_bounding_box(min, max);
    EXPECT_EQ(min, (Vector3d{0, 0, 10}));
    EXPECT_EQ(max, (Vector3d{2, 0, 11}));

    // References that run in a loop, or to nothing, show nothing.
    first["ReferencedItem"].set_value(StrongReference{second}, false);
    EXPECT_EQ(teskar::shown_mesh(first), nullptr);
    first["ReferencedItem"].set_value(Parameter(), false);
    EXPECT_EQ(teskar::shown_mesh(second), nullptr);
    get_interface<SceneItemInterface>(second)->world_bounding_box(min, max);
    EXPECT_LT(max.x, min.x);
}

TEST_F(ReferenceItemTest, IsPickedWithTheMeshItShows)
{
    make_grid(2, 1);
    Component const reference = add_reference(item, Matrix4d::translation({10, 0, 0}));
    PickRecord r;
    ASSERT_TRUE(teskar::pick_segment(active_scene(), {11.5, 5, 0.5}, {11.5, -5, 0.5}, r));
    EXPECT_EQ(r.item, reference);
    EXPECT_EQ(r.polygon, 1u);
    EXPECT_EQ(r.local_hit, (Vector3d{1.5, 0, 0.5}));
    // The reference follows edits of the mesh.
    mesh->remove_polygon(1);
    EXPECT_FALSE(teskar::pick_segment(active_scene(), {11.5, 5, 0.5}, {11.5, -5, 0.5}, r));
}
