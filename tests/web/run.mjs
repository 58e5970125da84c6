// The browser tests: each scenario gets its own vorn serve and a fresh tab of one headless
// chromium, and leaves a screenshot in the artefacts folder.
//
//   node tests/web/run.mjs --vorn build/release/bin/vorn --artifacts build/release/web-artifacts [--only NAME]

import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { parseArgs } from 'node:util';

import {
  check,
  flagCounts,
  heldGeometry,
  launchBrowser,
  nearestPolygonCentre,
  openPage,
  polygonCentres,
  pagePoint,
  startServer,
  until,
  upgradeStatus,
} from './harness.mjs';
import { timing } from './timing.mjs';

const { values: options } = parseArgs({
  options: { vorn: { type: 'string' }, artifacts: { type: 'string' }, only: { type: 'string' } },
});
if (!options.vorn || !options.artifacts) {
  console.error('usage: run.mjs --vorn PATH --artifacts DIR [--only NAME]');
  process.exit(2);
}

const polygonsOf = (page, name) =>
  page.evaluate((n) => window.vorn.state.items.find((i) => i.name === n)?.polygons, name);

// Makes an item through the toolbar and waits until its geometry is in the view.
async function newItem(page, kind) {
  const before = await page.evaluate(() => window.vorn.state.items.map((i) => i.name));
  await page.click(`[data-new="${kind}"]`);
  await until(page, `a new ${kind}`, (n) => window.vorn.state.items.length > n, before.length);
  const name = await page.evaluate((old) => window.vorn.state.items.find((i) => !old.includes(i.name)).name, before);
  await until(page, `the geometry of ${name}`, (n) => !!window.vorn.frameOf(n), name);
  return name;
}

async function activate(page, component) {
  await page.click(`[data-component="${component}"]`);
  await until(page, `${component} active`, (c) => window.vorn.state.tool?.name === c, component);
}

// Hovers the item's polygon nearest the eye until the tool draws a preview there.
async function hoverItem(page, name) {
  const at = await pagePoint(page, await nearestPolygonCentre(page, name));
  await page.mouse.move(at.x - 3, at.y - 3);
  await page.mouse.move(at.x, at.y);
  await until(page, 'the tool preview', () => window.vorn.drawing.length > 0);
  return at;
}

// Clicks in the view and waits for the replies to the requests the click made.
async function clickAndSettle(page, at) {
  await page.mouse.click(at.x, at.y);
  await until(page, 'the replies', () => window.vorn.idle());
}

const scenarios = {
  async page_opens(page) {
    const palette = await page.evaluate(() =>
      [...document.querySelectorAll('#palette button')].map((b) => ({ name: b.dataset.component, disabled: b.disabled })),
    );
    const names = palette.map((b) => b.name);
    check(names.includes('InsertLoop') && names.includes('HardEdgesPatchCommand'), `palette lacks tools: ${names}`);
    check(!names.includes('EdgesOperator'), 'a hidden component is in the palette');
    const headings = await page.$$eval('#palette h3', (h) => h.map((e) => e.textContent));
    check(headings.length > 2, `palette not grouped: ${headings}`);
    // Tweak works on elements, not on whole items: greyed in item mode, offered in polygon mode.
    const tweak = page.locator('[data-component="Tweak"]');
    check(await tweak.isDisabled(), 'Tweak is offered in item mode');
    await page.click('[data-mode="polygons"]');
    await until(page, 'Tweak offered', () => !document.querySelector('[data-component="Tweak"]').disabled);
  },

  async insert_loop(page) {
    const tube = await newItem(page, 'tube');
    const before = await polygonsOf(page, tube);
    await activate(page, 'InsertLoop');
    const frames = await page.evaluate(() => window.vorn.stats.frames);
    const at = await hoverItem(page, tube);
    check((await page.evaluate(() => window.vorn.stats.frames)) === frames, 'hovering resent geometry');
    await page.screenshot({ path: path.join(options.artifacts, 'insert_loop_preview.png') });
    // The tool binds Up to one more slice: the browser's ArrowUp must reach it under that name.
    await page.keyboard.press('ArrowUp');
    await until(page, 'two slices', () => window.vorn.state.tool.values.Slices === 2);
    await page.mouse.click(at.x, at.y);
    await until(page, 'the loop inserted', ([n, p]) => window.vorn.state.items.find((i) => i.name === n).polygons > p, [
      tube,
      before,
    ]);
    await page.keyboard.press('Control+z');
    await until(page, 'the loop undone', ([n, p]) => window.vorn.state.items.find((i) => i.name === n).polygons === p, [
      tube,
      before,
    ]);
    await page.keyboard.press('Escape');
    await until(page, 'the tool dropped', () => window.vorn.state.tool === null);
  },

  async hard_edge(page) {
    const box = await newItem(page, 'box');
    await page.click('[data-mode="polygons"]');
    await until(page, 'polygon mode', () => window.vorn.state.mode === 'polygons');
    const [front, side] = await polygonCentres(page, box);
    const at = await pagePoint(page, front);
    const selected = async () => (await flagCounts(page, box)).selectedPolygons;
    await clickAndSettle(page, at);
    check((await selected()) === 1, 'a click did not select the polygon under it');
    // Shift adds, and toggles what is selected already.
    await page.keyboard.down('Shift');
    await clickAndSettle(page, await pagePoint(page, side));
    check((await selected()) === 2, 'a shift-click did not add a polygon');
    await clickAndSettle(page, await pagePoint(page, side));
    await page.keyboard.up('Shift');
    check((await selected()) === 1, 'a shift-click did not take a selected polygon out');
    await until(page, 'Hard Edge offered', () => !document.querySelector('[data-component="HardEdgesPatchCommand"]').disabled);
    await page.click('[data-component="HardEdgesPatchCommand"]');
    await until(page, 'hard edges', (n) => window.vorn.frameOf(n).edgeFlags.some((f) => f & 1), box);
    // A click on nothing clears the selection.
    const view = await page.$('#view').then((v) => v.boundingBox());
    await clickAndSettle(page, { x: view.x + 5, y: view.y + 5 });
    check((await flagCounts(page, box)).selectedPolygons === 0, 'a click on nothing kept the selection');
  },

  // Each change in the panel re-applies the tool's edit to the mesh as it was before the tool:
  // twisting and then untwisting gives back the tube it started from.
  async tool_attribute(page) {
    const tube = await newItem(page, 'tube');
    const positions = () => page.evaluate((n) => Array.from(window.vorn.frameOf(n).positions), tube);
    const original = await positions();
    await activate(page, 'Twist');
    const field = page.locator('[data-attribute="twist_far"] input');
    check(await field.isVisible(), 'the panel does not show Twist Far');
    const setTwist = async (angle) => {
      await field.fill(String(angle));
      await field.press('Enter');
      await until(page, `Twist Far ${angle}`, (a) => window.vorn.state.tool.values.twist_far === a, angle);
      await until(page, 'the replies', () => window.vorn.idle());
    };
    await setTwist(90);
    const twisted = await positions();
    check(twisted.some((v, i) => Math.abs(v - original[i]) > 1e-3), 'setting Twist Far did not twist the tube');
    await page.screenshot({ path: path.join(options.artifacts, 'tool_attribute_twisted.png') });
    await setTwist(0);
    const back = await positions();
    check(back.every((v, i) => Math.abs(v - original[i]) < 1e-5), 'untwisting did not give back the tube');
  },

  // The host picks with its camera, the page draws with its own: a point the page draws at a
  // pixel must be the one a click there selects, perspective and orthographic, off the centre.
  async camera_agrees(page) {
    await page.click('[data-new="grid"]');
    await until(page, 'a grid', () => window.vorn.state.items.length === 1 && window.vorn.frameOf(window.vorn.state.items[0].name));
    const grid = await page.evaluate(() => window.vorn.state.items[0].name);
    const view = await page.$('#view').then((v) => v.boundingBox());
    await page.keyboard.down('Alt');
    await page.mouse.move(view.x + 300, view.y + 300);
    await page.mouse.down();
    await page.mouse.move(view.x + 360, view.y + 340, { steps: 4 });
    await page.mouse.up();
    await page.keyboard.up('Alt');
    await page.mouse.wheel(0, -200);
    await page.click('[data-mode="points"]');
    for (const orthographic of [false, true]) {
      if (orthographic) await page.check('#ortho');
      // The inner point of the grid drawn farthest from the view's centre, still inside the view
      // (a click right on the border might miss the grid by rounding).
      const target = await page.evaluate((n) => {
        const f = window.vorn.frameOf(n);
        const cam = window.vorn.camera;
        const lo = [Infinity, Infinity, Infinity];
        const hi = [-Infinity, -Infinity, -Infinity];
        f.positions.forEach((v, i) => {
          lo[i % 3] = Math.min(lo[i % 3], v);
          hi[i % 3] = Math.max(hi[i % 3], v);
        });
        const inner = (p) => [0, 1, 2].every((k) => lo[k] === hi[k] || (f.positions[3 * p + k] > lo[k] && f.positions[3 * p + k] < hi[k]));
        let best = -1;
        let far = -1;
        for (let p = 0; p < f.points; ++p) {
          if (!inner(p)) continue;
          const [x, y] = cam.project([f.positions[3 * p], f.positions[3 * p + 1], f.positions[3 * p + 2]]);
          const d = Math.hypot(x - cam.width / 2, y - cam.height / 2);
          if (x > 10 && y > 10 && x < cam.width - 10 && y < cam.height - 10 && d > far) {
            far = d;
            best = p;
          }
        }
        return { index: best, at: [f.positions[3 * best], f.positions[3 * best + 1], f.positions[3 * best + 2]] };
      }, grid);
      check(target.index >= 0, 'no grid point in view');
      const at = await pagePoint(page, target.at);
      await clickAndSettle(page, at);
      const selected = await page.evaluate((n) => [...window.vorn.frameOf(n).selectedPoints], grid);
      check(
        selected.length === 1 && selected[0] === target.index,
        `${orthographic ? 'orthographic' : 'perspective'}: clicking point ${target.index} at (${at.viewX.toFixed(1)}, ${at.viewY.toFixed(1)}) selected ${JSON.stringify(selected)}`,
      );
    }
  },

  async refusals(page, server) {
    await page.evaluate(() => window.vorn.sendRaw('{"id": 7, "op": '));
    await until(page, 'an error reply to malformed JSON', () => window.vorn.errors.length === 1);
    const wrongType = await page.evaluate(() =>
      window.vorn.request('new', { kind: 'grid', nx: 'many' }).then(() => null, (e) => e.message),
    );
    check(wrongType, 'a grid of "many" columns was accepted');
    const unknown = await page.evaluate(() => window.vorn.request('explode').then(() => null, (e) => e.message));
    check(unknown, 'an unknown operation was accepted');
    const items = await page.evaluate(() => window.vorn.state.items.length);
    check(items === 0, 'a refused request changed the scene');
    await newItem(page, 'box');
    check((await upgradeStatus(server.url, 'http://elsewhere.example')) !== 101, 'a foreign origin got a WebSocket');
    check((await upgradeStatus(server.url, server.url)) === 101, "the page's own origin got no WebSocket");
    check(page.problems.length === 0, `page errors: ${page.problems.join('; ')}`);
  },

  // A file from the person's disk becomes an item; the item and the session come back as downloads.
  async files(page) {
    const obj = 'v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n';
    await page.setInputFiles('#open-file', { name: 'square.obj', mimeType: 'text/plain', buffer: Buffer.from(obj) });
    await until(page, 'the opened file', () => window.vorn.state.items.some((i) => i.name === 'square' && i.polygons === 1));
    const saved = await downloadOf(page, '[data-download="obj"]');
    check(saved.name.endsWith('.obj') && /^f /m.test(saved.text), `the OBJ download is ${saved.name}: ${saved.text}`);
    const script = await downloadOf(page, '#script');
    check(script.text.includes('load square.obj'), `the script does not load the opened file:\n${script.text}`);
  },

  // What a person did by hand, downloaded as a script, rebuilds the same mesh under vorn run:
  // the camera, pointer events and clicks the page sent must mean the same there.
  async replay(page) {
    const tube = await newItem(page, 'tube');
    await activate(page, 'InsertLoop');
    const at = await hoverItem(page, tube);
    await page.mouse.click(at.x, at.y);
    await until(page, 'the loop inserted', () => window.vorn.state.undo.length > 1);
    await page.keyboard.press('Escape');
    await page.click('[data-mode="polygons"]');
    await clickAndSettle(page, await pagePoint(page, await nearestPolygonCentre(page, tube)));
    await page.click('[data-component="HardEdgesPatchCommand"]');
    await until(page, 'hard edges', (n) => window.vorn.frameOf(n).edgeFlags.some((f) => f & 1), tube);
    const seen = await flagCounts(page, tube);
    const selected = await page.evaluate((n) => [...window.vorn.frameOf(n).selectedPolygons].sort((a, b) => a - b), tube);
    const script = await downloadOf(page, '#script');
    const folder = mkdtempSync(path.join(tmpdir(), 'vorn-replay-'));
    try {
      const file = path.join(folder, script.name);
      writeFileSync(file, `${script.text}\ninfo ${tube}\n`);
      const run = spawnSync(options.vorn, ['run', file], { encoding: 'utf8', timeout: 30000 });
      check(run.status === 0, `vorn run of the session script failed:\n${run.stderr}\n${script.text}`);
      const info = JSON.parse(run.stdout.trim().split('\n').pop());
      const replayed = { polygons: info.polygons, hard: info.hard_edges, selected: info.selected_polygons };
      const shown = { polygons: seen.polygons, hard: seen.hardEdges, selected };
      check(JSON.stringify(replayed) === JSON.stringify(shown), `replayed ${JSON.stringify(replayed)}, shown ${JSON.stringify(shown)}`);
    } finally {
      rmSync(folder, { recursive: true, force: true });
    }
  },

  // Small edits of a larger grid come as deltas; the page patched by them holds exactly what a
  // new tab gets in full frames: points, polygons, selection, flagged edges and triangles.
  async deltas(page, server) {
    await page.evaluate(() => window.vorn.request('new', { kind: 'grid', name: 'g', nx: 60, ny: 60, size: 4 }));
    await until(page, 'the grid', () => !!window.vorn.frameOf('g'));
    const deltas = await page.evaluate(() => window.vorn.stats.deltas);
    await activate(page, 'InsertLoop');
    const at = await hoverItem(page, 'g');
    await clickAndSettle(page, at);
    await page.keyboard.press('Escape');
    await page.click('[data-mode="polygons"]');
    await clickAndSettle(page, await pagePoint(page, (await polygonCentres(page, 'g'))[200]));
    await page.evaluate(() => window.vorn.request('command', { name: 'Dissolve' }));
    for (const op of ['undo', 'redo', 'undo', 'undo', 'redo']) await page.evaluate((o) => window.vorn.request(o), op);
    const stats = await page.evaluate(() => ({ ...window.vorn.stats, undo: window.vorn.state.undo }));
    check(stats.deltas - deltas >= 7, `the edits of the grid did not come as deltas: ${JSON.stringify(stats)}`);
    await page.screenshot({ path: path.join(options.artifacts, 'deltas.png') });
    const other = await openPage(page.context(), server.url);
    try {
      await until(other, 'the grid in a new tab', () => !!window.vorn.frameOf('g'));
      check((await heldGeometry(page, 'g')) === (await heldGeometry(other, 'g')), 'the grid patched by deltas differs from its full frame');
    } finally {
      await other.close();
    }
  },

  // Every tab sees the same scene; a tab that goes away while it holds a button drops the tool.
  async two_tabs(page, server) {
    const other = await openPage(page.context(), server.url);
    try {
      const tube = await newItem(other, 'tube');
      await until(page, 'the other tab\'s tube', (n) => !!window.vorn.frameOf(n), tube);
      await activate(other, 'InsertLoop');
      const at = await hoverItem(other, tube);
      await other.mouse.down();
      await until(page, 'the button held', () => window.vorn.state.held === true);
    } finally {
      await other.close();
    }
    await until(page, 'the tool dropped', () => window.vorn.state.tool === null && !window.vorn.state.held);
  },

  timing,
};

// Clicks a control that offers a download and reads what it offers.
async function downloadOf(page, selector) {
  const [download] = await Promise.all([page.waitForEvent('download', { timeout: 10000 }), page.click(selector)]);
  const file = await download.path();
  return { name: download.suggestedFilename(), text: readFileSync(file, 'utf8') };
}

mkdirSync(options.artifacts, { recursive: true });
const browser = await launchBrowser();
let failures = 0;
const started = Date.now();
for (const [name, scenario] of Object.entries(scenarios)) {
  if (options.only && options.only !== name) continue;
  const t0 = Date.now();
  let server;
  let page;
  let failure = null;
  try {
    server = await startServer(options.vorn);
    page = await openPage(browser.context, server.url);
    await scenario(page, server, options.artifacts);
  } catch (error) {
    failure = error.message;
  }
  await page?.screenshot({ path: path.join(options.artifacts, `${name}.png`), timeout: 10000 }).catch(() => {});
  await page?.close();
  // vorn must also have lived through the scenario and stopped cleanly on Ctrl+C.
  const end = await server?.stop();
  if (end !== 0) failure = `vorn serve ended with ${end}${failure ? `; ${failure}` : ''}`;
  if (failure) {
    failures += 1;
    console.log(`FAIL ${name}: ${failure}`);
    if (server) console.log(server.stderr());
  } else {
    console.log(`ok   ${name} (${Date.now() - t0} ms)`);
  }
}
await browser.close();
console.log(`${failures ? `${failures} failed` : 'all passed'} in ${((Date.now() - started) / 1000).toFixed(1)} s`);
process.exit(failures ? 1 : 0);
