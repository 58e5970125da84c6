// Reading the server's binary geometry frames into each item's arrays, and index buffers from them.
//
// Every array is a typed view into the received buffer (the frame aligns its sections to four
// bytes for that reason) or one flat typed array: a mesh of a million polygons must never become
// a million JavaScript objects. Points and polygons are kept by their slots in the host's mesh,
// so that a delta frame can name the few it changes.

export const FRAME_MAGIC = 0x4f45475f;
export const FRAME_VERSION = 2;
const FRAME_ITEM_SELECTED = 1;
const FRAME_DELTA = 2;

// Bits of the point and polygon flags, and of the flagged edges.
export const VACANT = 1;
export const EDGE_HARD = 1;
export const EDGE_SELECTED = 2;

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
  const flags = u32();
  const delta = (flags & FRAME_DELTA) !== 0;
  const pointSlots = u32();
  const polygonSlots = u32();
  const points = u32();
  const polygons = u32();
  const corners = u32();
  const selectedPoints = u32();
  const selectedPolygons = u32();
  const edges = u32();
  if (!delta && (points !== pointSlots || polygons !== polygonSlots)) throw new Error('a full geometry frame must list every slot');

  const section = (Type, count) => {
    const bytes = count * Type.BYTES_PER_ELEMENT;
    if (at + bytes > buffer.byteLength) throw new Error('geometry frame cut short');
    const array = new Type(buffer, at, count);
    at += padded(bytes);
    return array;
  };
  // Sections in the order they lie in the frame.
  const frame = {
    name,
    revision,
    selected: (flags & FRAME_ITEM_SELECTED) !== 0,
    delta,
    pointSlots,
    polygonSlots,
    pointIndex: delta ? section(Uint32Array, points) : null,
    positions: section(Float32Array, 3 * points),
    pointFlags: section(Uint8Array, points),
    polygonIndex: delta ? section(Uint32Array, polygons) : null,
    polygonStart: section(Uint32Array, polygons + 1),
    cornerPoints: section(Uint32Array, corners),
    polygonFlags: section(Uint8Array, polygons),
    selectedPoints: section(Uint32Array, selectedPoints),
    selectedPolygons: section(Uint32Array, selectedPolygons),
    edgePoints: section(Uint32Array, 2 * edges),
    edgeFlags: section(Uint8Array, edges),
  };
  if (frame.polygonStart[polygons] !== corners) throw new Error('geometry frame polygons do not end at the corner count');
  return frame;
}

// An array of the same type with room for at least size elements and the first keep of array's.
// A new array has an eighth to spare, so that the first edits after a full frame fit, and grows
// by doubling, so that a run of deltas that add elements copies each one a few times at most.
function room(array, size, keep) {
  if (array.length >= size) return array;
  const grown = new array.constructor(Math.max(size + (size >> 3), 2 * array.length));
  grown.set(array.subarray(0, keep));
  return grown;
}

// One item's mesh as its frames have described it so far.
export class ItemGeometry {
  constructor() {
    this.revision = 0;
    this.selected = false;
    this.points = 0; // point slots
    this.polygons = 0; // polygon slots
    this.livePolygons = 0;
    this.store = new Float32Array(0); // 3 per point slot, with room to spare
    this.pointFlags = new Uint8Array(0);
    this.polygonFlags = new Uint8Array(0);
    // Polygon f's corners are pool[first[f] .. first[f] + count[f]); a polygon listed again gets
    // fresh room at the end, and the pool is packed once half of it is left behind.
    this.first = new Uint32Array(0);
    this.count = new Uint32Array(0);
    this.pool = new Uint32Array(0);
    this.poolUsed = 0;
    this.poolWaste = 0;
    this.selectedPoints = new Uint32Array(0);
    this.selectedPolygons = new Uint32Array(0);
    this.edgePoints = new Uint32Array(0);
    this.edgeFlags = new Uint8Array(0);
  }

  get positions() {
    return this.store.subarray(0, 3 * this.points);
  }

  corners(f) {
    return this.pool.subarray(this.first[f], this.first[f] + this.count[f]);
  }

  // Takes in a full frame (replacing everything) or a delta. Answers what changed: whether
  // polygons did (new triangles are needed), and the runs [begin, end) of consecutive point
  // slots it wrote (a frame lists its slots in increasing order), or null.
  apply(frame) {
    // A full frame of the same polygons (a deformer moved every point) keeps the triangles.
    const samePolygons = !frame.delta && this.samePolygons(frame);
    if (!frame.delta && !samePolygons) {
      this.points = this.polygons = this.livePolygons = 0;
      this.poolUsed = this.poolWaste = 0;
    }
    this.revision = frame.revision;
    this.selected = frame.selected;
    const shapeChanged = !samePolygons && this.readPolygons(frame);
    const moved = this.readPoints(frame);
    this.selectedPoints = frame.selectedPoints;
    this.selectedPolygons = frame.selectedPolygons;
    this.edgePoints = frame.edgePoints;
    this.edgeFlags = frame.edgeFlags;
    return { shapeChanged, moved };
  }

  readPoints(frame) {
    const { pointIndex, positions, pointFlags } = frame;
    const listed = pointFlags.length;
    const slots = frame.pointSlots;
    this.store = room(this.store, 3 * slots, 3 * this.points);
    this.pointFlags = room(this.pointFlags, slots, this.points);
    this.points = slots;
    if (!pointIndex) {
      this.store.set(positions);
      this.pointFlags.set(pointFlags);
      return listed ? [[0, listed]] : null;
    }
    const runs = [];
    for (let i = 0; i < listed; ++i) {
      const p = pointIndex[i];
      this.store[3 * p] = positions[3 * i];
      this.store[3 * p + 1] = positions[3 * i + 1];
      this.store[3 * p + 2] = positions[3 * i + 2];
      this.pointFlags[p] = pointFlags[i];
      const last = runs[runs.length - 1];
      if (last && last[1] === p) last[1] = p + 1;
      else runs.push([p, p + 1]);
    }
    return runs.length ? runs : null;
  }

  readPolygons(frame) {
    const { polygonIndex, polygonStart, cornerPoints, polygonFlags } = frame;
    const listed = polygonFlags.length;
    const slots = frame.polygonSlots;
    const before = this.polygons;
    this.first = room(this.first, slots, before);
    this.count = room(this.count, slots, before);
    this.polygonFlags = room(this.polygonFlags, slots, before);
    this.pool = room(this.pool, this.poolUsed + cornerPoints.length, this.poolUsed);
    this.pool.set(cornerPoints, this.poolUsed);
    for (let i = 0; i < listed; ++i) {
      const f = polygonIndex ? polygonIndex[i] : i;
      if (f < before) {
        this.poolWaste += this.count[f];
        if (!(this.polygonFlags[f] & VACANT)) --this.livePolygons;
      }
      if (!(polygonFlags[i] & VACANT)) ++this.livePolygons;
      this.first[f] = this.poolUsed + polygonStart[i];
      this.count[f] = polygonStart[i + 1] - polygonStart[i];
      this.polygonFlags[f] = polygonFlags[i];
    }
    this.poolUsed += cornerPoints.length;
    this.polygons = slots;
    if (this.poolWaste > this.poolUsed / 2) this.packPool();
    return listed > 0 || slots !== before;
  }

  samePolygons(frame) {
    const { polygonStart, cornerPoints } = frame;
    if (frame.polygonSlots !== this.polygons) return false;
    for (let f = 0; f < this.polygons; ++f) {
      const begin = polygonStart[f];
      const n = polygonStart[f + 1] - begin;
      if (n !== this.count[f]) return false;
      const at = this.first[f];
      for (let k = 0; k < n; ++k) if (this.pool[at + k] !== cornerPoints[begin + k]) return false;
    }
    return true;
  }

  packPool() {
    const packed = new Uint32Array(this.poolUsed - this.poolWaste);
    let w = 0;
    for (let f = 0; f < this.polygons; ++f) {
      packed.set(this.corners(f), w);
      this.first[f] = w;
      w += this.count[f];
    }
    this.pool = packed;
    this.poolUsed = w;
    this.poolWaste = 0;
  }
}

// Fan triangles of the listed polygons, as point slots. Fans are right for the convex polygons
// modelling produces; vacant polygons have no corners and add none.
export function triangulate(g, list) {
  const { first, count, pool } = g;
  let size = 0;
  for (const f of list) size += fanSize(count[f]);
  const indices = new Uint32Array(size);
  let w = 0;
  for (const f of list) {
    const begin = first[f];
    const end = begin + count[f];
    for (let c = begin + 1; c + 1 < end; ++c) {
      indices[w++] = pool[begin];
      indices[w++] = pool[c];
      indices[w++] = pool[c + 1];
    }
  }
  return indices;
}

// The fan triangles of an item's polygons in one index buffer in which each polygon keeps its
// place, so that a delta rewrites and uploads only the polygons it lists. A polygon that needs
// more room than it had moves to the end; the room it leaves, and that of a vacated polygon,
// holds degenerate triangles (point 0 three times), which draw nothing. A full frame lays the
// buffer out afresh.
export class Triangles {
  constructor() {
    this.indices = new Uint32Array(0);
    this.used = 0;
    this.at = new Uint32Array(0); // per polygon slot: where its triangles start
    this.room = new Uint32Array(0); // per polygon slot: how many indices it may fill
    this.changed = []; // [begin, end) ranges of indices a patch rewrote, in increasing order
  }

  build(g) {
    let size = 0;
    for (let f = 0; f < g.polygons; ++f) size += fanSize(g.count[f]);
    this.indices = room(new Uint32Array(0), size, 0);
    this.at = room(new Uint32Array(0), g.polygons, 0);
    this.room = room(new Uint32Array(0), g.polygons, 0);
    this.used = 0;
    for (let f = 0; f < g.polygons; ++f) this.place(g, f);
  }

  // Rewrites the listed polygons; polygon slots from `before` on are new. Answers whether the
  // buffer stayed the same one (else it grew and goes up whole).
  patch(g, list, before) {
    const buffer = this.indices;
    this.at = room(this.at, g.polygons, before);
    this.room = room(this.room, g.polygons, before);
    this.changed = [];
    for (const f of list) {
      const need = fanSize(g.count[f]);
      if (f < before && need <= this.room[f]) {
        this.write(g, f);
        this.touch(this.at[f], this.at[f] + this.room[f]);
        continue;
      }
      if (f < before) {
        this.indices.fill(0, this.at[f], this.at[f] + this.room[f]);
        this.touch(this.at[f], this.at[f] + this.room[f]);
      }
      this.place(g, f);
      this.touch(this.at[f], this.used);
    }
    this.changed.sort((a, b) => a[0] - b[0]);
    return this.indices === buffer;
  }

  place(g, f) {
    const need = fanSize(g.count[f]);
    this.indices = room(this.indices, this.used + need, this.used);
    this.at[f] = this.used;
    this.room[f] = need;
    this.used += need;
    this.write(g, f);
  }

  // Polygon f's fan at its place, degenerate triangles filling the rest of its room.
  write(g, f) {
    const { pool, first, count } = g;
    const begin = first[f];
    const end = begin + count[f];
    let w = this.at[f];
    for (let c = begin + 1; c + 1 < end; ++c) {
      this.indices[w++] = pool[begin];
      this.indices[w++] = pool[c];
      this.indices[w++] = pool[c + 1];
    }
    this.indices.fill(0, w, this.at[f] + this.room[f]);
  }

  touch(begin, end) {
    const last = this.changed[this.changed.length - 1];
    if (last && last[1] === begin) last[1] = end;
    else if (end > begin) this.changed.push([begin, end]);
  }
}

const fanSize = (corners) => (corners >= 3 ? 3 * (corners - 2) : 0);

// Every polygon side as a pair of point slots: the ordinary edges. An edge between two polygons
// comes twice, which draws the same line.
export function sides(g) {
  const { first, count, pool } = g;
  let size = 0;
  for (let f = 0; f < g.polygons; ++f) size += 2 * count[f];
  const out = new Uint32Array(size);
  let w = 0;
  for (let f = 0; f < g.polygons; ++f) {
    const begin = first[f];
    const end = begin + count[f];
    for (let c = begin; c < end; ++c) {
      out[w++] = pool[c];
      out[w++] = pool[c + 1 === end ? begin : c + 1];
    }
  }
  return out;
}

// The flagged edges with any bit of mask set, as point slot pairs.
export function edgesWith(g, mask) {
  const { edgeFlags, edgePoints } = g;
  let count = 0;
  for (const flags of edgeFlags) if (flags & mask) ++count;
  const out = new Uint32Array(2 * count);
  let w = 0;
  for (let e = 0; e < edgeFlags.length; ++e) {
    if (!(edgeFlags[e] & mask)) continue;
    out[w++] = edgePoints[2 * e];
    out[w++] = edgePoints[2 * e + 1];
  }
  return out;
}

// The slots of the points that are not vacant.
export function livePoints(g) {
  const { pointFlags, points } = g;
  let count = 0;
  for (let p = 0; p < points; ++p) if (!(pointFlags[p] & VACANT)) ++count;
  const out = new Uint32Array(count);
  let w = 0;
  for (let p = 0; p < points; ++p) if (!(pointFlags[p] & VACANT)) out[w++] = p;
  return out;
}

// Axis-aligned bounds of the live points among the slots listed (every slot without a list),
// grown from extent when given; null without any.
export function bounds(g, list = null, extent = null) {
  const min = extent ? [...extent.min] : [Infinity, Infinity, Infinity];
  const max = extent ? [...extent.max] : [-Infinity, -Infinity, -Infinity];
  const { store, pointFlags } = g;
  const points = list ? list.length : g.points;
  let any = !!extent;
  for (let i = 0; i < points; ++i) {
    const p = list ? list[i] : i;
    if (pointFlags[p] & VACANT) continue;
    any = true;
    for (let k = 0; k < 3; ++k) {
      const v = store[3 * p + k];
      if (v < min[k]) min[k] = v;
      if (v > max[k]) max[k] = v;
    }
  }
  return any ? { min, max } : null;
}
