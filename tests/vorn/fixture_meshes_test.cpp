// The mesh fixtures of tests/data/meshes are what their names say: each one loads and has the
// awkward feature it is there for.

#include "script_fixture.h"

#include <map>

namespace {

using VORNSDK::Index;
using VORNSDK::VertexPair;
using Counts = std::map<int, int>;

// The polygons of every edge, by edge key.
std::map<std::uint64_t, int> edge_uses(teskar::Mesh const& mesh)
{
    std::map<std::uint64_t, int> uses;
    for (Index f : mesh.polygons()) {
        auto const vs = mesh.polygon_vertices(f);
        for (std::size_t k = 0; k < vs.count; ++k)
            ++uses[vs.edge(k).key()];
    }
    return uses;
}

// How many edges have each number of polygons.
Counts edge_histogram(teskar::Mesh const& mesh)
{
    Counts out;
    for (auto const& [edge, uses] : edge_uses(mesh))
        ++out[uses];
    return out;
}

Counts polygon_sizes(teskar::Mesh const& mesh)
{
    Counts out;
    for (Index f : mesh.polygons())
        ++out[mesh.polygon_vertices(f).count];
    return out;
}

// How many points have each number of edges.
Counts valences(teskar::Mesh const& mesh)
{
    Counts out;
    for (Index p : mesh.points()) {
        VORNSDK::EdgeMarker edges;
        mesh.edges_of_point(p, edges);
        ++out[static_cast<int>(edges.size())];
    }
    return out;
}

class FixtureMeshes : public ScriptTest {
protected:
    teskar::Mesh const& load(std::string const& name)
    {
        Outcome const o = run("load " TOLVIR_TEST_DATA "/meshes/" + name + ".obj m\n");
        EXPECT_EQ(o.code, 0) << o.err;
        teskar::Mesh const* m = mesh("m");
        EXPECT_TRUE(m && valid(*m));
        return *m;
    }
};

} // namespace

TEST_F(FixtureMeshes, SmallAwkwardCases)
{
    EXPECT_EQ(polygon_sizes(load("triangle")), (Counts{{3, 1}}));

    // The bow-tie's triangles meet at one point and share no edge.
    teskar::Mesh const& bow = load("bow_tie");
    EXPECT_EQ(bow.point_polygons(0).size(), 2u);
    EXPECT_EQ(edge_histogram(bow), (Counts{{1, 6}}));

    // Each flap's edge has two polygons, run in opposite directions; everything else is border.
    teskar::Mesh const& fin = load("fin");
    EXPECT_TRUE(fin.manifold_problems().empty());
    auto const uses = edge_uses(fin);
    EXPECT_EQ(uses.at(VertexPair(0, 1).key()), 2);
    EXPECT_EQ(uses.at(VertexPair(5, 8).key()), 2);
    EXPECT_EQ(edge_histogram(fin), (Counts{{1, 11}, {2, 6}}));

    EXPECT_EQ(polygon_sizes(load("ngons")), (Counts{{4, 1}, {5, 1}, {6, 1}, {8, 1}}));

    teskar::Mesh const& book = load("non_manifold_edge");
    auto const problems = book.manifold_problems();
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems[0].text(), "edge (0,1) is used by 3 polygons: 0 1 2");

    // Across the seam the two quads' values differ at the shared points; across the next edge
    // they agree.
    teskar::Mesh const& seam = load("uv_seam");
    ASSERT_EQ(seam.num_vertex_maps(), 1u);
    auto const uv = [&](Index f, std::size_t corner) {
        auto const& values = seam.corner_values(0, f);
        return std::pair{values[2 * corner], values[2 * corner + 1]};
    };
    EXPECT_NE(uv(0, 3), uv(1, 0)); // point 1
    EXPECT_NE(uv(0, 2), uv(1, 1)); // point 5
    EXPECT_EQ(uv(1, 3), uv(2, 0)); // point 2
    EXPECT_EQ(uv(1, 2), uv(2, 1)); // point 6
}

TEST_F(FixtureMeshes, ModelsFromBlender)
{
    // Triangle fans at the poles: two points with twelve edges; closed, with two materials.
    teskar::Mesh const& sphere = load("uv_sphere");
    EXPECT_EQ(polygon_sizes(sphere), (Counts{{3, 24}, {4, 72}}));
    EXPECT_EQ(valences(sphere)[12], 2);
    EXPECT_EQ(edge_histogram(sphere), (Counts{{2, 180}}));
    EXPECT_EQ(sphere.polygon_material(0)["Name"].as_string(), VORNSDK::String("Paint"));

    teskar::Mesh const& torus = load("torus");
    EXPECT_EQ(valences(torus), (Counts{{4, 128}}));
    EXPECT_EQ(edge_histogram(torus), (Counts{{2, 256}}));

    teskar::Mesh const& cylinder = load("capped_cylinder");
    EXPECT_EQ(polygon_sizes(cylinder), (Counts{{4, 12}, {12, 2}}));
    EXPECT_EQ(edge_histogram(cylinder), (Counts{{2, 36}}));

    // Poles of three and five edges, and open borders.
    teskar::Mesh const& monkey = load("monkey_front");
    EXPECT_TRUE(monkey.manifold_problems().empty());
    auto v = valences(monkey);
    EXPECT_GT(v[3] * v[5], 0);
    EXPECT_GT(edge_histogram(monkey)[1], 0);
}
