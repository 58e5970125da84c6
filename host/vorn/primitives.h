#pragma once

#include "teskar/mesh.h"

namespace vorn {

// Simple meshes built point by point into an empty mesh. Each one adds its points and polygons
// in a fixed numbering, so scripts and tests can name elements by index.

// nx by ny quads on the plane y = 0, size wide along x and z and centred on the origin. Point
// i + j*(nx+1) lies at x = -size/2 + i*size/nx, z = -size/2 + j*size/ny; polygon i + j*nx runs
// p(i,j), p(i,j+1), p(i+1,j+1), p(i+1,j), which faces +y.
void make_grid(teskar::Mesh& mesh, int nx, int ny, double size);

// A cube of edge size centred on the origin. Point k has x, y and z at +size/2 where bit 0, 1
// and 2 of k are set, else at -size/2. The six quads face outward: -x, +x, -y, +y, -z, +z.
void make_box(teskar::Mesh& mesh, double size);

// An open cylinder around the y axis from y = 0 to height. Point s + r*segments sits on ring r
// (height*r/rings) at angle 2*pi*s/segments, measured from +x towards +z. Polygon s + r*segments
// runs p(s,r), p(s,r+1), p(s+1,r+1), p(s+1,r) (s + 1 taken modulo segments) and faces outward.
void make_tube(teskar::Mesh& mesh, int segments, int rings, double radius, double height);

} // namespace vorn
