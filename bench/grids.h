#pragma once

#include "teskar/mesh.h"

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
