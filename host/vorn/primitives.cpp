#include "primitives.h"

#include "teskar/mesh_builder.h"

#include <cmath>
#include <numbers>

namespace vorn {

using VORNSDK::Index;

void make_grid(teskar::Mesh& mesh, int nx, int ny, double size)
{
    std::size_t const quads = std::size_t(nx) * std::size_t(ny);
    teskar::MeshBuilder build(mesh, std::size_t(nx + 1) * std::size_t(ny + 1), quads, 4 * quads);
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i)
            build.add_point({-size / 2 + i * size / nx, 0.0, -size / 2 + j * size / ny});
    auto const p = [&](int i, int j) { return Index(i + j * (nx + 1)); };
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            Index const quad[] = {p(i, j), p(i, j + 1), p(i + 1, j + 1), p(i + 1, j)};
            build.add_polygon(quad);
        }
}

void make_box(teskar::Mesh& mesh, double size)
{
    double const h = size / 2;
    for (int k = 0; k < 8; ++k)
        mesh.add_point({k & 1 ? h : -h, k & 2 ? h : -h, k & 4 ? h : -h});
    mesh.add_polygon({0, 4, 6, 2});
    mesh.add_polygon({1, 3, 7, 5});
    mesh.add_polygon({0, 1, 5, 4});
    mesh.add_polygon({2, 6, 7, 3});
    mesh.add_polygon({0, 2, 3, 1});
    mesh.add_polygon({4, 5, 7, 6});
}

void make_tube(teskar::Mesh& mesh, int segments, int rings, double radius, double height)
{
    std::size_t const quads = std::size_t(segments) * std::size_t(rings);
    teskar::MeshBuilder build(mesh, std::size_t(segments) * std::size_t(rings + 1), quads, 4 * quads);
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < segments; ++s) {
            double const angle = 2 * std::numbers::pi * s / segments;
            build.add_point({radius * std::cos(angle), height * r / rings, radius * std::sin(angle)});
        }
    auto const p = [&](int s, int r) { return Index(s % segments + r * segments); };
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            Index const quad[] = {p(s, r), p(s, r + 1), p(s + 1, r + 1), p(s + 1, r)};
            build.add_polygon(quad);
        }
}

} // namespace vorn
