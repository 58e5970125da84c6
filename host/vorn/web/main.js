// The page: connects to vorn, keeps the latest state, and hands each part of it to the view,
// the palette, the attribute panel and the toolbar.

import { AttributePanel } from './attributes.js';
import { ViewCamera } from './camera.js';
import { Connection } from './connection.js';
import { decodeFrame } from './geometry.js';
import { ViewInput } from './input.js';
import { Notices } from './notices.js';
import { Overlay } from './overlay.js';
import { Palette } from './palette.js';
import { SceneView } from './scene_view.js';
import { Toolbar } from './toolbar.js';

const $ = (selector) => document.querySelector(selector);

const camera = new ViewCamera();
const view = new SceneView($('#scene'), camera);
const overlay = new Overlay($('#overlay'), camera);
const notices = new Notices($('#notices'));
const descriptions = new Map();

// What the page knows, readable from the console (and by the browser tests).
const vorn = {
  state: null,
  drawing: [],
  components: [],
  camera,
  // Counts and times of what arrived, for finding where time goes.
  stats: { frames: 0, deltas: 0, frameBytes: 0, decodeMs: 0, stateMs: 0, drawings: 0, renders: 0 },
  // Error replies, newest last, including those to requests the page did not make.
  errors: [],
  ready: null,
  request: null,
  frameOf: (name) => view.items.get(name)?.frame,
  trianglesOf: (name) => view.items.get(name)?.triangles,
  // When set, every render waits for the GPU to finish, so that stats.renderedAt is when the
  // picture was really there, and stats.uploadMs times its uploads apart from its drawing (for
  // measurements; it stalls the page otherwise).
  get syncRenders() {
    return view.measured;
  },
  set syncRenders(on) {
    view.measured = on;
  },
  // Resolves with the time the first picture drawn after a geometry frame that arrived after
  // since was finished.
  shownAfter(since) {
    const stats = vorn.stats;
    return new Promise((resolve) => {
      const poll = () =>
        stats.frameAt > since && stats.shownAt > stats.frameAt ? resolve(stats.shownAt) : setTimeout(poll, 2);
      poll();
    });
  },
  drawOverlayNow: () => overlay.draw(),
};
window.vorn = vorn;

let connection;

// Requests from the page's own controls: a refusal becomes a notice, not an exception.
async function send(op, fields) {
  try {
    return await connection.request(op, fields);
  } catch (error) {
    notices.show('error', error.message);
    return undefined;
  }
}

function sendViewport() {
  send('viewport', camera.toMessage());
}

function cameraChanged() {
  sendViewport();
  view.requestRender();
}

function frameAll() {
  const b = view.bounds();
  if (!b) return;
  camera.frameBox(b.min, b.max);
  cameraChanged();
}

function onGeometry(buffer) {
  const start = performance.now();
  vorn.stats.frameAt = start;
  const hadItems = view.items.size > 0;
  const frame = decodeFrame(buffer);
  view.setItem(frame);
  vorn.stats.frames += 1;
  if (frame.delta) vorn.stats.deltas += 1;
  vorn.stats.frameBytes += buffer.byteLength;
  vorn.stats.decodeMs += performance.now() - start;
  // The first thing to arrive is framed, so a person never starts out looking at nothing.
  if (!hadItems) frameAll();
}

function onState(state) {
  const start = performance.now();
  vorn.state = state;
  view.setMode(state.mode);
  toolbar.setState(state);
  palette.setState(state.offered, state.tool?.name ?? null);
  panel.setTool(state.tool, state.tool ? descriptions.get(state.tool.name) : null);
  const present = new Set(state.items.map((i) => i.name));
  for (const name of view.items.keys()) if (!present.has(name)) view.removeItem(name);
  vorn.stats.stateMs += performance.now() - start;
}

// A new drawing redraws the overlay only: the scene under it has not changed.
function onDrawing(drawing) {
  vorn.drawing = drawing.entries;
  vorn.stats.drawings += 1;
  vorn.stats.drawingAt = performance.now();
  overlay.setEntries(drawing.entries);
  overlay.requestDraw();
}

const palette = new Palette($('#palette'), {
  activate: (name) => send('tool', { name }),
  run: (name) => send('command', { name }),
});
const panel = new AttributePanel($('#attributes'), {
  set: (name, value) => send('set', { values: { [name]: value } }),
  notify: (level, text) => notices.show(level, text),
});
const toolbar = new Toolbar({
  send,
  frameAll,
  setOrthographic: (on) => {
    camera.setOrthographic(on);
    cameraChanged();
  },
});
new ViewInput($('#view'), {
  camera,
  cameraChanged,
  send,
  toolActive: () => !!vorn.state?.tool,
  toolBindings: () => vorn.state?.tool?.key_bindings ?? [],
});

view.afterRender = (start) => {
  const stats = vorn.stats;
  stats.renders += 1;
  stats.renderedAt = performance.now();
  // The first picture after a frame shows it: its times are the frame's, whatever comes after.
  if (!(stats.shownAt > stats.frameAt)) {
    stats.shownAt = stats.renderedAt;
    stats.renderMs = stats.renderedAt - start;
    stats.uploadMs = view.uploadMs;
  }
  overlay.draw();
};

// The view's size in CSS pixels is the host viewport's size: pointer coordinates are in them.
function resize() {
  const box = $('#view');
  const width = Math.max(1, Math.floor(box.clientWidth));
  const height = Math.max(1, Math.floor(box.clientHeight));
  if (width === camera.width && height === camera.height) return;
  camera.width = width;
  camera.height = height;
  view.setSize(width, height);
  overlay.setSize(width, height);
  if (connection?.socket.readyState === WebSocket.OPEN) cameraChanged();
}

async function start() {
  resize();
  new ResizeObserver(resize).observe($('#view'));
  const protocol = location.protocol === 'https:' ? 'wss:' : 'ws:';
  connection = new Connection(`${protocol}//${location.host}/ws`, {
    geometry: onGeometry,
    removed: (names) => names.forEach((name) => view.removeItem(name)),
    state: onState,
    drawing: onDrawing,
    message: (m) => notices.show(m.level, m.text),
    reply: (r) => r.ok || vorn.errors.push(r),
    closed: () => notices.show('error', 'The connection to vorn closed; reload the page once vorn runs again.'),
  });
  vorn.request = (op, fields) => connection.request(op, fields);
  vorn.sendRaw = (text) => connection.sendRaw(text);
  vorn.idle = () => connection.pending.size === 0;
  await connection.opened;
  // The host's camera follows the page's before anything could depend on it.
  await connection.request('viewport', camera.toMessage());
  const hello = await connection.request('hello');
  vorn.components = hello.components;
  for (const c of hello.components) descriptions.set(c.name, c);
  palette.setComponents(hello.components);
  if (vorn.state) onState(vorn.state);
}

vorn.ready = start().catch((error) => {
  notices.show('error', error.message);
  throw error;
});
