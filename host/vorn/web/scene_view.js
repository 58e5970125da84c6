// The 3D view: one group of three.js objects per mesh item, built from its geometry frames, drawn
// through a three.js camera made from the same numbers as the host's viewport.

import * as THREE from 'three';
import { EDGE_HARD, EDGE_SELECTED, ItemGeometry, Triangles, bounds, edgesWith, livePoints, sides, triangulate } from './geometry.js';
import { thickLineGeometry, thickLineMaterial } from './thick_lines.js';

const MIN_EDGE_PIXELS = 3;

// Faces are drawn once from both sides, back faces darker: one pass over the triangles rather than
// one per side, which is what a software rasteriser spends its time on for large meshes.
function twoSidedMaterial(color) {
  const material = new THREE.MeshLambertMaterial({
    color,
    flatShading: true,
    side: THREE.DoubleSide,
    // Faces sit slightly behind their own edges so the edges are never half hidden.
    polygonOffset: true,
    polygonOffsetFactor: 1,
    polygonOffsetUnits: 4,
  });
  material.onBeforeCompile = (shader) => {
    shader.fragmentShader = shader.fragmentShader.replace(
      '#include <color_fragment>',
      '#include <color_fragment>\n\tdiffuseColor.rgb *= gl_FrontFacing ? 1.0 : 0.5;',
    );
  };
  return material;
}

const materials = {
  faces: twoSidedMaterial(0xa9b2bd),
  // A selected item in item mode: a warm tint, which shows however dense its edges are.
  selectedItemFaces: twoSidedMaterial(0xd8b48c),
  edges: new THREE.LineBasicMaterial({ color: 0x2a2e35 }),
  hard: thickLineMaterial(0x1546d8, 3),
  selectedFaces: new THREE.MeshBasicMaterial({
    color: 0xff8c1a,
    transparent: true,
    opacity: 0.55,
    side: THREE.DoubleSide,
    depthWrite: false,
  }),
  selectedEdges: thickLineMaterial(0xff7a00, 3),
  points: new THREE.PointsMaterial({ color: 0x20242a, size: 4, sizeAttenuation: false }),
  selectedPoints: new THREE.PointsMaterial({ color: 0xff7a00, size: 9, sizeAttenuation: false }),
};

// A geometry over a shared position attribute with its own index.
function indexed(position, indices) {
  const g = new THREE.BufferGeometry();
  g.setAttribute('position', position);
  g.setIndex(new THREE.BufferAttribute(indices, 1));
  return g;
}

// Frees a geometry's index buffer but not the position buffer other geometries of the item share.
function disposeOwn(geometry) {
  geometry.deleteAttribute('position');
  geometry.dispose();
}

function object(Kind, geometry, material, order) {
  const o = new Kind(geometry, material);
  // The bounding sphere of a million points costs more than drawing them; the view is small.
  o.frustumCulled = false;
  o.renderOrder = order;
  return o;
}

// One mesh item: its faces, edges, hard edges and selection, over one position buffer in slot
// order with room to spare, so that a delta that moves or adds a few points uploads only those.
class ItemView {
  constructor(group) {
    this.group = group;
    this.geometry = new ItemGeometry();
    this.triangles = new Triangles();
    this.position = null;
    this.faces = null;
    this.edgeLines = null; // built when first shown after the polygons changed
    this.live = null; // live point slots, for point mode; built when needed
    this.marks = []; // hard edges and selection: rebuilt whenever a frame arrives
    this.extent = null;
  }

  // What the page holds of the item, for the console and the browser tests.
  get frame() {
    return this.geometry;
  }

  update(frame, mode) {
    const g = this.geometry;
    const store = g.store;
    const before = g.polygons;
    const { shapeChanged, moved } = g.apply(frame);
    if (g.store !== store || !this.position) {
      // A new buffer: the objects over the old one go, and free it with them.
      this.disposeMarks();
      this.dropShape(false);
      this.position = new THREE.BufferAttribute(g.store, 3);
      this.triangles.build(g);
      this.faces = object(THREE.Mesh, this.facesGeometry(), materials.faces, 0);
      this.group.add(this.faces);
    } else {
      if (moved) {
        for (const [begin, end] of moved) this.position.addUpdateRange(3 * begin, 3 * (end - begin));
        this.position.needsUpdate = true;
        this.live = null;
      }
      if (shapeChanged) this.reshape(frame, before);
    }
    if (!frame.delta || !this.extent) this.extent = bounds(g);
    else if (moved) this.extent = bounds(g, frame.pointIndex, this.extent);
    this.mark(mode);
  }

  // New triangles for changed polygons: a delta patches the ones it lists in place and uploads
  // those, unless the buffer had to grow.
  reshape(frame, before) {
    this.dropShape(true);
    const t = this.triangles;
    if (frame.delta && t.patch(this.geometry, frame.polygonIndex, before)) {
      const index = this.faces.geometry.index;
      for (const [begin, end] of t.changed) index.addUpdateRange(begin, end - begin);
      index.needsUpdate = true;
      this.faces.geometry.setDrawRange(0, t.used);
      return;
    }
    if (!frame.delta) t.build(this.geometry);
    const old = this.faces.geometry;
    this.faces.geometry = this.facesGeometry();
    disposeOwn(old);
  }

  facesGeometry() {
    const geometry = indexed(this.position, this.triangles.indices);
    geometry.setDrawRange(0, this.triangles.used);
    return geometry;
  }

  // Forgets the edge lines and live points built for the old polygons (keeping the position
  // buffer when it stays).
  dropShape(keepPosition) {
    if (this.edgeLines) {
      this.group.remove(this.edgeLines);
      if (keepPosition) disposeOwn(this.edgeLines.geometry);
      else this.edgeLines.geometry.dispose();
      this.edgeLines = null;
    }
    if (!keepPosition && this.faces) {
      this.group.remove(this.faces);
      this.faces.geometry.dispose();
      this.faces = null;
    }
    this.live = null;
  }

  showEdges(show) {
    if (show && !this.edgeLines) {
      this.edgeLines = object(THREE.LineSegments, indexed(this.position, sides(this.geometry)), materials.edges, 1);
      this.group.add(this.edgeLines);
    }
    if (this.edgeLines) this.edgeLines.visible = show;
  }

  // Rough length of an edge: the side of a square polygon if the polygons were spread evenly
  // over the bounding sphere's cross-section.
  typicalEdge() {
    if (!this.extent || this.geometry.livePolygons === 0) return 0;
    const { min, max } = this.extent;
    const radius = 0.5 * Math.hypot(max[0] - min[0], max[1] - min[1], max[2] - min[2]);
    return (1.4 * radius) / Math.sqrt(this.geometry.livePolygons);
  }

  // Hard edges, and the selection of the current mode.
  mark(mode) {
    this.disposeMarks();
    const g = this.geometry;
    const add = (o) => {
      this.marks.push(o);
      this.group.add(o);
    };
    this.faces.material = mode === 'items' && g.selected ? materials.selectedItemFaces : materials.faces;
    const hard = edgesWith(g, EDGE_HARD);
    if (hard.length) add(object(THREE.Mesh, thickLineGeometry(g.store, hard), materials.hard, 2));
    if (mode === 'polygons') {
      const faces = triangulate(g, g.selectedPolygons);
      if (faces.length) add(object(THREE.Mesh, indexed(this.position, faces), materials.selectedFaces, 3));
    } else if (mode === 'edges') {
      const edges = edgesWith(g, EDGE_SELECTED);
      if (edges.length) add(object(THREE.Mesh, thickLineGeometry(g.store, edges), materials.selectedEdges, 3));
    } else if (mode === 'points') {
      this.live ??= livePoints(g);
      add(object(THREE.Points, indexed(this.position, this.live), materials.points, 3));
      if (g.selectedPoints.length) add(object(THREE.Points, indexed(this.position, g.selectedPoints), materials.selectedPoints, 4));
    }
  }

  disposeMarks() {
    for (const o of this.marks) {
      this.group.remove(o);
      if (o.geometry.attributes.position === this.position) disposeOwn(o.geometry);
      else o.geometry.dispose();
    }
    this.marks = [];
  }

  dispose() {
    this.disposeMarks();
    this.dropShape(false);
  }
}

export class SceneView {
  constructor(canvas, camera) {
    this.canvas = canvas;
    this.camera = camera;
    this.renderer = new THREE.WebGLRenderer({ canvas, antialias: false });
    this.renderer.setPixelRatio(window.devicePixelRatio);
    this.renderer.setClearColor(0x3b4048);
    this.scene = new THREE.Scene();
    this.scene.add(new THREE.AmbientLight(0xffffff, 0.9));
    // A light at the eye: every face the person looks at is lit, whatever the orbit.
    this.headlight = new THREE.DirectionalLight(0xffffff, 1.8);
    this.scene.add(this.headlight, this.headlight.target);
    this.items = new Map();
    this.mode = 'items';
    this.afterRender = null;
    this.renderQueued = false;
    // When set, every render waits for the GPU, and uploadMs is what its buffer uploads took.
    this.measured = false;
    this.uploadMs = 0;
  }

  setItem(frame) {
    let item = this.items.get(frame.name);
    if (!item) {
      const group = new THREE.Group();
      this.scene.add(group);
      item = new ItemView(group);
      this.items.set(frame.name, item);
    }
    item.update(frame, this.mode);
    this.requestRender();
  }

  removeItem(name) {
    const item = this.items.get(name);
    if (!item) return;
    item.dispose();
    this.scene.remove(item.group);
    this.items.delete(name);
    this.requestRender();
  }

  setMode(mode) {
    if (mode === this.mode) return;
    this.mode = mode;
    for (const item of this.items.values()) item.mark(mode);
    this.requestRender();
  }

  // Bounds of every item, or null for an empty scene.
  bounds() {
    let all = null;
    for (const item of this.items.values()) {
      const b = item.extent && { min: [...item.extent.min], max: [...item.extent.max] };
      if (!b) continue;
      if (!all) all = b;
      else for (let k = 0; k < 3; ++k) {
        all.min[k] = Math.min(all.min[k], b.min[k]);
        all.max[k] = Math.max(all.max[k], b.max[k]);
      }
    }
    return all;
  }

  setSize(width, height) {
    this.renderer.setSize(width, height, false);
    this.requestRender();
  }

  requestRender() {
    if (this.renderQueued) return;
    this.renderQueued = true;
    requestAnimationFrame(() => {
      this.renderQueued = false;
      this.render();
    });
  }

  threeCamera() {
    const c = this.camera;
    let cam;
    if (c.orthographic) {
      const h = 0.5 * c.viewHeight;
      const w = (h * c.width) / c.height;
      cam = new THREE.OrthographicCamera(-w, w, h, -h, c.near(), c.far());
    } else {
      cam = new THREE.PerspectiveCamera(c.fov, c.width / c.height, c.near(), c.far());
    }
    cam.position.fromArray(c.eye());
    cam.up.fromArray(c.up());
    cam.lookAt(new THREE.Vector3().fromArray(c.target));
    cam.updateMatrixWorld();
    return cam;
  }

  // Edges closer together than a few pixels would only paint the faces dark, and on a software
  // rasteriser a million of them cost seconds: an item shows its edges once they are that far
  // apart on screen. Hard and selected edges are always drawn.
  showEdgesWhereVisible() {
    const c = this.camera;
    const eye = c.eye();
    const forward = c.frame().forward;
    for (const item of this.items.values()) {
      if (!item.extent) continue;
      const centre = item.extent.min.map((v, k) => 0.5 * (v + item.extent.max[k]));
      const depth = Math.max(c.near(), centre.reduce((sum, v, k) => sum + (v - eye[k]) * forward[k], 0));
      const pixel = c.orthographic ? c.viewHeight / c.height : (2 * depth * Math.tan((0.5 * c.fov * Math.PI) / 180)) / c.height;
      item.showEdges(item.typicalEdge() >= MIN_EDGE_PIXELS * pixel);
    }
  }

  render() {
    const start = performance.now();
    this.showEdgesWhereVisible();
    for (const m of [materials.hard, materials.selectedEdges]) m.uniforms.viewSize.value.set(this.camera.width, this.camera.height);
    const cam = this.threeCamera();
    this.headlight.position.copy(cam.position);
    this.headlight.target.position.fromArray(this.camera.target);
    if (this.measured) this.timeUploads();
    this.uploadMs = 0;
    this.renderer.render(this.scene, cam);
    if (this.measured) {
      const gl = this.renderer.getContext();
      gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
    }
    this.afterRender?.(start);
  }

  // Counts the time the context's buffer uploads take into uploadMs, for measurements.
  timeUploads() {
    const gl = this.renderer.getContext();
    if (gl.uploadsTimed) return;
    gl.uploadsTimed = true;
    for (const name of ['bufferData', 'bufferSubData']) {
      const upload = gl[name].bind(gl);
      gl[name] = (...args) => {
        const start = performance.now();
        upload(...args);
        this.uploadMs += performance.now() - start;
      };
    }
  }
}
