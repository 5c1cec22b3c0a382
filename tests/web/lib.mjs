// What the web tests and bench/web_measure.mjs share: the page folder served on 127.0.0.1, Debian's headless
// Chromium's options, the frame hook, the desktop frames the page's are held against, where on the canvas a
// leg's segment is drawn, random links and the report of checks.
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join } from 'node:path';
import puppeteer from 'puppeteer-core';

// Serves dir at a free port (.wasm as instantiateStreaming asks for); resolves to { url, close }.
const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8', '.json': 'application/json', '.wasm': 'application/wasm' };
export async function serve(dir) {
  const server = createServer((request, response) => {
    // The URL parser has already taken out any "..".
    const path = new URL(request.url, 'http://x').pathname.replace(/\/$/, '/index.html');
    readFile(join(dir, path)).then(
      (body) => response.writeHead(200, { 'Content-Type': types[extname(path)] }).end(body),
      () => response.writeHead(404).end(),
    );
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

// WebGL drawn by SwiftShader, on the CPU; nothing reaches out to the network; extra: more switches.
export const chromiumOptions = (extra = []) => ({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium-headless-shell',
  headless: 'shell',
  args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
         '--disable-background-networking', '--disable-component-update', '--no-first-run', ...extra],
});
export const launch = (extra = []) => puppeteer.launch(chromiumOptions(extra));

// Runs in the page before its scripts (or just after its load). waitFrame(condition) resolves with the next
// frame whose state meets condition (an expression of `state`): that state and the pixels read in the frame
// hook (RGBA, rows bottom-up, base64); or after 10 s (ms; 0: no limit) with the state alone. `drawn` counts frames.
export function hookFrames() {
  const waiting = new Set();
  const stateNow = () => JSON.parse(Module.UTF8ToString(Module._quadrupedState()));
  window.drawn = 0;
  window.waitFrame = (condition, ms = 10000) => new Promise((resolve) => {
    const waiter = { wanted: new Function('state', `return ${condition};`), resolve };
    waiting.add(waiter);
    if (ms) setTimeout(() => waiting.delete(waiter) && resolve({ state: window.Module?.calledRun && stateNow() }), ms);
  });
  window.firstFrame = waitFrame('true');
  addEventListener('frame', () => {
    drawn++;
    const state = stateNow();
    for (const waiter of [...waiting].filter((waiter) => waiter.wanted(state))) {
      waiting.delete(waiter);
      const { width, height } = Module.canvas;
      const pixels = new Uint8Array(width * height * 4);
      Module.ctx.readPixels(0, 0, width, height, Module.ctx.RGBA, Module.ctx.UNSIGNED_BYTE, pixels);
      waiter.resolve({ state, width, height, pixels: btoa(Array.from(pixels, (b) => String.fromCharCode(b)).join('')) });
    }
  }, true);
}

// Pass when 99 % of the canvas's pixels are within 8/255 in every channel of the desktop frame (render_frames,
// in toolsDir; frames to workDir) of its state and edit, both 640 x 360, and so do 90 % of those in which the
// desktop's frames with edit and with unlike (no edit, by default) differ, which may be fewer than 1 %.
export const desktopHolder = (check, toolsDir, workDir) => (name, frame, edit = '', unlike = edit ? '' : null) => {
  if (!frame) return;
  const { state, width, height, pixels } = frame;
  const fields = Object.entries(state).filter(([field]) => field !== 'aspect').map((entry) => entry.join('='));
  const header = `P6\n${width} ${height}\n255\n`;
  const desktop = (withEdit, path = join(workDir, `${name}-desktop${withEdit === edit ? '' : '-unlike'}.ppm`)) => {
    execFileSync(join(toolsDir, 'render_frames'), ['state', path, `edit=${withEdit}`, ...fields], { stdio: ['ignore', 'ignore', 'inherit'] });
    return readFileSync(path);
  };
  const [wanted, other] = [desktop(edit), unlike === null ? null : desktop(unlike)];
  // The largest channel difference between the pixels at a[i] and b[j].
  const apart = (a, i, b, j) => Math.max(...[0, 1, 2].map((c) => Math.abs(a[i + c] - b[j + c])));
  const rgb = Buffer.alloc(width * height * 3); // the canvas's, rows top-down
  let [within, worst, moved, kept] = [0, 0, 0, 0];
  for (let p = 0; p < width * height; p++) {
    const [from, at] = [((height - 1 - Math.floor(p / width)) * width + (p % width)) * 4, header.length + p * 3];
    rgb.set(pixels.subarray(from, from + 3), p * 3);
    const off = apart(pixels, from, wanted, at);
    within += off <= 8;
    worst = Math.max(worst, off);
    const edited = other !== null && apart(wanted, at, other, at) > 8;
    [moved, kept] = [moved + edited, kept + (edited && off <= 8)];
  }
  const share = within / (width * height);
  const ok = width === 640 && height === 360 && wanted.toString('latin1', 0, header.length) === header && share >= 0.99 &&
    (!other || (moved > 0 && kept >= 0.9 * moved));
  check(`${name}: pixels within 8/255 of the desktop frame${other ? ', also where the edits move it' : ''}`, ok,
        `${(100 * share).toFixed(2)} % of ${width} x ${height}, worst channel difference ${worst}${other ? `; ${kept} of ${moved} the edits move` : ''}`);
  if (!ok) writeFileSync(join(workDir, `${name}-browser.ppm`), Buffer.concat([Buffer.from(header), rgb]));
};

// A seeded random source (QUADRUPED_SEED, or the time): random(n) is a whole number from 0 to n - 1 (mulberry32).
export function seeded(seed = Number(process.env.QUADRUPED_SEED ?? Date.now() % 1e9)) {
  let state = seed;
  const random = (n) => {
    state = (state + 0x6d2b79f5) | 0;
    let t = Math.imul(state ^ (state >>> 15), 1 | state);
    t ^= t + Math.imul(t ^ (t >>> 7), 61 | t);
    return ((t ^ (t >>> 14)) >>> 0) % n;
  };
  return { seed, random };
}

// length keys of names in runs of one key, mostly short, some long.
export function randomKeys(random, names, length) {
  const keys = [];
  while (keys.length < length) {
    const name = names.filter((other) => other !== keys.at(-1))[random(names.length - 1)];
    keys.push(...Array(Math.min(length - keys.length, 1 + random(random(4) ? 3 : 300))).fill(name));
  }
  return keys;
}

// keys as the page writes them in a link: "keys=" and runs of one key joined by "_", each a count (but 1) and the key.
export const linkText = (keys) => `keys=${keys.reduce((runs, key) => (runs.at(-1)?.[0] === key ? runs.at(-1)[1]++ : runs.push([key, 1]), runs), [])
  .map(([key, count]) => `${count > 1 ? count : ''}${key}`).join('_')}`;

// Checks, each printed as it is made (who: its engine, or none); finish() ends the run with the count of failures.
export function reporter() {
  let failed = 0;
  const checker = (who) => (name, ok, detail = '') => {
    failed += !ok;
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${who ? `${who}: ` : ''}${name}${detail ? `: ${detail}` : ''}`);
  };
  const finish = () => (console.log(failed ? `${failed} failed` : 'all passed'), process.exit(failed ? 1 : 0));
  return { checker, finish };
}
// pose_csv's (tool's) rows of a gait with edits: { step: …, keyframe: …, 'hind right upper': …, … }.
export const poseCsv = (tool, gait, edit = '') => execFileSync(tool, [gait, edit], { encoding: 'utf8' })
  .trim().split('\n').map((row, _, [head]) => Object.fromEntries(row.split(',').map((value, i) => [head.split(',')[i], value]))).slice(1);
export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
export const scene = ({ tailAngle, tailSwingUp, ...rest }) => JSON.stringify(rest); // all but the tail, which its timer moves
// The program's stored tables, [gait][keyframe][leg][joint], as page.evaluate reads them.
export const readTables = () => JSON.parse(Module.UTF8ToString(Module._quadrupedTables()));

// In the page, from the program's transforms of the frame drawn, not from the page's pick: the canvas pixel of
// the middle of a leg's segment (halfway from its joint to the next) and a point `reach` further along the
// figure's front (+x); each joint placed by the camera's view times the figure's operations up to the segment's mark.
export function aimAt(segment, below, reach) {
  const { parts } = JSON.parse(Module.UTF8ToString(Module._quadrupedModel()));
  const product = (a, b) => a.map((_, i) => [0, 1, 2, 3].reduce((sum, k) => sum + a[k * 4 + (i % 4)] * b[(i >> 2) * 4 + k], 0));
  const matrix = ([kind, ...v]) => {
    if (kind === 'translate') return [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, v[0], v[1], v[2], 1];
    if (kind === 'scale') return [v[0], 0, 0, 0, 0, v[1], 0, 0, 0, 0, v[2], 0, 0, 0, 0, 1];
    const [degrees, x, y, z] = v, r = (degrees * Math.PI) / 180, c = Math.cos(r), s = Math.sin(r), t = 1 - c;
    return [t * x * x + c, t * x * y + s * z, t * x * z - s * y, 0, t * x * y - s * z, t * y * y + c, t * y * z + s * x, 0,
      t * x * z + s * y, t * y * z - s * x, t * z * z + c, 0, 0, 0, 0, 1];
  };
  const placed = (name, count) => {
    const record = JSON.parse(Module.UTF8ToString(Module._quadrupedPart(parts.findIndex((part) => part?.name === name))));
    return { record, m: record.chain.slice(1, count ?? record.own).map(matrix).reduce(product, record.view) };
  };
  const top = placed(segment), bottom = placed(below), figure = placed(segment, 3); // the view, place, heading
  const middle = [12, 13, 14].map((i) => (top.m[i] + bottom.m[i]) / 2);
  const { projection, viewport: [vx, vy, width, height] } = top.record;
  const pixel = (eye) => {
    const clip = [0, 1, 2, 3].map((r) => projection[r] * eye[0] + projection[4 + r] * eye[1] + projection[8 + r] * eye[2] + projection[12 + r]);
    return [vx + ((clip[0] / clip[3] + 1) / 2) * width, vy + height - ((clip[1] / clip[3] + 1) / 2) * height];
  };
  return [pixel(middle), pixel(middle.map((v, i) => v + reach * figure.m[i]))];
}
// The hind right shin's aim, and the drag from it towards the figure's front, in steps.
export const shin = ['hind right shin', 'hind right paw', 0.12];
export const dragPath = ([a, b], steps = 8) => Array.from({ length: steps + 1 }, (_, i) => a.map((v, k) => v + ((b[k] - v) * i) / steps));
// Where the page cannot go on (name): the status line comes to say words within 15 s, each control
// that needs the program is off, and the page has no problem but those that ignored matches.
export async function cannotGoOn(check, page, name, words, ignored) {
  const [said, off, status] = await page.evaluate((words) => new Promise((resolve) => {
    const poll = (tries) => ((text) => (text !== words && tries ? setTimeout(poll, 100, tries - 1) : resolve([text === words,
      [...document.querySelectorAll('#pad :is(button, input), #editor :is(button, input, select)')].map((control) => control.disabled), text])))(
      document.getElementById('status').textContent);
    poll(150);
  }), words);
  const problems = (await page.problems()).filter((problem) => !ignored.test(problem));
  check(`${name}: the status line says so, the controls are off, nothing throws`, said && off.length > 12 && off.every(Boolean) && !problems.length,
    `${status} ${off.filter(Boolean).length} of ${off.length} off ${problems}`);
}
