// Reading the server's binary geometry frames and turning them into index buffers.
//
// Every array is a typed view into the received buffer (the frame aligns its sections to four
// bytes for that reason) or one flat typed array built in a single pass: a mesh of a million
// polygons must never become a million JavaScript objects.

export const FRAME_MAGIC = 0x4f45475f;
export const FRAME_VERSION = 1;

export const EDGE_HARD = 1;
export const EDGE_SELECTED = 2;
export const POINT_SELECTED = 1;
export const POLYGON_SELECTED = 1;
export const POLYGON_HIDDEN = 2;

const padded = (n) => (n + 3) & ~3;

// The frame's header and section views; throws on a buffer that is not a frame or is cut short.
export function decodeFrame(buffer) {
  const view = new DataView(buffer);
  let at = 0;
  const u32 = () => {
    if (at + 4 > buffer.byteLength) throw new Error('geometry frame cut short');
    const v = view.getUint32(at, true);
    at += 4;
    return v;
  };
  if (u32() !== FRAME_MAGIC) throw new Error('not a geometry frame');
  const version = u32();
  if (version !== FRAME_VERSION) throw new Error(`geometry frame version ${version} is not known`);
  const nameBytes = u32();
  if (at + nameBytes > buffer.byteLength) throw new Error('geometry frame cut short');
  const name = new TextDecoder().decode(new Uint8Array(buffer, at, nameBytes));
  at += padded(nameBytes);
  const revision = u32() + u32() * 2 ** 32;
  const points = u32();
  const polygons = u32();
  const corners = u32();
  const edges = u32();
  const flags = u32();

  const section = (Type, count) => {
    const bytes = count * Type.BYTES_PER_ELEMENT;
    if (at + bytes > buffer.byteLength) throw new Error('geometry frame cut short');
    const array = new Type(buffer, at, count);
    at += padded(bytes);
    return array;
  };
  const frame = {
    name,
    revision,
    selected: (flags & 1) !== 0,
    points,
    polygons,
    corners,
    edges,
    positions: section(Float32Array, 3 * points),
    polygonStart: section(Uint32Array, polygons + 1),
    cornerPoints: section(Uint32Array, corners),
    edgePoints: section(Uint32Array, 2 * edges),
    edgeFlags: section(Uint8Array, edges),
    pointFlags: section(Uint8Array, points),
    polygonFlags: section(Uint8Array, polygons),
  };
  if (frame.polygonStart[polygons] !== corners) throw new Error('geometry frame polygons do not end at the corner count');
  return frame;
}

// Fan triangles of the polygons for which keep(flags) holds, as point indices. Fans are right
// for the convex polygons modelling produces; out is reused when it has the exact size needed.
export function triangulate(frame, keep, out) {
  const { polygonStart, cornerPoints, polygonFlags, polygons } = frame;
  let count = 0;
  for (let f = 0; f < polygons; ++f) {
    const n = polygonStart[f + 1] - polygonStart[f];
    if (n >= 3 && keep(polygonFlags[f])) count += 3 * (n - 2);
  }
  const indices = out && out.length === count ? out : new Uint32Array(count);
  let w = 0;
  for (let f = 0; f < polygons; ++f) {
    const begin = polygonStart[f];
    const end = polygonStart[f + 1];
    if (end - begin < 3 || !keep(polygonFlags[f])) continue;
    const first = cornerPoints[begin];
    for (let c = begin + 1; c + 1 < end; ++c) {
      indices[w++] = first;
      indices[w++] = cornerPoints[c];
      indices[w++] = cornerPoints[c + 1];
    }
  }
  return indices;
}

// The edges (point index pairs) whose flags have any bit of mask set.
export function edgesWith(frame, mask) {
  const { edgeFlags, edgePoints, edges } = frame;
  let count = 0;
  for (let e = 0; e < edges; ++e) if (edgeFlags[e] & mask) ++count;
  const out = new Uint32Array(2 * count);
  let w = 0;
  for (let e = 0; e < edges; ++e) {
    if (!(edgeFlags[e] & mask)) continue;
    out[w++] = edgePoints[2 * e];
    out[w++] = edgePoints[2 * e + 1];
  }
  return out;
}

// The points whose flags have any bit of mask set.
export function pointsWith(frame, mask) {
  const { pointFlags, points } = frame;
  let count = 0;
  for (let p = 0; p < points; ++p) if (pointFlags[p] & mask) ++count;
  const out = new Uint32Array(count);
  let w = 0;
  for (let p = 0; p < points; ++p) if (pointFlags[p] & mask) out[w++] = p;
  return out;
}

// Axis-aligned bounds of the positions, or null without points.
export function bounds(positions) {
  if (positions.length === 0) return null;
  const min = [Infinity, Infinity, Infinity];
  const max = [-Infinity, -Infinity, -Infinity];
  for (let i = 0; i < positions.length; i += 3) {
    for (let k = 0; k < 3; ++k) {
      const v = positions[i + k];
      if (v < min[k]) min[k] = v;
      if (v > max[k]) max[k] = v;
    }
  }
  return { min, max };
}
