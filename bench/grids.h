#pragma once

#include "teskar/mesh.h"

#include <cmath>
#include <numbers>

// Fills a mesh with an nx by ny grid of unit quads on y = 0, points row by row.
inline void fill_grid(teskar::Mesh& mesh, int nx, int ny)
{
    mesh.prepare_polygons(2, VORNSDK::Index(nx) * VORNSDK::Index(ny));
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i)
            mesh.add_point({double(i), 0.0, double(j)});
    auto p = [&](int i, int j) { return VORNSDK::Index(i + j * (nx + 1)); };
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            mesh.add_polygon({p(i, j), p(i, j + 1), p(i + 1, j + 1), p(i + 1, j)});
}

// An open tube of one ring of segments quads around the y axis, from y = 0 to 1.
inline void fill_tube(teskar::Mesh& mesh, int segments)
{
    for (int r = 0; r <= 1; ++r)
        for (int s = 0; s < segments; ++s) {
            double const a = 2 * std::numbers::pi * s / segments;
            mesh.add_point({std::cos(a), double(r), std::sin(a)});
        }
    VORNSDK::Index const n = VORNSDK::Index(segments);
    for (VORNSDK::Index s = 0; s < n; ++s)
        mesh.add_polygon({s, (s + 1) % n, (s + 1) % n + n, s + n});
}
