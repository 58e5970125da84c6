// The active tool's drawing (lines, stippled lines, quads, points, labels), projected with the
// host's own camera formulas onto a 2D canvas laid over the 3D view.

const LINE_WIDTH = 2;
const FONT = 'bold 13px sans-serif';

// Dash lengths in pixels of a 16-bit line stipple, bit 0 first and each bit factor pixels long,
// starting with a drawn run; offset places bit 0. Empty for a solid line.
export function stippleDashes(factor, pattern) {
  if (factor <= 0 || pattern === 0xffff) return { dashes: [], offset: 0 };
  if (pattern === 0) return { dashes: [0, 16 * factor], offset: 0 };
  const on = (k) => ((pattern >> (k & 15)) & 1) !== 0;
  // Runs alternate drawn and gap only when they start at a drawn bit that follows a gap.
  let start = 0;
  while (!(on(start) && !on(start + 15))) ++start;
  const dashes = [];
  for (let k = 0; k < 16; ++k) {
    const drawn = on(start + k);
    if (dashes.length === 0 || (dashes.length % 2 === 1) !== drawn) dashes.push(0);
    dashes[dashes.length - 1] += factor;
  }
  return { dashes, offset: ((16 - start) % 16) * factor };
}

const css = ([r, g, b, a]) =>
  `rgba(${Math.round(r * 255)}, ${Math.round(g * 255)}, ${Math.round(b * 255)}, ${a ?? 1})`;

export class Overlay {
  constructor(canvas, camera) {
    this.canvas = canvas;
    this.camera = camera;
    this.entries = [];
    this.drawQueued = false;
  }

  requestDraw() {
    if (this.drawQueued) return;
    this.drawQueued = true;
    requestAnimationFrame(() => this.draw());
  }

  setSize(width, height) {
    const ratio = window.devicePixelRatio;
    this.canvas.width = Math.round(width * ratio);
    this.canvas.height = Math.round(height * ratio);
  }

  setEntries(entries) {
    this.entries = entries;
  }

  draw() {
    this.drawQueued = false;
    const ctx = this.canvas.getContext('2d');
    const ratio = window.devicePixelRatio;
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    ctx.clearRect(0, 0, this.canvas.width, this.canvas.height);
    const cam = this.camera;
    const frame = cam.frame();
    const eye = cam.eye();
    // Drawing is cut halfway between the eye and the near plane, so what a tool draws on the near
    // plane itself (outlines given in pixels) survives rounding.
    const nearCut = -cam.near() / (cam.far() - cam.near()) / 2;
    const project = (p) => cam.project(p, frame, eye);
    const inView = (s) => s[2] > nearCut && Number.isFinite(s[0]) && Number.isFinite(s[1]);
    ctx.lineWidth = LINE_WIDTH;
    ctx.font = FONT;
    for (const e of this.entries) {
      ctx.strokeStyle = ctx.fillStyle = css(e.color ?? [1, 1, 1, 1]);
      if (e.kind === 'line') this.line(ctx, e, project, nearCut, inView);
      else if (e.kind === 'quad') {
        const s = e.points.map(project);
        if (!s.every(inView)) continue;
        ctx.beginPath();
        ctx.moveTo(s[0][0], s[0][1]);
        for (let k = 1; k < s.length; ++k) ctx.lineTo(s[k][0], s[k][1]);
        ctx.closePath();
        ctx.fill();
      } else if (e.kind === 'point') {
        const s = project(e.points[0]);
        if (!inView(s)) continue;
        ctx.beginPath();
        ctx.arc(s[0], s[1], Math.max(1, 0.5 * (e.size ?? 4)), 0, 2 * Math.PI);
        ctx.fill();
      } else if (e.kind === 'text') {
        const s = project(e.points[0]);
        if (inView(s)) ctx.fillText(e.text ?? '', s[0] + 4, s[1] - 4);
      }
    }
  }

  // A line reaching behind the eye is cut where it crosses the cut depth (depth is affine).
  line(ctx, e, project, nearCut, inView) {
    let a = project(e.points[0]);
    let b = project(e.points[1]);
    if (a[2] <= nearCut && b[2] <= nearCut) return;
    if (a[2] <= nearCut || b[2] <= nearCut) {
      const [pa, pb] = e.points;
      // Nudged towards the end in front, so the cut point itself counts as in view.
      const t = (nearCut - a[2]) / (b[2] - a[2]) + (a[2] <= nearCut ? 1e-9 : -1e-9);
      const cut = pa.map((v, k) => v + (pb[k] - v) * t);
      if (a[2] <= nearCut) a = project(cut);
      else b = project(cut);
    }
    if (!inView(a) || !inView(b)) return;
    const [factor, pattern] = e.stipple ?? [0, 0xffff];
    const { dashes, offset } = stippleDashes(factor, pattern);
    ctx.setLineDash(dashes);
    ctx.lineDashOffset = offset;
    ctx.beginPath();
    ctx.moveTo(a[0], a[1]);
    ctx.lineTo(b[0], b[1]);
    ctx.stroke();
    ctx.setLineDash([]);
  }
}
