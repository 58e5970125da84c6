#pragma once

#include "teskar/history.h"
#include "teskar/kernel.h"
#include "teskar/mesh_item.h"
#include "teskar/mesh_validity.h"
#include "teskar/scene.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<VORNSDK::Index> corners(teskar::Mesh const& mesh, VORNSDK::Index polygon)
{
    auto const list = mesh.polygon_vertices(polygon);
    return {list.begin(), list.end()};
}

inline void expect_near(VORNSDK::Vector3d const& actual, VORNSDK::Vector3d const& expected, double tolerance = 1e-9)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// A box of edge `size` from the corner `low`, its six quads facing outwards: point k of the box is
// low + size * (k & 1, k >> 1 & 1, k >> 2 & 1). Returns the index of its point 0.
inline VORNSDK::Index add_box(teskar::Mesh& mesh, VORNSDK::Vector3d const& low, double size = 1)
{
    using VORNSDK::Index;
    Index const first = mesh.points().slots();
    for (int k = 0; k < 8; ++k)
        mesh.add_point(low + VORNSDK::Vector3d{double(k & 1), double(k >> 1 & 1), double(k >> 2 & 1)} * size);
    for (auto const& q : {std::array{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}})
        mesh.add_polygon({first + Index(q[0]), first + Index(q[1]), first + Index(q[2]), first + Index(q[3])});
    return first;
}

// A fresh scene holding one mesh item; every test starts from an empty history.
class MeshFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        teskar::UndoHistory::instance().clear();
        teskar::new_scene();
        new_mesh_item();
        item["Name"].set_value("Grid", false);
    }
    // Whatever a test did, the meshes it leaves behind must be sound.
    void TearDown() override
    {
        EXPECT_TRUE(valid(*mesh));
        EXPECT_TRUE(valid_scene());
        teskar::UndoHistory::instance().clear();
    }

    // Makes `mesh` the mesh of a new item in the scene.
    void new_mesh_item()
    {
        item = VORNSDK::Component::create("SceneObject");
        teskar::scene_of(VORNSDK::active_scene())->add_item(item);
        mesh = teskar::mesh_of(item);
    }

    // A grid of nx by ny quads on y = 0, points row by row.
    void make_grid(int nx, int ny)
    {
        for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i)
                mesh->add_point({double(i), 0.0, double(j)});
        auto p = [&](int i, int j) { return VORNSDK::Index(i + j * (nx + 1)); };
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i)
                mesh->add_polygon({p(i, j), p(i, j + 1), p(i + 1, j + 1), p(i + 1, j)});
    }

    // A tube of radius 1 around the y axis from y = -1 to 1, point s of ring r at r * segments + s;
    // closed, each end gets one polygon. Its polygons face inwards.
    void make_tube(VORNSDK::Index segments, VORNSDK::Index rings, bool closed = false)
    {
        for (VORNSDK::Index r = 0; r <= rings; ++r)
            for (VORNSDK::Index s = 0; s < segments; ++s) {
                double const a = 2 * std::numbers::pi * s / segments;
                mesh->add_point({std::cos(a), 2.0 * r / rings - 1, std::sin(a)});
            }
        VORNSDK::Index const n = segments;
        for (VORNSDK::Index r = 0; r < rings; ++r)
            for (VORNSDK::Index s = 0; s < n; ++s)
                mesh->add_polygon({r * n + s, r * n + (s + 1) % n, (r + 1) * n + (s + 1) % n, (r + 1) * n + s});
        if (!closed)
            return;
        VORNSDK::CompactIndexArray bottom, top;
        for (VORNSDK::Index s = 0; s < n; ++s) {
            bottom.push_back(n - 1 - s);
            top.push_back(rings * n + s);
        }
        mesh->add_polygon(bottom);
        mesh->add_polygon(top);
    }

    // Everything undo must reproduce: points, polygons with their order, selections, hard edges.
    // Tests take it before and after edits, undo and redo, so it checks the mesh's soundness too.
    std::string state() const
    {
        EXPECT_TRUE(valid(*mesh));
        std::ostringstream s;
        for (VORNSDK::Index p : mesh->points()) {
            auto const q = mesh->point_position(p);
            s << 'p' << p << '(' << q.x << ',' << q.y << ',' << q.z << ')';
            for (VORNSDK::Index f : mesh->point_polygons(p))
                s << '.' << f;
            s << ' ';
        }
        for (VORNSDK::Index f : mesh->polygons()) {
            s << 'f' << f << '[';
            for (VORNSDK::Index v : mesh->polygon_vertices(f))
                s << v << ' ';
            s << ']';
        }
        s << " sp";
        for (auto p : VORNSDK::each(mesh->selected_points()))
            s << ' ' << p;
        s << " se";
        for (auto e : VORNSDK::each(mesh->selected_edges()))
            s << ' ' << e.v1 << '-' << e.v2;
        s << " sf";
        for (auto f : VORNSDK::each(mesh->selected_polygons()))
            s << ' ' << f;
        s << " h";
        for (VORNSDK::Index f : mesh->polygons())
            for (std::size_t k = 0; k < mesh->polygon_vertices(f).count; ++k)
                if (mesh->side_marked_hard(f, k))
                    s << ' ' << f << ':' << k;
        return s.str();
    }

    VORNSDK::Component item;
    teskar::Mesh* mesh = nullptr;
};
