#include "script_fixture.h"

#include "obj_io.h"
#include "scene_info.h"
#include "text_numbers.h"

#include "vornsdk/attribute.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>

namespace {

using VORNSDK::Index;
using VORNSDK::Vector3d;

// Every v, vt and f form, negative indices, and materials whose names hold blanks.
char const* const kQuad = R"(# a quad and its triangles
mtllib quad.mtl
o quad
v 0 0 0
v 1 0 0
v 1 1 0.5
v 0 1 0
vt 0 0
vt 1 0
vt 1 1
vn 0 0 1
usemtl red
f 1/1 2/2 3/3
f -4//1 -2//-1 -1//1
usemtl blue paint
s off
f 1/1/1 3/3/1 4/-1/1
f 2 3 4 1
)";

std::string material_name(teskar::Mesh const& mesh, Index f)
{
    auto const m = mesh.polygon_material(f);
    return m ? m["Name"].as_string().to_utf8() : "";
}

TEST(ObjWrite, RenumbersDenselyAndSwitchesMaterials)
{
    teskar::Mesh mesh;
    for (int k = 0; k < 5; ++k)
        mesh.add_point({double(k), 0.25, -1e-3});
    mesh.remove_point(1);
    Index const f0 = mesh.add_polygon({0, 2, 3});
    Index const f1 = mesh.add_polygon({4, 3, 2});
    mesh.add_polygon({0, 3, 4});
    mesh.remove_polygon(f0);
    Index const f3 = mesh.add_polygon({2, 4, 0});
    auto const red = VORNSDK::Component::create("Material");
    red["Name"].set_value("red", false);
    mesh.set_polygon_material(f1, red);
    mesh.set_polygon_material(f3, red);

    std::ostringstream out;
    vorn::write_obj(out, mesh, "thing");
    EXPECT_EQ(out.str(), "# 4 points, 3 polygons\no thing\n"
                         "v 0 0.25 -0.001\nv 2 0.25 -0.001\nv 3 0.25 -0.001\nv 4 0.25 -0.001\n"
                         "usemtl red\nf 4 3 2\nusemtl Default\nf 1 3 4\nusemtl red\nf 2 4 1\n");
}

TEST_F(ScriptTest, ObjRoundTripKeepsPointsWindingMaterialsAndUvs)
{
    std::string const in = temp("quad.obj"), out = temp("quad_out.obj");
    write_file(in, kQuad);
    Outcome const o = run("load " + in + " quad\nsave " + out + "\nload " + out + " again\ntree\n");
    ASSERT_EQ(o.code, 0) << o.err;
    ASSERT_TRUE(mesh("quad") && mesh("again"));
    teskar::Mesh const& first = *mesh("quad");
    teskar::Mesh const& again = *mesh("again");
    EXPECT_EQ(scene().selection().front(), scene().find_item("again"));
    ASSERT_EQ(again.points().count(), 4u);
    ASSERT_EQ(again.polygons().count(), 4u);
    for (Index p = 0; p < 4; ++p)
        EXPECT_EQ(again.point_position(p), first.point_position(p));
    ASSERT_EQ(again.num_vertex_maps(), 1u);
    // Negative indices count back from the last point read.
    auto const f1 = first.polygon_vertices(1);
    EXPECT_EQ(std::vector<Index>(f1.begin(), f1.end()), (std::vector<Index>{0, 2, 3}));
    for (Index f = 0; f < 4; ++f) {
        SCOPED_TRACE(f);
        auto const a = first.polygon_vertices(f), b = again.polygon_vertices(f);
        EXPECT_EQ(std::vector<Index>(a.begin(), a.end()), std::vector<Index>(b.begin(), b.end()));
        EXPECT_EQ(material_name(again, f), material_name(first, f));
        EXPECT_EQ(again.corner_values(0, f), first.corner_values(0, f));
    }
    EXPECT_EQ(material_name(again, 2), "blue paint");
    EXPECT_EQ(again.corner_values(0, 2), (std::vector<float>{0, 0, 1, 1, 1, 1}));
    EXPECT_TRUE(again.corner_values(0, 1).empty());
    // Both loads share the materials they name: each is made once, in the library.
    auto const lines = json_lines(o.out);
    std::vector<std::string> materials;
    for (auto const& line : lines)
        if (line["type"] == "Material")
            materials.push_back(line["name"]);
    EXPECT_EQ(materials, (std::vector<std::string>{"Default", "red", "blue paint"}));
    EXPECT_EQ(material_name(again, 0), "red");
    EXPECT_EQ(again.polygon_material(0), first.polygon_material(0));

    // Undoing both loads takes their materials away again.
    ASSERT_EQ(run("load " + in + "\nundo\ntree\n").out, run("tree\n").out);
}

TEST_F(ScriptTest, MalformedObjNamesFileAndLineAndLeavesTheSceneAlone)
{
    std::string const path = temp("bad.obj");
    std::string const head = "v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl m\n";
    struct Case {
        std::string text, message;
    };
    for (auto const& [text, message] : std::vector<Case>{
             {"v 0 0 0\nv 1 x 0\n", ":2: bad number 'x'"},
             {"v 0 0 0\nv 1 2\n", ":2: v takes 3 to 7 numbers"},
             {head + "f 1 2 4\n", ":5: point index 4 out of range (3 points)"},
             {head + "f 1 2 -4\n", ":5: point index -4 out of range"},
             {head + "f 0 1 2\n", ":5: point index 0 out of range"},
             {head + "f 1 2\n", ":5: face with 2 vertices"},
             {head + "f 1 2 2\n", ":5: face uses point 2 twice"},
             {head + "vt 0 0\nf 1/1 2/2 3/1\n", ":6: texture coordinate index 2 out of range"},
             {head + "f 1//1 2 3\n", ":5: normal index 1 out of range"},
             {head + "f 1/a 2 3\n", ":5: bad index 'a'"},
             {head + "f 1/1/1/1 2 3\n", ":5: bad face vertex '1/1/1/1'"},
         }) {
        SCOPED_TRACE(text);
        write_file(path, text);
        Outcome const o = run("new box b\nload " + path + "\ntree\n");
        EXPECT_EQ(o.code, 1);
        EXPECT_EQ(o.err.rfind("test.vs:2: " + path + message, 0), 0u) << o.err;
        // Nothing of the file reached the scene, not even its material.
        EXPECT_EQ(vorn::scene_items(scene()).size(), 3u);
        EXPECT_EQ(scene().selection().front(), scene().find_item("b"));
    }
    // A runaway number is named by its first characters only.
    write_file(path, "v 1 2 " + std::string(20'000'000, '7') + "\n");
    Outcome const runaway = run("load " + path + "\n");
    EXPECT_EQ(runaway.err, "test.vs:1: " + path + ":1: bad number '" + std::string(40, '7') + "...'\n");
    Outcome const missing = run("load " + temp("missing.obj") + "\n");
    EXPECT_EQ(missing.err, "test.vs:1: cannot read '" + temp("missing.obj") + "': No such file or directory\n");
}

} // namespace

// The quick paths for decimals must give exactly the double the general reader gives, and leave
// every other text to it: short decimals, the 17 digits that round-trip a double, halfway cases.
TEST(TextNumbers, DecimalsReadAsTheGeneralReaderDoes)
{
    std::mt19937_64 random(7);
    auto digits = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += char('0' + random() % 10);
        return s;
    };
    std::vector<std::string> texts = {"0",      "-0",     "1.",       ".5",     "-.25e2", "1e22",  "1e23",   "9007199254740993",
                                      "1e-22",  "1e-23",  "0.1",      "123.456", "2.5E+3", "7e0005", "1e",    "-",
                                      ".",      "1.2.3",  "1e+",      "inf",     "nan",    "0x10",  "1,5",    "+-1",
                                      "123456789012345678901234", "0.000000000000000000000000001"};
    for (std::string halfway : {"9007199254740993", "9007199254740995", "4503599627370497.5", "1.00000000000000011102230246251565"})
        texts.insert(texts.end(), {halfway, halfway + "e-7", halfway + "e21", "0.000" + halfway});
    for (int i = 0; i < 20000; ++i) {
        char shortest[32], round_trip[32];
        double const d = std::ldexp(double(random() >> 11), int(random() % 400) - 250); // about 1e-60 to 1e60
        *std::to_chars(shortest, shortest + 31, d).ptr = 0;
        std::snprintf(round_trip, sizeof round_trip, "%.17g", d);
        texts.insert(texts.end(), {shortest, round_trip});
    }
    for (int i = 0; i < 40000; ++i) {
        std::string t = random() % 4 == 0 ? "-" : "";
        t += digits(int(random() % (i < 20000 ? 10 : 22)));
        if (random() % 2) {
            t += '.';
            t += digits(int(random() % 12));
        }
        if (random() % 3 == 0) {
            t += random() % 2 ? "e-" : "e";
            t += std::to_string(random() % (i < 20000 ? 30 : 90));
        }
        texts.push_back(t);
    }
    for (std::string const& t : texts) {
        double quick = 0, general = 0;
        bool const quick_ok = vorn::parse_number(t, quick);
        auto const [end, ec] = std::from_chars(t.data(), t.data() + t.size(), general);
        bool const general_ok = ec == std::errc() && end == t.data() + t.size() && std::isfinite(general);
        ASSERT_EQ(quick_ok, general_ok) << t;
        if (general_ok) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(quick), std::bit_cast<std::uint64_t>(general)) << t;
        }
    }
}

// A strip of quads long enough (13 MB) to be read in many chunks, points, texture coordinates
// and faces interleaved: every fourth face counts back from the last point, every face has
// texture coordinates read chunks before it, and a fault late in the file names its own line and
// the points read by then.
std::string quad_strip(int quads, std::string const& tail)
{
    std::ostringstream out;
    for (int i = 0; i <= quads; ++i) {
        out << "v " << i << " 0 0\nv " << i << " 1 0\nvt " << i << " 0\n";
        if (i == 0)
            continue;
        int const a = 2 * i - 1, b = 2 * i + 1; // 1-based: points of the last two columns
        if (i % 4 == 0)
            out << "f -4/1 -2/2 -1/-1 -3/" << i + 1 << "\n";
        else
            out << "f " << a << "/1 " << b << "/2 " << b + 1 << "/" << i + 1 << " " << a + 1 << "/" << i << "\n";
    }
    out << tail;
    return out.str();
}

TEST(ObjRead, LongTextsReadInPiecesKeepOrderIndicesAndLineNumbers)
{
    int const quads = 160000;
    teskar::Mesh mesh;
    std::string error;
    ASSERT_TRUE(vorn::read_obj(quad_strip(quads, ""), "strip.obj", mesh, {}, error)) << error;
    ASSERT_EQ(mesh.polygons().count(), Index(quads));
    ASSERT_EQ(mesh.points().count(), Index(2 * quads + 2));
    std::size_t const uv = mesh.num_vertex_maps() - 1;
    for (Index f = 0; f < Index(quads); ++f) {
        Index const a = 2 * f;
        auto const v = mesh.polygon_vertices(f);
        ASSERT_EQ(std::vector<Index>(v.begin(), v.end()), (std::vector<Index>{a, a + 2, a + 3, a + 1})) << f;
        ASSERT_EQ(mesh.corner_values(uv, f)[6], (f + 1) % 4 == 0 ? float(f + 1) : float(f)) << f;
    }

    teskar::Mesh partial;
    EXPECT_FALSE(vorn::read_obj(quad_strip(quads, "f 1 2 999999\n"), "strip.obj", partial, {}, error));
    std::size_t const line = 3 * (quads + 1) + quads + 1;
    EXPECT_EQ(error, "strip.obj:" + std::to_string(line) + ": point index 999999 out of range (" +
                         std::to_string(2 * quads + 2) + " points)");
}

namespace {

// A grid of side × side quads as OBJ: three texture coordinates, the points row by row with 17
// significant digits, then the faces, mostly plain ("f a b c d"), with a material switch every
// 1000 faces, every 7th face with texture coordinates and every 13th counting back from the last
// point.
struct GridObj {
    int side;
    std::string text;

    explicit GridObj(int side_) : side(side_)
    {
        std::ostringstream out;
        out.precision(17); // coordinates read by the long decimal path
        out << "vt 0 0\nvt 1 0\nvt 1 1\n";
        for (int y = 0; y <= side; ++y)
            for (int x = 0; x <= side; ++x)
                out << "v " << x * 0.1 << " " << y * 0.30000000000000004 << " 0\n";
        int const points = (side + 1) * (side + 1);
        for (int f = 0; f < side * side; ++f) {
            if (f % 1000 == 0)
                out << "usemtl m" << f / 1000 % 3 << "\n";
            out << "f";
            for (Index p : corners(f)) {
                if (f % 13 == 0)
                    out << " " << int(p) - points;
                else if (f % 7 == 0)
                    out << " " << p + 1 << "/" << 1 + p % 3;
                else
                    out << " " << p + 1;
            }
            out << "\n";
        }
        text = out.str();
    }

    std::vector<Index> corners(int f) const
    {
        Index const a = Index(f / side * (side + 1) + f % side);
        return {a, a + 1, a + Index(side) + 2, a + Index(side) + 1};
    }
};

} // namespace

// Plain faces go into the mesh in bulk; the faces around them, the materials between them and a
// fault late in the file must still land exactly where a line-by-line reading puts them.
TEST_F(ScriptTest, LongObjKeepsFacesMaterialsAndLinesInOrder)
{
    GridObj const grid(600); // 17 MB: many chunks, and mapped pages given back as it is read
    std::string const path = temp("grid.obj");
    write_file(path, grid.text);
    Outcome const o = run("load " + path + " grid\n");
    ASSERT_EQ(o.code, 0) << o.err;
    teskar::Mesh const& mesh = *ScriptTest::mesh("grid");
    ASSERT_EQ(mesh.polygons().count(), Index(grid.side * grid.side));
    EXPECT_TRUE(valid(mesh));
    std::string const materials[] = {"m0", "m1", "m2"};
    for (int f = 0; f < grid.side * grid.side; ++f) {
        auto const v = mesh.polygon_vertices(Index(f));
        ASSERT_EQ(std::vector<Index>(v.begin(), v.end()), grid.corners(f)) << f;
        ASSERT_EQ(material_name(mesh, Index(f)), materials[f / 1000 % 3]) << f;
        ASSERT_EQ(mesh.corner_values(0, Index(f)).size(), f % 7 == 0 && f % 13 != 0 ? 8u : 0u) << f;
    }
    EXPECT_EQ(mesh.point_position(Index(grid.side + 2)), (Vector3d{0.1, 0.30000000000000004, 0}));

    // Read in memory, the same text gives the same mesh.
    teskar::Mesh in_memory;
    std::string error;
    ASSERT_TRUE(vorn::read_obj(grid.text, "grid.obj", in_memory, {}, error)) << error;
    for (Index p = 0; p < mesh.points().slots(); ++p)
        ASSERT_EQ(in_memory.point_position(p), mesh.point_position(p)) << p;

    // A plain face naming a point the file only gives later, three quarters into the file.
    std::size_t const cut = grid.text.find('\n', grid.text.size() * 3 / 4) + 1;
    std::string const points = std::to_string((grid.side + 1) * (grid.side + 1));
    std::string const late = std::to_string((grid.side + 1) * (grid.side + 1) + 1);
    std::ostringstream spliced;
    spliced << grid.text.substr(0, cut) << "f 1 2 " << late << "\nv 0 0 1\n" << grid.text.substr(cut);
    std::string const text = spliced.str();
    teskar::Mesh partial;
    EXPECT_FALSE(vorn::read_obj(text, "grid.obj", partial, {}, error));
    std::size_t const line = std::size_t(std::count(text.begin(), text.begin() + std::ptrdiff_t(cut), '\n')) + 1;
    EXPECT_EQ(error, "grid.obj:" + std::to_string(line) + ": point index " + late + " out of range (" + points + " points)");
}
