#include "script_fixture.h"
#include "teskar/mesh_fixture.h"

#include "commands/mesh_text.h"
#include "mesh_file.h"

#include "vornsdk/attribute.h"

#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <random>
#include <sstream>

namespace {

using VORNSDK::Component;
using VORNSDK::Index;

Component make_material(std::string const& name)
{
    Component m = Component::create("Material");
    m["Name"].set_value(VORNSDK::String(name), false);
    return m;
}

std::string material_name(teskar::Mesh const& mesh, Index f)
{
    Component const m = mesh.polygon_material(f);
    return m ? m["Name"].as_string().to_utf8() : "";
}

// A 3 by 2 grid with two hard edges; "blue" is made before "red" but used after it, and one
// polygon has no material.
void build_grid(teskar::Mesh& mesh, Component const& blue, Component const& red, double scale)
{
    for (int j = 0; j <= 2; ++j)
        for (int i = 0; i <= 3; ++i)
            mesh.add_point({i * scale, j == 1 ? 1e-07 : -0.25 * j, 2.5e+06 * (j + 1)});
    for (Index j = 0; j < 2; ++j)
        for (Index i = 0; i < 3; ++i)
            mesh.add_polygon({i + 4 * j, i + 4 * j + 4, i + 4 * j + 5, i + 4 * j + 1});
    mesh.set_edge_hard({5, 1}, true);
    mesh.set_edge_hard({6, 10}, true);
    for (Index f = 0; f < 5; ++f)
        mesh.set_polygon_material(f, f < 3 ? red : blue);
}

} // namespace

TEST_F(ScriptTest, MeshFileRoundTripKeepsPointsWindingHardEdgesAndMaterials)
{
    teskar::Mesh grid;
    build_grid(grid, make_material("blue"), make_material("red"), 0.5);
    std::string const in = temp("grid.mesh"), out = temp("grid_out.mesh"), error;
    write_file(in, vorn::write_mesh_text(grid));
    Outcome const o = run("load " + in + " g\nsave " + out + "\nload " + out + " again\ntree\n");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.err, "");
    // Points are numbered in order of first use, so a loaded mesh writes the same text again.
    EXPECT_EQ(read_file(out), read_file(in));

    teskar::Mesh const& again = *mesh("again");
    EXPECT_EQ(scene().selection(), VORNSDK::ComponentList{scene().find_item("again")});
    ASSERT_EQ(again.points().count(), 12u);
    ASSERT_EQ(again.polygons().count(), 6u);
    std::map<Index, Index> loaded;
    for (Index f = 0; f < 6; ++f) {
        auto const a = grid.polygon_vertices(f), b = again.polygon_vertices(f);
        ASSERT_EQ(b.count, 4);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(again.point_position(b[k]), grid.point_position(a[k]));
            loaded[a[k]] = b[k];
        }
        EXPECT_EQ(material_name(again, f), material_name(grid, f));
    }
    EXPECT_EQ(again.hard_edge_count(), 2u);
    EXPECT_TRUE(again.edge_hard({loaded[5], loaded[1]}));
    EXPECT_TRUE(again.edge_hard({loaded[6], loaded[10]}));
    // The first load added the two materials to the library; the second found them there.
    std::size_t materials = 0;
    for (auto const& line : json_lines(o.out))
        materials += line["type"] == "Material";
    EXPECT_EQ(materials, 3u);
}

TEST(MeshTextCrossCheck, ModuleAndVornWriteAndReadTheSameText)
{
    teskar::new_scene();
    auto* library = teskar::item_of(teskar::scene_of(VORNSDK::active_scene())->material_library());
    Component const blue = make_material("blue"), red = make_material("red");
    library->add_child(blue);
    library->add_child(red);
    // Awkward numbers, vacant slots and an unused point.
    teskar::Mesh mesh;
    build_grid(mesh, blue, red, 1.0 / 3);
    mesh.add_point({123456789.0, -1234567.0, 100000.0});
    mesh.add_point({7, 7, 7});
    mesh.add_point({0.0001, 1e-05, -0.0});
    mesh.add_point({8, 8, 8});
    mesh.add_polygon({12, 14, 0});
    mesh.remove_polygon(1);
    mesh.remove_point(15);

    std::string const module_text =
        tolvir::write_mesh_text(mesh, mesh.polygons().begin(), mesh.polygons().end(), nullptr, false).to_utf8();
    std::string const text = vorn::write_mesh_text(mesh);
    ASSERT_EQ(text, module_text);

    // Every prefix of the text, and text that bends or breaks the rules, must read the same.
    std::vector<std::string> texts;
    for (std::size_t n = 0; n <= text.size(); n += 3)
        texts.push_back(text.substr(0, n));
    // A vertex count past the 16-bit limit ends the text even when that many numbers follow.
    std::string many = "MeshData 3 Points { (0,0,0) (1,0,0) (0,1,0) } 2 Faces { 3 (0,1,2) 65536 (";
    for (int k = 0; k < 65536; ++k)
        many += " 0";
    texts.push_back(many + ") } 1 HardEdges { (0,1) }");
    for (char const* t : {
             "MeshData 3 Points { (0 0 0) (1,0,0) (0 1 0) } 1 Faces { 3 (0 1 2) } 0 HardEdges { }"
             " 2 Materials { \"re\\d\" 1 0 \"nothing\" 1 0 }",
             "MeshData 3 Points { (0,0,0) (1,0,0) (0,1,0) } 4 Faces { 3 (0,1,7) 3 (0,0,1) 0 ( ) 3 (2,1,0) }"
             " 3 HardEdges { (0,9) (1,1) (1,2) } 2 Materials { \"blue\" 1 3 \"red\" 2 0 99 }",
             "MeshData 3 Points { (0,0,0) (1,0,0) (0,1,0) } 2 Faces { 3 (0,1,2) 70000 (0,1,2) }",
             "MeshData 3 Points { (0,0,0) (1,0,0) (inf,1,0) }",
             "MeshData 4000000000 Points { (0,0,0) }",
             "MeshData 1 Points { (1e999,0,0) }",
             "MeshData 2 Points { (0,0,0) (1,0,0) } 1 Face { 3 (0,1,2) }",
             "MeshData 3 Points { (0,0,0) (1,0,0) (0,1,0) } 1 Faces { 3 (0,1,2) } 0 HardEdges { } 1 Materials { red x 0 }",
         })
        texts.emplace_back(t);
    for (std::string const& t : texts) {
        teskar::Mesh a, b;
        tolvir::MeshTextReport const ra = tolvir::read_mesh_text(a, std::string_view(t));
        vorn::MeshTextRead const rb = vorn::read_mesh_text(t, b, [&](std::string const& name) {
            for (Component const& m : library->children())
                if (m["Name"].as_string().to_utf8() == name)
                    return m;
            return Component();
        });
        EXPECT_EQ(std::tuple(ra.points, ra.faces, ra.hard_edges, ra.assignments, ra.complete),
                  std::tuple(rb.points, rb.faces, rb.hard_edges, rb.assignments, rb.complete))
            << t;
        EXPECT_EQ(a.points().count(), b.points().count()) << t;
        EXPECT_EQ(vorn::write_mesh_text(a), vorn::write_mesh_text(b)) << t;
    }
    teskar::Mesh read;
    EXPECT_TRUE(vorn::read_mesh_text(module_text, read, nullptr).complete);
    EXPECT_EQ(read.polygons().count(), mesh.polygons().count());
}

// The text lines of the Points section.
std::vector<std::string> point_lines(std::string const& text)
{
    std::size_t const begin = text.find("Points\n{\n") + 9, end = text.find("\n}", begin);
    std::vector<std::string> lines;
    std::istringstream in(text.substr(begin, end - begin));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(MeshTextCrossCheck, BothWritersPrintEveryNumberAsADefaultStreamDoes)
{
    // The edges of each range of the six-digit general form, subnormals, and random bit patterns.
    std::vector<double> values = {0.0, -0.0, std::numeric_limits<double>::denorm_min(), -4.9406564584124654e-324,
                                  2.2250738585072009e-308, std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::max(), 1e-5, 9.999995e-5, 0.1, 123456.5, 999999.5,
                                  9999995, 1e16, 0.30000000000000004};
    std::mt19937_64 random(12);
    while (values.size() < 3000) {
        double const v = std::bit_cast<double>(random());
        if (std::isfinite(v))
            values.push_back(v);
    }
    teskar::Mesh mesh;
    for (double const v : values)
        mesh.add_point({v, -v, v / 3});
    std::vector<std::string> expected;
    for (Index p = 0; p + 2 < mesh.points().slots(); p += 3)
        mesh.add_polygon({p, p + 1, p + 2});
    for (Index p = 0; p < mesh.points().slots() / 3 * 3; ++p) {
        std::ostringstream s;
        s << "\t(" << values[p] << ',' << -values[p] << ',' << values[p] / 3 << ')';
        expected.push_back(s.str());
    }
    EXPECT_EQ(point_lines(vorn::write_mesh_text(mesh)), expected);
    EXPECT_EQ(point_lines(
                  tolvir::write_mesh_text(mesh, mesh.polygons().begin(), mesh.polygons().end(), nullptr, false).to_utf8()),
              expected);
}

TEST_F(ScriptTest, MaterialNamesWithQuotesAndBackslashesSurviveSaveAndLoad)
{
    std::string const name = "say \"hi\" \\ bye\\";
    teskar::Mesh triangle;
    for (double x : {0.0, 1.0, 2.0})
        triangle.add_point({x, x * x, 0});
    triangle.set_polygon_material(triangle.add_polygon({0, 1, 2}), make_material(name));
    std::string const in = temp("quoted_in.mesh"), out = temp("quoted_out.mesh");
    write_file(in, vorn::write_mesh_text(triangle));
    EXPECT_NE(read_file(in).find("\"say \\\"hi\\\" \\\\ bye\\\\\" 1 0"), std::string::npos) << read_file(in);

    Outcome const o = run("load " + in + " first\nsave " + out + "\nload " + out + " second\n");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(material_name(*mesh("first"), 0), name);
    EXPECT_EQ(material_name(*mesh("second"), 0), name);
    EXPECT_EQ(read_file(out), read_file(in));
}

TEST_F(ScriptTest, BreakSplitsALoadedMeshAndLeavesTheLastPieceOnTheClipboard)
{
    teskar::Mesh boxes;
    Component const red = make_material("red");
    for (int b = 0; b < 3; ++b)
        add_box(boxes, {3.0 * b, 0, 0});
    for (Index f : boxes.polygons())
        boxes.set_polygon_material(f, red);
    std::string const path = temp("boxes.mesh");
    write_file(path, vorn::write_mesh_text(boxes));
    Outcome const o = run("load " + path + " Box\nrun Break\nclipboard\n");
    ASSERT_EQ(o.code, 0) << o.err;
    ASSERT_TRUE(mesh("Box_3"));
    EXPECT_EQ(mesh("Box_3")->polygons().count(), 6u);
    EXPECT_EQ(material_name(*mesh("Box_3"), *mesh("Box_3")->polygons().begin()), "red");
    EXPECT_EQ(o.out, vorn::write_mesh_text(*mesh("Box_3")) + "\n");
}

TEST_F(ScriptTest, MeshLoadRefusesWhatIsNotMeshTextAndWarnsAboutPartialText)
{
    std::string const junk = temp("junk.mesh"), cut = temp("cut.mesh"), bad = temp("bad.mesh");
    write_file(junk, "\n  Mesh 3 Points");
    write_file(cut, "MeshData\n\n3 Points\n{\n\t(0,0,0)\n\t(1,0,0)\n\t(0,1");
    write_file(bad, "MeshData 3 Points { (0,0,0) (1,0,0) (0,1,0) }\n1 Faces { 3 (0,1,2) } 1 HardEdges {\n (0,x) }");

    Outcome o = run("load " + junk + " junk\n");
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err, "test.vs:1: " + junk + ":2:3: not mesh text (it must start with MeshData)\n");
    EXPECT_EQ(scene().find_item("junk"), Component());
    // A wrong first word on the first line of a longer text is at column 1.
    write_file(junk, "Mesh\nMeshData 0 Points { }");
    o = run("load " + junk + " junk\n");
    EXPECT_EQ(o.err, "test.vs:1: " + junk + ":1:1: not mesh text (it must start with MeshData)\n");
    o = run("load " + temp("absent.mesh") + "\n");
    EXPECT_EQ(o.err, "test.vs:1: cannot read '" + temp("absent.mesh") + "': No such file or directory\n");

    // Warnings go to the error stream, apart from the data statements print.
    o = run("load " + cut + " cut\nload " + bad + " bad\nundo\n");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "warning: " + cut + ":7:6: the mesh text ends early; kept 2 points, 0 faces, 0 hard edges, "
                     "0 material assignments\n"
                     "warning: " + bad + ":3:5: the mesh text stops making sense; kept 3 points, 1 faces, 0 hard edges, "
                     "0 material assignments\n");
    ASSERT_TRUE(mesh("cut"));
    EXPECT_EQ(mesh("cut")->points().count(), 2u);
    EXPECT_EQ(scene().find_item("bad"), Component());
}

TEST_F(ScriptTest, LoadRefusesFoldersDevicesAndPipes)
{
    // A folder has no text, and a device or a pipe may never end: neither is read.
    std::string const folder = temp("folder.mesh"), zero = temp("zero.mesh"), zero_obj = temp("zero.obj"),
                      pipe = temp("pipe.obj");
    std::filesystem::create_directory(folder);
    std::filesystem::create_symlink("/dev/zero", zero);
    std::filesystem::create_symlink("/dev/zero", zero_obj);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (auto const& [path, reason] : std::vector<std::pair<std::string, std::string>>{
             {folder, "it is a folder"},
             {zero, "it is not a regular file"},
             {zero_obj, "it is not a regular file"},
             {pipe, "it is not a regular file"},
         }) {
        Outcome const o = run("load " + path + " x\n");
        EXPECT_EQ(o.code, 1);
        EXPECT_EQ(o.err, "test.vs:1: cannot read '" + path + "': " + reason + "\n");
        EXPECT_EQ(scene().find_item("x"), Component());
    }
    for (std::string const& p : {folder, zero, zero_obj, pipe})
        std::filesystem::remove(p);
}
