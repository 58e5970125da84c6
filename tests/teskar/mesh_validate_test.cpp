#include "mesh_fixture.h"

#include <functional>

using namespace VORNSDK;

namespace teskar {

// Reaches into a mesh to break what its edits never break.
class MeshTestAccess {
public:
    explicit MeshTestAccess(Mesh& m) : m_(m) {}
    void set_vertices(Index f, std::vector<Index> const& list) { m_.corners_.assign(f, list); }
    void list_at_point(Index p, std::vector<Index> const& polygons) { m_.point_polys_.assign(p, polygons); }
    void vacate_point(Index p) { m_.points_.set_occupied(p, false); }
    void flag_point(Index p) { m_.point_selected_[p] = 1; }
    void select_edge(VertexPair e) { m_.sel_edges_.insert(e); }
    void mark_side(Index f, std::uint8_t marks) { m_.side_marks_[f] = marks; }
    void set_material(Index f, std::uint32_t id) { m_.materials_[f] = id; }
    void set_corner_values(Index f, std::vector<float> values) { m_.maps_.at(0).values[f] = std::move(values); }
    void add_position() { m_.positions_.push_back({}); }

private:
    Mesh& m_;
};

} // namespace teskar

namespace {

// Quads 0 (0,3,4,1) and 1 (1,4,5,2) of a 2 by 1 grid.
void two_quads(teskar::Mesh& m)
{
    for (int j = 0; j <= 1; ++j)
        for (int i = 0; i <= 2; ++i)
            m.add_point({double(i), 0.0, double(j)});
    m.add_polygon({0, 3, 4, 1});
    m.add_polygon({1, 4, 5, 2});
}

std::string joined(std::vector<std::string> const& lines)
{
    std::string out;
    for (auto const& l : lines)
        out += l + "\n";
    return out;
}

struct Breakage {
    char const* name;
    std::function<void(teskar::MeshTestAccess&)> act;
    char const* expected;
};

} // namespace

TEST(MeshValidate, NamesEachBrokenPromiseOfTheStore)
{
    Breakage const cases[] = {
        {"short polygon", [](auto& a) { a.set_vertices(0, {0, 3}); }, "polygon 0 has 2 vertices"},
        {"repeated point", [](auto& a) { a.set_vertices(0, {0, 3, 4, 3}); }, "polygon 0 has point 3 twice"},
        {"point out of range", [](auto& a) { a.set_vertices(0, {0, 3, 4, 1, 99}); }, "names point 99 beyond the 6"},
        {"vacant point in use", [](auto& a) { a.vacate_point(3); }, "polygon 0 uses vacant point 3"},
        {"polygon missing at its point", [](auto& a) { a.list_at_point(4, {1}); }, "point 4 lists its polygon 0 0 times"},
        {"polygon listed twice", [](auto& a) { a.list_at_point(4, {0, 1, 1}); }, "point 4 lists its polygon 1 2 times"},
        {"stray polygon at a point", [](auto& a) { a.list_at_point(0, {0, 1}); }, "point 0 lists polygon 1, which does not use it"},
        {"missing polygon at a point", [](auto& a) { a.list_at_point(0, {0, 7}); }, "point 0 lists polygon 7, which does not exist"},
        {"flag without selection", [](auto& a) { a.flag_point(2); }, "1 points are flagged as selected, but the selection holds 0"},
        {"selected edge missing", [](auto& a) { a.select_edge({0, 4}); }, "selected edge (0,4) does not exist"},
        {"hard mark beyond the sides", [](auto& a) { a.mark_side(1, 0x10); }, "polygon 1 marks sides hard beyond its 4 sides"},
        {"material out of range", [](auto& a) { a.set_material(1, 5); }, "polygon 1 has material 5 of 1"},
        {"values of the wrong size", [](auto& a) { a.set_corner_values(0, {0, 0, 1}); }, "holds 3 values for polygon 0, which needs 8"},
        {"values of a missing polygon", [](auto& a) { a.set_corner_values(9, {0, 0}); }, "values of polygon 9, which does not exist"},
        {"slot array out of step", [](auto& a) { a.add_position(); }, "positions has 7 entries for 6 slots"},
    };
    for (Breakage const& c : cases) {
        teskar::Mesh mesh;
        two_quads(mesh);
        mesh.add_vertex_map("UV", 2);
        ASSERT_TRUE(mesh.validate().empty());
        teskar::MeshTestAccess access(mesh);
        c.act(access);
        std::string const report = joined(mesh.validate());
        EXPECT_NE(report.find(c.expected), std::string::npos) << c.name << ":\n" << report;
    }
}

TEST(MeshValidate, ReportsOfBadlyBrokenMeshesStayShort)
{
    teskar::Mesh mesh;
    for (int k = 0; k < 300; ++k)
        mesh.add_point({double(k), 0, 0});
    teskar::MeshTestAccess access(mesh);
    for (Index p = 0; p < 300; ++p)
        access.flag_point(p);
    for (Index p = 0; p < 200; ++p)
        access.select_edge({p, p + 1});
    // One line for the flags, one per missing edge: a hundred lines, then a count of the rest.
    auto const lines = mesh.validate();
    ASSERT_EQ(lines.size(), 101u);
    EXPECT_EQ(lines.back(), "... and 101 more problems");
}

TEST(MeshValidate, ManifoldProblemsAreCrowdedEdgesAndSameDirectionNeighbours)
{
    teskar::Mesh mesh;
    two_quads(mesh);
    EXPECT_TRUE(mesh.manifold_problems().empty());

    // A third polygon on the edge (1,4), standing up from it.
    Index const top = mesh.add_point({1, 1, 0.5});
    mesh.add_polygon({1, 4, top});
    auto problems = mesh.manifold_problems();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].kind, teskar::Mesh::ManifoldProblem::Crowded);
    EXPECT_EQ(problems[0].text(), "edge (1,4) is used by 3 polygons: 0 1 2");
    // The new triangle runs from 1 to 4 like quad 1 does.
    EXPECT_EQ(problems[1].text(), "polygons 1 and 2 both run from point 1 to point 4");

    // Flipping quad 1 alone makes its shared edge with quad 0 run the same way in both.
    teskar::Mesh flipped;
    two_quads(flipped);
    flipped.flip_polygon(1);
    problems = flipped.manifold_problems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].kind, teskar::Mesh::ManifoldProblem::SameDirection);
    EXPECT_EQ(problems[0].polygons, (std::vector<Index>{0, 1}));
    EXPECT_TRUE(flipped.validate().empty());
}
