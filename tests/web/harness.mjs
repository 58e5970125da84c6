// Starting vorn serve and a headless chromium for the browser tests, and small helpers on pages.

import { spawn } from 'node:child_process';
import { randomBytes } from 'node:crypto';
import { mkdtempSync, rmSync } from 'node:fs';
import http from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import path from 'node:path';

// playwright-core is a development dependency of the page's package.
const require = createRequire(new URL('../../host/vorn/web/package.json', import.meta.url));
const { chromium } = require('playwright-core');

export async function launchBrowser() {
  const profile = mkdtempSync(path.join(tmpdir(), 'vorn-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1280, height: 800 },
    args: [
      '--headless',
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
      '--use-angle=swiftshader',
      '--enable-unsafe-swiftshader',
    ],
  });
  return {
    context,
    async close() {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Runs `vorn serve --port 0` in a fresh root folder; resolves once it prints the address.
export function startServer(vorn) {
  const root = mkdtempSync(path.join(tmpdir(), 'vorn-serve-root-'));
  const child = spawn(vorn, ['serve', '--port', '0', '--root', root], { stdio: ['ignore', 'pipe', 'pipe'] });
  let stderr = '';
  child.stderr.on('data', (d) => (stderr += d));
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve(signal ?? code)));
  const url = new Promise((resolve, reject) => {
    let stdout = '';
    child.stdout.on('data', (d) => {
      stdout += d;
      const found = stdout.match(/http:\/\/[^\s/]+/);
      if (found) resolve(found[0]);
    });
    child.on('exit', (code) => reject(new Error(`vorn serve exited (${code}) before printing its address:\n${stderr}`)));
    setTimeout(() => reject(new Error('vorn serve printed no address within 15 s')), 15000);
  });
  return url.then((address) => ({
    url: address,
    root,
    stderr: () => stderr,
    // Resolves with how vorn ended: 0 after a clean stop, else its exit code or signal.
    async stop() {
      const running = child.exitCode === null && child.signalCode === null;
      if (running) child.kill('SIGINT');
      const timer = setTimeout(() => child.kill('SIGKILL'), 5000);
      const end = await exited;
      clearTimeout(timer);
      rmSync(root, { recursive: true, force: true });
      return running ? end : `${end} before the end of the scenario`;
    },
  }));
}

// A WebSocket upgrade request on /ws with the given Origin header: resolves with the HTTP status
// (101 when the upgrade was accepted) or 'closed' when the server dropped the connection.
export function upgradeStatus(address, origin) {
  const { hostname, port } = new URL(address);
  return new Promise((resolve) => {
    const request = http.request({
      hostname,
      port,
      path: '/ws',
      headers: {
        Connection: 'Upgrade',
        Upgrade: 'websocket',
        'Sec-WebSocket-Version': '13',
        'Sec-WebSocket-Key': randomBytes(16).toString('base64'),
        Origin: origin,
      },
    });
    request.on('upgrade', (response, socket) => {
      socket.destroy();
      resolve(response.statusCode);
    });
    request.on('response', (response) => {
      response.resume();
      resolve(response.statusCode);
    });
    request.on('error', () => resolve('closed'));
    request.setTimeout(5000, () => {
      request.destroy();
      resolve('timeout');
    });
    request.end();
  });
}

// Opens the page and waits until it has said hello.
export async function openPage(context, url) {
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  page.on('console', (m) => m.type() === 'error' && problems.push(m.text()));
  await page.goto(url);
  await page.evaluate(() => window.vorn.ready);
  page.problems = problems;
  return page;
}

// Waits until fn (run in the page with arg) is truthy; the message says what was awaited.
export async function until(page, what, fn, arg, timeout = 10000) {
  try {
    await page.waitForFunction(fn, arg, { timeout, polling: 20 });
  } catch (error) {
    throw new Error(`waiting for ${what}: ${error.message.split('\n')[0]}`);
  }
}

export function check(condition, message) {
  if (!condition) throw new Error(message);
}

// The page's pixel of a world point on the view, in page coordinates.
export async function pagePoint(page, world) {
  return page.evaluate((p) => {
    const [x, y] = window.vorn.camera.project(p);
    const r = document.querySelector('#view').getBoundingClientRect();
    return { x: r.left + x, y: r.top + y, viewX: x, viewY: y };
  }, world);
}

// The centres of an item's polygons in world coordinates, nearest the eye first: points the
// pointer can be put on to hover or click the item.
export async function polygonCentres(page, name) {
  return page.evaluate((item) => {
    const f = window.vorn.frameOf(item);
    const cam = window.vorn.camera;
    const centres = [];
    for (let p = 0; p < f.polygons; ++p) {
      const corners = f.corners(p);
      if (corners.length === 0) continue;
      const c = [0, 0, 0];
      for (const k of corners) {
        for (let a = 0; a < 3; ++a) c[a] += f.positions[3 * k + a] / corners.length;
      }
      centres.push({ at: c, depth: cam.project(c)[2] });
    }
    return centres.sort((a, b) => a.depth - b.depth).map((c) => c.at);
  }, name);
}

export async function nearestPolygonCentre(page, name) {
  return (await polygonCentres(page, name))[0];
}

// Counts of flagged elements in the geometry the page holds for an item.
export async function flagCounts(page, name) {
  return page.evaluate((item) => {
    const f = window.vorn.frameOf(item);
    const count = (flags, bit) => flags.reduce((n, v) => n + ((v & bit) ? 1 : 0), 0);
    return {
      polygons: f.livePolygons,
      hardEdges: count(f.edgeFlags, 1),
      selectedEdges: count(f.edgeFlags, 2),
      selectedPoints: f.selectedPoints.length,
      selectedPolygons: f.selectedPolygons.length,
    };
  }, name);
}

// Everything the page holds of an item, as text: live points and polygons by slot, the selection,
// the flagged edges and the drawn triangles (in any order; degenerate ones draw nothing). Two pages that show the same item
// give the same text, however their frames brought it.
export async function heldGeometry(page, name) {
  return page.evaluate((item) => {
    const g = window.vorn.frameOf(item);
    const t = window.vorn.trianglesOf(item);
    const points = [];
    for (let p = 0; p < g.points; ++p) if (!(g.pointFlags[p] & 1)) points.push(`${p}:${g.positions.subarray(3 * p, 3 * p + 3)}`);
    const polygons = [];
    for (let f = 0; f < g.polygons; ++f) if (g.count[f]) polygons.push(`${f}:${g.corners(f)}`);
    const triangles = [];
    for (let i = 0; i < t.used; i += 3) {
      const [a, b, c] = t.indices.subarray(i, i + 3);
      if (a !== b || b !== c) triangles.push(`${a},${b},${c}`);
    }
    const sorted = (list) => [...list].sort((a, b) => a - b).join(',');
    const edges = [...g.edgeFlags].map((flags, e) => `${g.edgePoints[2 * e]}-${g.edgePoints[2 * e + 1]}:${flags}`);
    return JSON.stringify({
      points,
      polygons,
      selected: [sorted(g.selectedPoints), sorted(g.selectedPolygons)],
      edges,
      triangles: triangles.sort(),
    });
  }, name);
}
