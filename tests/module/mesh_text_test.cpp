#include "module_fixture.h"

#include "commands/mesh_text.h"

#include "vornsdk/host.h"

using namespace VORNSDK;
using tolvir::read_mesh_text;
using tolvir::write_mesh_text;

namespace {

class MeshTextTest : public ModuleFixture {
protected:
    Component material(char const* name)
    {
        auto* library = teskar::item_of(teskar::scene_of(active_scene())->material_library());
        for (Component const& c : library->children())
            if (c["Name"].as_string() == String(name))
                return c;
        Component m = Component::create("Material");
        m["Name"].set_value(name, false);
        library->add_child(m);
        return m;
    }
    std::string write_all(MeshInterface const& m) const
    {
        return write_mesh_text(m, m.polygons().begin(), m.polygons().end(), nullptr, false).to_utf8();
    }
    // A fresh raw mesh to read into.
    teskar::Mesh& target()
    {
        raw_ = Component::create("RawMesh");
        return *teskar::mesh_of(raw_);
    }
    Component raw_;
};

} // namespace

TEST_F(MeshTextTest, WritesTheExactTextWithHardEdgesMaterialsAndOnlyUsedPoints)
{
    make_grid(2, 1);
    mesh->add_point({5, 5, 5}); // used by no polygon: not written
    mesh->add_point({0.5, 1e-07, -2.25});
    Index const tri = mesh->add_polygon({7, 0, 1});
    mesh->set_edge_hard({4, 1}, true);
    mesh->set_polygon_material(1, material("Red"));
    mesh->set_polygon_material(0, material("Default"));
    mesh->set_polygon_material(tri, material("Red"));
    EXPECT_EQ(write_all(*mesh), "MeshData\n\n7 Points\n{\n\t(0,0,0)\n\t(0,0,1)\n\t(1,0,1)\n\t(1,0,0)\n\t(2,0,1)\n\t(2,0,0)"
                                "\n\t(0.5,1e-07,-2.25)\n}\n\n3 Faces\n{\n\t4 (0,1,2,3)\n\t4 (3,2,4,5)\n\t3 (6,0,3)\n}\n"
                                "\n1 HardEdges\n{\n\t(2,3)\n}\n\n2 Materials\n{\n\t\"Default\" 1 0\n\t\"Red\" 2 1 2\n}");
}

TEST_F(MeshTextTest, ReadingWhatWasWrittenReproducesTheMesh)
{
    make_grid(3, 2);
    mesh->set_edge_hard({5, 6}, true);
    mesh->set_edge_hard({0, 1}, true);
    mesh->set_polygon_material(2, material("Red"));
    std::string const text = write_all(*mesh);
    auto& copy = target();
    copy.add_point({9, 9, 9}); // indices shift: the copy's numbering is its own
    auto const report = read_mesh_text(copy, std::string_view(text));
    EXPECT_TRUE(report.complete);
    EXPECT_EQ(report.faces, 6u);
    EXPECT_EQ(copy.hard_edge_count(), 2u);
    EXPECT_EQ(copy.polygon_material(2), material("Red"));
    EXPECT_EQ(corners(copy, 0), (std::vector<Index>{1, 2, 3, 4}));
    EXPECT_EQ(copy.point_position(3), (Vector3d{1, 0, 1}));
    copy.remove_point(0);
    EXPECT_EQ(write_all(copy), text);
}

TEST_F(MeshTextTest, ReaderAcceptsBlanksForCommasAndEscapesInNames)
{
    material("Odd\"Name");
    auto& m = target();
    auto const report = read_mesh_text(m, std::string_view("MeshData 3 Points { (0 0 0) (1,0,0) (0 1 0) }\r\n"
                                                           "1 Faces { 3 (0 1 2) } 0 HardEdges { }\n"
                                                           "1 Materials { \"Odd\\\"Name\" 1 0 }"));
    EXPECT_TRUE(report.complete);
    EXPECT_EQ(m.polygons().count(), 1u);
    EXPECT_EQ(m.polygon_material(0), material("Odd\"Name"));
}

TEST_F(MeshTextTest, BadTextKeepsWhatWasReadAndNeverIndexesOutside)
{
    struct Case {
        char const* text;
        std::size_t points, faces;
    };
    Case const cases[] = {
        {"", 0, 0},
        {"MeshData 2 Points { (0,0,0) (1,", 1, 0},
        {"MeshData 4000000000 Points { (0,0,0) }", 1, 0},
        {"MeshData 3 Points { (0,0,0) (1,0,0) (0,1,0) } 2 Faces { 3 (0,1,7) 3 (0,1,2) }", 3, 1},
        {"MeshData 3 Points { (0,0,0) (1,0,0) (0,1,0) } 1 Faces { 70000 (0,1,2) }", 3, 0},
        {"MeshData 3 Points { (0,0,0) (1,0,0) (nan,1,0) }", 2, 0},
        {"MeshData 1 Points { (0,0,0) } 1 Faces { 0 ( ) } 1 HardEdges { (0,9) } 1 Materials { \"Default\" 2 0 99 }", 1, 0},
        {"MeshData -1 Points", 0, 0},
        {"Junk 3 Points", 0, 0},
    };
    for (Case const& c : cases) {
        auto& m = target();
        auto const report = read_mesh_text(m, std::string_view(c.text));
        EXPECT_EQ(m.points().count(), c.points) << c.text;
        EXPECT_EQ(m.polygons().count(), c.faces) << c.text;
        EXPECT_EQ(report.points, c.points) << c.text;
    }
}

TEST_F(MeshTextTest, ClipboardTakesTheSelectionOrEverythingByPreference)
{
    make_grid(2, 1);
    mesh->set_polygon_selection(1, true);
    tolvir::copy_mesh_to_clipboard(*mesh, true);
    EXPECT_NE(clipboard_text().to_utf8().find("1 Faces"), std::string::npos);
    mesh->select_all(kElementPolygons, false);
    tolvir::copy_mesh_to_clipboard(*mesh, true);
    EXPECT_NE(clipboard_text().to_utf8().find("2 Faces"), std::string::npos);
    app_node()["NothingSelectedMeansEverythingSelected"].set_value(false);
    tolvir::copy_mesh_to_clipboard(*mesh, true);
    EXPECT_TRUE(clipboard_text().empty());
    app_node()["NothingSelectedMeansEverythingSelected"].set_value(true);
}
