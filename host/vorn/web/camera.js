// The view's camera, held in the numbers the host's viewport takes (eye, target, up, vertical
// field of view or full view height, clip distances) so that the host's picking and the page's
// drawing agree to the pixel. Pixels are CSS pixels of the view, y growing downwards.

const DEG = Math.PI / 180;
const WORLD_UP = [0, 1, 0];
// Orbiting stops short of the poles: at a pole the view direction is parallel to up and the
// host would pick a fallback frame the page does not reproduce.
const MAX_ELEVATION = 89 * DEG;

const sub = (a, b) => [a[0] - b[0], a[1] - b[1], a[2] - b[2]];
const add = (a, b) => [a[0] + b[0], a[1] + b[1], a[2] + b[2]];
const scale = (a, s) => [a[0] * s, a[1] * s, a[2] * s];
const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
const cross = (a, b) => [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]];
const unit = (a) => scale(a, 1 / Math.hypot(a[0], a[1], a[2]));

export class ViewCamera {
  constructor() {
    this.width = 800;
    this.height = 600;
    this.target = [0, 0, 0];
    this.distance = 6;
    this.azimuth = 35 * DEG;
    this.elevation = 25 * DEG;
    this.orthographic = false;
    this.fov = 45;
    this.viewHeight = 4;
  }

  eye() {
    const c = Math.cos(this.elevation);
    const offset = [c * Math.sin(this.azimuth), Math.sin(this.elevation), c * Math.cos(this.azimuth)];
    return add(this.target, scale(offset, this.distance));
  }

  up() {
    return WORLD_UP;
  }

  // Clip distances relative to the orbit distance keep the depth buffer's precision where the
  // person is looking, whatever the scale of the scene.
  near() {
    return this.distance / 500;
  }

  far() {
    return this.distance * 100;
  }

  // right, up and forward as the host derives them from eye, target and up.
  frame() {
    const forward = unit(sub(this.target, this.eye()));
    const right = unit(cross(forward, this.up()));
    return { right, up: cross(right, forward), forward };
  }

  // World point to [x, y, depth]: x, y in pixels from the top-left corner, depth 0 on the near
  // plane and 1 on the far one.
  project(p, frame = this.frame(), eye = this.eye()) {
    const v = sub(p, eye);
    const d = dot(v, frame.forward);
    const halfHeight = this.orthographic ? 0.5 * this.viewHeight : d * Math.tan(0.5 * this.fov * DEG);
    const pixelsPerUnit = (0.5 * this.height) / halfHeight;
    return [
      0.5 * this.width + dot(v, frame.right) * pixelsPerUnit,
      0.5 * this.height - dot(v, frame.up) * pixelsPerUnit,
      (d - this.near()) / (this.far() - this.near()),
    ];
  }

  // World units per pixel on the plane through the target facing the camera.
  unitsPerPixel() {
    const halfHeight = this.orthographic ? 0.5 * this.viewHeight : this.distance * Math.tan(0.5 * this.fov * DEG);
    return (2 * halfHeight) / this.height;
  }

  orbit(dxPixels, dyPixels) {
    this.azimuth -= dxPixels * 0.01;
    this.elevation = Math.max(-MAX_ELEVATION, Math.min(MAX_ELEVATION, this.elevation + dyPixels * 0.01));
  }

  // Moves eye and target together so the point under the pointer follows it.
  pan(dxPixels, dyPixels) {
    const f = this.frame();
    const s = this.unitsPerPixel();
    this.target = add(this.target, add(scale(f.right, -dxPixels * s), scale(f.up, dyPixels * s)));
  }

  zoom(factor) {
    if (this.orthographic) this.viewHeight *= factor;
    else this.distance *= factor;
  }

  setOrthographic(on) {
    if (on === this.orthographic) return;
    // The plane through the target keeps its size on screen across the switch.
    if (on) this.viewHeight = 2 * this.distance * Math.tan(0.5 * this.fov * DEG);
    else this.distance = this.viewHeight / (2 * Math.tan(0.5 * this.fov * DEG));
    this.orthographic = on;
  }

  // Looks at a bounding box so that its sphere fills the view.
  frameBox(min, max) {
    const centre = scale(add(min, max), 0.5);
    const radius = Math.max(1e-6, 0.5 * Math.hypot(max[0] - min[0], max[1] - min[1], max[2] - min[2]));
    this.target = centre;
    const halfFov = 0.5 * this.fov * DEG;
    const aspect = Math.min(1, this.width / this.height);
    this.distance = (1.1 * radius) / Math.sin(halfFov * aspect);
    this.viewHeight = (2.2 * radius) / aspect;
  }

  // The fields of the protocol's viewport request.
  toMessage() {
    return {
      width: this.width,
      height: this.height,
      eye: this.eye(),
      target: this.target,
      up: this.up(),
      orthographic: this.orthographic,
      fov: this.fov,
      view_height: this.viewHeight,
      near: this.near(),
      far: this.far(),
    };
  }
}
