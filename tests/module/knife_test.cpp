#include "module_fixture.h"

#include "cut_select_tools/knife_cut.h"

#include "vornsdk/host.h"
#include "vornsdk/scene.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <tuple>

using namespace VORNSDK;
using namespace tolvir;

namespace {

class KnifeCut : public ModuleFixture {
protected:
    // Seen from +z, drawn towards +x along y = at: side A is y < at. One undo step.
    KnifeCutResult cut_at_y(double at, KnifeRemove remove)
    {
        HistoryTransaction step("Knife");
        HistoryContext const recording(step, false);
        return knife_cut(*mesh, {{-5, at, 0}, {5, at, 0}, {-5, at, 10}}, remove);
    }

    // The mesh keeps the store's promises and is a manifold; no polygon has two corners in one
    // place; with closed, every side has a polygon on either side; and no point is left without a
    // polygon.
    ::testing::AssertionResult sound(bool closed) const
    {
        if (auto const result = valid(*mesh); !result)
            return result;
        if (auto const problems = mesh->manifold_problems(); !problems.empty())
            return ::testing::AssertionFailure() << problems.front().text();
        for (Index f : mesh->polygons()) {
            PolygonVertices const v = mesh->polygon_vertices(f);
            for (std::uint16_t k = 0; k < v.count; ++k)
                for (std::uint16_t l = 0; l < k; ++l)
                    if (mesh->point_position(v[k]) == mesh->point_position(v[l]))
                        return ::testing::AssertionFailure() << "polygon " << f << " has two corners in one place";
            for (std::uint16_t k = 0; closed && k < v.count; ++k) {
                PolyMarker beside;
                if (mesh->polygons_of_edge(v.edge(k), beside) != 2)
                    return ::testing::AssertionFailure() << "side " << v[k] << "-" << v[(k + 1) % v.count] << " is open";
            }
        }
        for (Index p : mesh->points())
            if (mesh->point_polygons(p).empty())
                return ::testing::AssertionFailure() << "point " << p << " is in no polygon";
        return ::testing::AssertionSuccess();
    }

    // The volume enclosed by the polygons (positive when they face outwards).
    double volume() const
    {
        double v = 0;
        for (Index f : mesh->polygons()) {
            PolygonVertices const p = mesh->polygon_vertices(f);
            Vector3d const a = mesh->point_position(p[0]);
            for (std::uint16_t k = 1; k + 1 < p.count; ++k)
                v += dot(a, cross(mesh->point_position(p[k]), mesh->point_position(p[k + 1]))) / 6;
        }
        return v;
    }

    // A closed block of unit cells on y = 0 to 1, facing outwards: cell (i, j) spans x from i and
    // z from j, present where rows[j][i] is '#'. Missing cells inside make holes through it.
    void make_block(std::vector<std::string> const& rows)
    {
        std::map<std::tuple<int, int, int>, Index> made;
        auto const at = [&](int x, int y, int z) {
            auto const [it, fresh] = made.try_emplace({x, y, z}, kNoIndex);
            if (fresh)
                it->second = mesh->add_point({double(x), double(y), double(z)});
            return it->second;
        };
        auto const cell = [&](int i, int j) {
            return j >= 0 && i >= 0 && j < int(rows.size()) && i < int(rows[j].size()) && rows[j][i] == '#';
        };
        for (int j = 0; j < int(rows.size()); ++j)
            for (int i = 0; i < int(rows[j].size()); ++i) {
                if (!cell(i, j))
                    continue;
                // The corners as the top runs, and the cell beyond each side.
                int const x[4] = {i, i, i + 1, i + 1}, z[4] = {j, j + 1, j + 1, j};
                int const di[4] = {-1, 0, 1, 0}, dj[4] = {0, 1, 0, -1};
                mesh->add_polygon({at(x[0], 1, z[0]), at(x[1], 1, z[1]), at(x[2], 1, z[2]), at(x[3], 1, z[3])});
                mesh->add_polygon({at(x[3], 0, z[3]), at(x[2], 0, z[2]), at(x[1], 0, z[1]), at(x[0], 0, z[0])});
                for (int k = 0; k < 4; ++k) {
                    int const l = (k + 1) % 4;
                    if (!cell(i + di[k], j + dj[k]))
                        mesh->add_polygon({at(x[l], 1, z[l]), at(x[k], 1, z[k]), at(x[k], 0, z[k]), at(x[l], 0, z[l])});
                }
            }
    }

    // How many polygons a line along y through (x, z) passes through.
    std::size_t polygons_over(double x, double z) const
    {
        std::size_t n = 0;
        for (Index f : mesh->polygons()) {
            PolygonVertices const v = mesh->polygon_vertices(f);
            bool inside = false;
            for (std::uint16_t k = 0; k < v.count; ++k) {
                Vector3d const a = mesh->point_position(v[k]), b = mesh->point_position(v[(k + 1) % v.count]);
                if ((a.z > z) != (b.z > z) && x < a.x + (b.x - a.x) * (z - a.z) / (b.z - a.z))
                    inside = !inside;
            }
            n += inside;
        }
        return n;
    }

    std::size_t points_with(double Vector3d::*axis, double value) const
    {
        std::size_t n = 0;
        for (Index p : mesh->points())
            n += mesh->point_position(p).*axis == value;
        return n;
    }
};

TEST_F(KnifeCut, ABoxIsCutRoundWithSharedPointsOrLosesTheRightSideUnderACap)
{
    add_box(*mesh, {-1, -1, -1}, 2);
    std::string const before = state();
    KnifeCutResult const cut = cut_at_y(0.5, KnifeRemove::None);
    EXPECT_EQ(cut.crossed, 4u);
    EXPECT_EQ(cut.divided, 4u);
    EXPECT_EQ(mesh->points().count(), 12u);
    EXPECT_EQ(mesh->polygons().count(), 10u);
    EXPECT_TRUE(sound(true));
    EXPECT_NEAR(volume(), 8, 1e-12);

    for (auto const& [remove, kept_low] : {std::pair{KnifeRemove::SideA, false}, {KnifeRemove::SideB, true}}) {
        teskar::UndoHistory::instance().undo();
        ASSERT_EQ(state(), before);
        KnifeCutResult const parted = cut_at_y(0.5, remove);
        EXPECT_EQ(parted.removed, 5u);
        EXPECT_EQ(parted.caps, 1u);
        EXPECT_EQ(mesh->points().count(), 8u);
        EXPECT_EQ(mesh->polygons().count(), 6u);
        EXPECT_TRUE(sound(true));
        EXPECT_NEAR(volume(), kept_low ? 6 : 2, 1e-12);
        for (Index p : mesh->points())
            EXPECT_TRUE(kept_low ? mesh->point_position(p).y <= 0.5 : mesh->point_position(p).y >= 0.5);
    }
}

TEST_F(KnifeCut, SeparateMakesTwoClosedPiecesWithDoubledSeamPoints)
{
    add_box(*mesh, {-1, -1, -1}, 2);
    KnifeCutResult const cut = cut_at_y(-0.25, KnifeRemove::Separate);
    EXPECT_EQ(cut.caps, 2u);
    EXPECT_EQ(mesh->points().count(), 16u);
    EXPECT_EQ(mesh->polygons().count(), 12u);
    EXPECT_EQ(points_with(&Vector3d::y, -0.25), 8u);
    // Each piece is closed and faces outwards; they share no point.
    EXPECT_TRUE(sound(true));
    EXPECT_NEAR(volume(), 8, 1e-12);
    for (Index p : mesh->points()) {
        bool low = false, high = false;
        PolyMarker around;
        mesh->polygons_of_point(p, around);
        for (Index f : around)
            for (Index q : mesh->polygon_vertices(f)) {
                low |= mesh->point_position(q).y < -0.25;
                high |= mesh->point_position(q).y > -0.25;
            }
        EXPECT_NE(low, high) << p;
    }
}

TEST_F(KnifeCut, PointsOnThePlaneCountAsAboveSoThatNoSliverIsMade)
{
    // On a 2 x 2 grid the plane x = 1 runs down the middle column of points: nothing is divided,
    // and Side A (x < 1) goes without a new point. A diagonal through corners of a 2 x 1 grid splits
    // one quad into triangles. Side B takes the loose point away too. Down the open tube's column
    // of points at x = 1, with the line starting right over them, rounding decides which of them
    // count as crossed: the tube stays whole.
    struct Case {
        Index grid_x, grid_y; // an open tube of 7 x 2 quads where 0
        KnifeLine line;
        KnifeRemove remove;
        std::size_t divided, removed, points, polygons;
    };
    KnifeLine const down_the_middle{{1, 0, -1}, {1, 0, 5}, {1, 10, -1}};
    std::vector<Case> const cases{{2, 2, down_the_middle, KnifeRemove::None, 0, 0, 9, 4},
                                  {2, 2, down_the_middle, KnifeRemove::SideA, 0, 2, 6, 2},
                                  {2, 1, {{-1, 0, -1}, {3, 0, 3}, {-1, 10, -1}}, KnifeRemove::None, 1, 0, 6, 3},
                                  {2, 1, {{0.5, 0, -1}, {0.5, 0, 2}, {0.5, 10, -1}}, KnifeRemove::SideB, 1, 2, 4, 1},
                                  {0, 0, {{1, 0, 0}, {0.5, 0, -0.5}, {1, 5, 0}}, KnifeRemove::SideA, 0, 0, 21, 14}};
    for (std::size_t k = 0; k < cases.size(); ++k) {
        SCOPED_TRACE(k);
        Case const& c = cases[k];
        new_mesh_item();
        if (c.grid_x == 0)
            make_tube(7, 2, false);
        else
            make_grid(int(c.grid_x), int(c.grid_y));
        if (c.remove == KnifeRemove::SideB)
            mesh->add_point({9, 9, 9});
        KnifeCutResult const cut = knife_cut(*mesh, c.line, c.remove);
        EXPECT_EQ(cut.divided, c.divided);
        EXPECT_EQ(cut.removed, c.removed);
        EXPECT_EQ(cut.changed, c.divided + c.removed > 0);
        EXPECT_EQ(mesh->points().count(), c.points);
        EXPECT_EQ(mesh->polygons().count(), c.polygons);
        EXPECT_TRUE(sound(false));
    }
}

TEST_F(KnifeCut, ALineEndingInsideAPolygonLeavesNoCrack)
{
    // From beyond the left border to the middle of the centre quad of a 3 x 3 grid, at z = 1.5.
    make_grid(3, 3);
    KnifeCutResult const cut = knife_cut(*mesh, {{-1, 0, 1.5}, {1.5, 0, 1.5}, {-1, 10, 1.5}}, KnifeRemove::None);
    EXPECT_EQ(cut.divided, 1u);
    EXPECT_EQ(cut.end_hits, 1u);
    // The end polygon got the cut point on its left side and is a pentagon now.
    EXPECT_EQ(mesh->polygon_vertices(4).count, 5);
    EXPECT_EQ(mesh->points().count(), 18u);
    EXPECT_TRUE(sound(false));
    // Side A cannot part a surface the line does not cut through: it is cut as with None.
    KnifeCutResult const again = knife_cut(*mesh, {{-1, 0, 2.5}, {1.5, 0, 2.5}, {-1, 10, 2.5}}, KnifeRemove::SideA);
    EXPECT_EQ(again.removed, 0u);
    EXPECT_EQ(again.caps, 0u);
    EXPECT_EQ(mesh->points().count(), 20u);
    EXPECT_TRUE(sound(false));
}

TEST_F(KnifeCut, OnlySelectedPolygonsAreCutAndTheirNeighboursStayClosed)
{
    make_grid(4, 1);
    mesh->set_polygon_selection(1, true);
    mesh->set_polygon_selection(2, true);
    KnifeCutResult const cut = knife_cut(*mesh, {{-1, 0, 0.5}, {5, 0, 0.5}, {-1, 10, 0.5}}, KnifeRemove::None);
    EXPECT_EQ(cut.crossed, 2u);
    EXPECT_EQ(mesh->polygons().count(), 6u);
    // The quads beside the selection gain the cut point on the side they share with it.
    EXPECT_EQ(mesh->polygon_vertices(0).count, 5);
    EXPECT_EQ(mesh->polygon_vertices(3).count, 5);
    EXPECT_EQ(mesh->selected_polygons().size(), 4u);
    EXPECT_TRUE(sound(false));
}

TEST_F(KnifeCut, PiecesKeepMaterialSelectionMarksAndMixedCornerValues)
{
    make_grid(1, 1);
    std::size_t const uv = mesh->add_vertex_map("UV", 2);
    std::vector<float> values;
    for (Index v : mesh->polygon_vertices(0)) {
        Vector3d const p = mesh->point_position(v);
        values.insert(values.end(), {float(p.x), float(p.z)});
    }
    mesh->set_corner_values(uv, 0, values);
    Component const material = Component::create("Material");
    mesh->set_polygon_material(0, material);
    mesh->set_polygon_selection(0, true);
    mesh->set_edge_hard({0, 2}, true);
    mesh->set_edge_selection({1, 3}, true);
    knife_cut(*mesh, {{-1, 0, 0.25}, {2, 0, 0.25}, {-1, 10, 0.25}}, KnifeRemove::None);
    ASSERT_EQ(mesh->polygons().count(), 2u);
    for (Index f : mesh->polygons()) {
        EXPECT_EQ(mesh->polygon_material(f), material);
        EXPECT_TRUE(mesh->polygon_selected(f));
        PolygonVertices const v = mesh->polygon_vertices(f);
        std::vector<float> const& uvs = mesh->corner_values(uv, f);
        ASSERT_EQ(uvs.size(), 2u * v.count);
        for (std::uint16_t k = 0; k < v.count; ++k) {
            Vector3d const p = mesh->point_position(v[k]);
            EXPECT_FLOAT_EQ(uvs[2 * k], float(p.x));
            EXPECT_FLOAT_EQ(uvs[2 * k + 1], float(p.z));
        }
    }
    EXPECT_TRUE(mesh->edge_hard({0, 4}));
    EXPECT_TRUE(mesh->edge_hard({4, 2}));
    EXPECT_TRUE(mesh->selected_edges().contains({1, 5}));
    EXPECT_TRUE(mesh->selected_edges().contains({5, 3}));
}

TEST_F(KnifeCut, AConcavePolygonIsOnlyJoinedAcrossWhereTheLineReaches)
{
    // A U on y = 0 (arms up +z) with a quad beside its right arm; lines along z = 2 from x = from
    // to x = to. Each case lists where the cut points lie (x on z = 2) and how many corners the
    // quad ends with: a crossing beyond the line's end makes no point, one where the line ends
    // inside an arm keeps its point as for any polygon the line ends in. Across both arms the U
    // falls into three pieces. The pieces always cover the U and the quad once: their areas,
    // each positive, add up to 7 + 3.
    for (auto const& p : std::vector<Vector3d>{{0, 0, 0}, {0, 0, 3}, {1, 0, 3}, {1, 0, 1}, {2, 0, 1}, {2, 0, 3},
                                               {3, 0, 3}, {3, 0, 0}, {4, 0, 3}, {4, 0, 0}})
        mesh->add_point(p);
    mesh->add_polygon({0, 1, 2, 3, 4, 5, 6, 7});
    mesh->add_polygon({7, 6, 8, 9});
    std::string const before = state();
    struct Case {
        double from, to;
        std::vector<double> cut_at;
        std::size_t polygons, quad_corners, end_hits;
    };
    for (Case const& c : {Case{-1, 5, {0, 1, 2, 3, 4}, 5, 4, 0}, Case{-1, 1.5, {0, 1}, 3, 4, 0},
                          Case{1.5, 5, {2, 3, 4}, 4, 4, 0}, Case{-1, 2.5, {0, 1, 2}, 3, 4, 1},
                          Case{0.5, 2.5, {1, 2}, 2, 4, 1}}) {
        SCOPED_TRACE(c.from);
        SCOPED_TRACE(c.to);
        {
            HistoryTransaction step("Knife");
            HistoryContext const recording(step, false);
            KnifeCutResult const cut = knife_cut(*mesh, {{c.from, 0, 2}, {c.to, 0, 2}, {c.from, 10, 2}}, KnifeRemove::None);
            EXPECT_EQ(cut.end_hits, c.end_hits);
        }
        EXPECT_EQ(mesh->polygons().count(), c.polygons);
        EXPECT_EQ(mesh->polygon_vertices(1).count, c.quad_corners);
        std::vector<double> cut_at;
        for (Index p : mesh->points())
            if (mesh->point_position(p).z == 2)
                cut_at.push_back(mesh->point_position(p).x);
        std::sort(cut_at.begin(), cut_at.end());
        EXPECT_EQ(cut_at, c.cut_at);
        EXPECT_TRUE(sound(false));
        double total = 0;
        for (Index f : mesh->polygons()) {
            PolygonVertices const v = mesh->polygon_vertices(f);
            double area = 0;
            for (std::uint16_t k = 0; k < v.count; ++k) {
                Vector3d const a = mesh->point_position(v[k]), b = mesh->point_position(v[(k + 1) % v.count]);
                area += (a.z * b.x - a.x * b.z) / 2;
            }
            EXPECT_GT(area, 0);
            total += area;
        }
        EXPECT_DOUBLE_EQ(total, 10);
        teskar::UndoHistory::instance().undo();
        EXPECT_EQ(state(), before);
    }
}

TEST_F(KnifeCut, ARingShapedCrossSectionIsClosedByABandThatLeavesTheHoleOpen)
{
    // Cut flat through the middle of its height, a square ring loses one half and the opening is
    // closed by a band from its outside to its inside: closed, facing outwards, nothing across
    // the hole, and no double skin over the ring (the line through a cell meets one polygon per
    // face it passes).
    make_block({"###", "#.#", "###"});
    std::string const before = state();
    KnifeLine const flat{{-10, 0.5, 1.5}, {20, 0.5, 1.5}, {1.5, 0.5, 60}};
    for (KnifeRemove const remove : {KnifeRemove::SideA, KnifeRemove::SideB, KnifeRemove::Separate}) {
        SCOPED_TRACE(static_cast<int>(remove));
        {
            HistoryTransaction step("Knife");
            HistoryContext const recording(step, false);
            EXPECT_GT(knife_cut(*mesh, flat, remove).caps, 0u);
        }
        EXPECT_TRUE(sound(true));
        EXPECT_NEAR(volume(), remove == KnifeRemove::Separate ? 8 : 4, 1e-12);
        EXPECT_EQ(polygons_over(1.5, 1.5), 0u);
        EXPECT_EQ(polygons_over(0.5, 1.5), remove == KnifeRemove::Separate ? 4u : 2u);
        teskar::UndoHistory::instance().undo();
        EXPECT_EQ(state(), before);
    }
}

TEST_F(KnifeCut, AnIslandInAHoleGetsItsOwnCapAndAnOutlineAroundSeveralHolesStaysOpen)
{
    KnifeLine const flat{{-10, 0.5, 2.5}, {20, 0.5, 2.5}, {2.5, 0.5, 60}};
    // A block with a ring-shaped hole around a pillar: the band runs from the outside to the
    // hole, and the pillar gets a cap of its own.
    make_block({"#####", "#...#", "#.#.#", "#...#", "#####"});
    knife_cut(*mesh, flat, KnifeRemove::SideA);
    EXPECT_TRUE(sound(true));
    EXPECT_NEAR(volume(), 8.5, 1e-12);
    EXPECT_EQ(polygons_over(1.5, 1.5), 0u);
    EXPECT_EQ(polygons_over(2.5, 2.5), 2u);
    EXPECT_EQ(polygons_over(0.5, 2.5), 2u);

    // Two holes through one block: no cap can close the section, which is left open.
    new_mesh_item();
    make_block({"#####", "#.#.#", "#####"});
    KnifeCutResult const cut = knife_cut(*mesh, flat, KnifeRemove::SideA);
    EXPECT_GT(cut.removed, 0u);
    EXPECT_EQ(cut.caps, 0u);
    EXPECT_TRUE(sound(false));
    for (double x : {0.5, 1.5, 2.5, 3.5, 4.5})
        EXPECT_EQ(polygons_over(x, 1.5), x == 1.5 || x == 3.5 ? 0u : 1u) << x;
}

TEST_F(KnifeCut, TheCommandCutsInItemCoordinatesAndOnlyInMeshModes)
{
    make_grid(2, 2);
    Matrix4d placement = Matrix4d::translation({10, 0, 0});
    get_interface<SceneItemInterface>(item)->set_placement(placement);
    auto const run = [&](double x) {
        Component const knife = Component::create("Knife");
        knife["Start"].set_value(Vector3d{x, 0, -1}, false);
        knife["End"].set_value(Vector3d{x, 0, 3}, false);
        knife["Origin"].set_value(Vector3d{x, 10, -1}, false);
        return execute(knife);
    };
    set_selection_mode(kSelectItems);
    EXPECT_TRUE(run(10.5));
    EXPECT_EQ(mesh->polygons().count(), 4u);
    set_selection_mode(kSelectPolygons);
    EXPECT_TRUE(run(10.5));
    EXPECT_EQ(mesh->polygons().count(), 6u);
    EXPECT_EQ(points_with(&Vector3d::x, 0.5), 3u);
    EXPECT_EQ(teskar::UndoHistory::instance().undo_names().back(), "Knife");
}

TEST_F(KnifeCut, RandomLinesKeepMeshesSoundClosedAndTheirCapsFacingTheRightWay)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> within(-1.5, 1.5);
    auto const point = [&] { return Vector3d{within(random), within(random), within(random)}; };
    for (int round = 0; round < 600; ++round) {
        SCOPED_TRACE(round);
        new_mesh_item();
        int const shape = round % 3;
        if (shape == 0)
            make_tube(8, 3, true);
        else if (shape == 1)
            make_tube(7, 2, false);
        else
            make_grid(4, 3);
        bool const closed = shape == 0;
        double before = volume();
        for (int cut = 0; cut < 3; ++cut) {
            KnifeLine line{point(), point(), point() * 3};
            // Lines through the meshes' points.
            if (round % 4 == 1)
                for (Vector3d* p : {&line.start, &line.end, &line.origin})
                    *p = {std::round(p->x * 2) / 2, std::round(p->y * 2) / 2, std::round(p->z * 2) / 2};
            auto const remove = static_cast<KnifeRemove>(random() % 4);
            KnifeCutResult const done = knife_cut(*mesh, line, remove);
            // A second cut along the first finds nothing left to do.
            if (round % 5 == 2) {
                std::string const once = state();
                EXPECT_FALSE(knife_cut(*mesh, line, remove).changed);
                EXPECT_EQ(state(), once);
            }
            // A closed mesh stays closed, unless all that is left is a face lying in the plane.
            ASSERT_TRUE(sound(closed && mesh->polygons().count() > 1));
            double const now = volume();
            if (closed && (remove == KnifeRemove::None || remove == KnifeRemove::Separate || done.removed == 0)) {
                EXPECT_NEAR(now, before, 1e-9);
            } else if (closed) {
                EXPECT_TRUE(now / before >= 0 && now / before < 1) << now << " after " << before;
            }
            before = now;
        }
    }
}

} // namespace
