// Figures for the scale targets, measured in the page: a hover round trip on a mesh of about
// 100 000 polygons, a 1000 x 1000 grid made and shown, and a click edit on it shown. The figures
// are printed and kept in timing.json; only times far beyond the targets fail.

import { writeFileSync } from 'node:fs';
import path from 'node:path';
import { check, until } from './harness.mjs';

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Makes a grid through the protocol and times it until shown: the frame's arrival (server work
// and transfer), the page's decoding, the reply, and the first picture finished after the frame
// (upload to the GPU and drawing, renderMs of it).
async function timedGrid(page, n) {
  return page.evaluate(async (size) => {
    const v = window.vorn;
    v.syncRenders = true;
    const decode = v.stats.decodeMs;
    const t0 = performance.now();
    await v.request('new', { kind: 'grid', nx: size, ny: size, size: 10 });
    const t1 = performance.now();
    const shown = await v.shownAfter(t0);
    const name = v.state.items[v.state.items.length - 1].name;
    return {
      name,
      frameArrived: v.stats.frameAt - t0,
      decode: v.stats.decodeMs - decode,
      reply: t1 - t0,
      renderMs: v.stats.renderMs,
      shown: shown - t0,
    };
  }, n);
}

// The view pixel of the grid's centre polygon.
async function gridCentre(page, name) {
  return page.evaluate((item) => {
    const f = window.vorn.frameOf(item);
    const mid = Math.floor(f.polygons / 2);
    const c = [0, 0, 0];
    const begin = f.polygonStart[mid];
    const end = f.polygonStart[mid + 1];
    for (let k = begin; k < end; ++k)
      for (let a = 0; a < 3; ++a) c[a] += f.positions[3 * f.cornerPoints[k] + a] / (end - begin);
    const [x, y] = window.vorn.camera.project(c);
    return { x, y };
  }, name);
}

export async function timing(page, server, artifacts) {
  const figures = {};

  // Hover on about 100 000 polygons: pointer request to the preview drawn on the overlay.
  const medium = await timedGrid(page, 316);
  await page.evaluate(() => window.vorn.request('tool', { name: 'InsertLoop' }));
  const centre = await gridCentre(page, medium.name);
  const hover = await page.evaluate(async (at) => {
    const v = window.vorn;
    const frames = v.stats.frames;
    const stateMs = v.stats.stateMs;
    const times = [];
    const arrivals = [];
    const draws = [];
    for (let i = 0; i < 30; ++i) {
      const t0 = performance.now();
      await v.request('pointer', { event: 'hover', x: at.x + (i % 5) * 3, y: at.y + (i % 7) * 2 });
      const t1 = performance.now();
      v.drawOverlayNow();
      const t2 = performance.now();
      times.push(t2 - t0);
      arrivals.push(v.stats.drawingAt - t0);
      draws.push(t2 - t1);
    }
    return { times, arrivals, draws, stateMs: (v.stats.stateMs - stateMs) / 30, drew: v.drawing.length > 0, resent: v.stats.frames - frames };
  }, centre);
  check(hover.drew, 'hovering the grid drew no preview');
  check(hover.resent === 0, 'hovering resent geometry');
  figures.hover100k = {
    polygons: 316 * 316,
    medianMs: median(hover.times),
    maxMs: Math.max(...hover.times),
    drawingArrivedMs: median(hover.arrivals),
    overlayDrawMs: median(hover.draws),
    pageStateMs: hover.stateMs,
  };
  await page.evaluate(() => window.vorn.request('drop'));
  await page.evaluate(() => window.vorn.request('undo'));

  // A million polygons: made and shown, then a loop inserted by a click and shown.
  const large = await timedGrid(page, 1000);
  figures.open1M = large;
  await page.evaluate(() => window.vorn.request('tool', { name: 'InsertLoop' }));
  const at = await gridCentre(page, large.name);
  // The first hover builds the host's picking structure for the mesh; the person has hovered
  // before clicking, so it is timed on its own.
  figures.firstHover1M = await page.evaluate(async (p) => {
    const t0 = performance.now();
    await window.vorn.request('pointer', { event: 'hover', ...p });
    return performance.now() - t0;
  }, at);
  await until(page, 'the preview on the large grid', () => window.vorn.drawing.length > 0);
  // A click as the page sends it: press and release at once, the result shown after the frame.
  figures.clickEdit1M = await page.evaluate(async (p) => {
    const v = window.vorn;
    const polygons = v.state.items.find((i) => i.polygons >= 1e6).polygons;
    const decode = v.stats.decodeMs;
    const t0 = performance.now();
    const press = v.request('pointer', { event: 'press', ...p, button: 0 });
    const release = v.request('pointer', { event: 'release', ...p, button: 0 });
    await Promise.all([press, release]);
    const t1 = performance.now();
    const shown = await v.shownAfter(t0);
    const after = v.state.items.find((i) => i.polygons >= 1e6).polygons;
    return {
      grew: after - polygons,
      frameArrived: v.stats.frameAt - t0,
      decode: v.stats.decodeMs - decode,
      reply: t1 - t0,
      renderMs: v.stats.renderMs,
      shown: shown - t0,
    };
  }, at);
  check(figures.clickEdit1M.grew > 0, 'the click inserted no loop in the large grid');

  // A deformer's attribute set on the large grid: only positions change.
  await page.evaluate(() => window.vorn.request('drop'));
  await page.evaluate(() => window.vorn.request('tool', { name: 'Twist' }));
  figures.twist1M = await page.evaluate(async () => {
    const v = window.vorn;
    const decode = v.stats.decodeMs;
    const t0 = performance.now();
    await v.request('set', { values: { twist_far: 30 } });
    const t1 = performance.now();
    const shown = await v.shownAfter(t0);
    return {
      frameArrived: v.stats.frameAt - t0,
      decode: v.stats.decodeMs - decode,
      reply: t1 - t0,
      renderMs: v.stats.renderMs,
      shown: shown - t0,
    };
  });

  const round = (o) => JSON.parse(JSON.stringify(o, (k, v) => (typeof v === 'number' ? Math.round(v * 10) / 10 : v)));
  console.log('timing', JSON.stringify(round(figures)));
  writeFileSync(path.join(artifacts, 'timing.json'), JSON.stringify(round(figures), null, 2));
  // Only times that mean something broke fail: the suite shares a busy machine, and software
  // WebGL draws a million polygons in about half a second when it has the cores to itself.
  check(figures.hover100k.medianMs < 1000, 'the hover round trip is far off its target');
  check(figures.clickEdit1M.shown < 10000, 'the click edit is far off its target');
}
