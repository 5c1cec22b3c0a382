// Pointing at the figure in the browser build (SITE_DIR), in each engine that
// ENGINE... names (the driver's, engines.mjs), through real pointer and key
// input. Where the test points is worked out here from the program's own
// transforms of the frame drawn (the camera's view, and the modelview
// operations the figure code made, multiplied out by the test), not from the
// page's pick: a click at the projected middle of the hind right shin names
// it; a drag of it towards the figure's front raises walk keyframe 0, hind
// right, shin above its 70 degrees and leaves every other cell as it was; ]
// turns it one degree more and reaches not the program; in the second
// half-cycle the same drag changes the partner's (hind left) cell. In Chromium,
// at 390 x 844 with touch: a tap selects the shin and the thumb control's +
// turns it, with no sideways scroll. --screenshot DIR saves DIR/web-pick.png.
import puppeteer from 'puppeteer-core';
import { engineNames, launchEngine } from './engines.mjs';
import { chromiumOptions, serve } from './lib.mjs';

const args = process.argv.slice(2);
const shotDir = args.includes('--screenshot') ? args.splice(args.indexOf('--screenshot'), 2)[1] : null;
const [siteDir, ...wanted] = args;
if (!wanted.length) throw new Error('usage: node pointing_test.mjs SITE_DIR ENGINE... [--screenshot DIR]');
const site = await serve(siteDir);
const lines = {};
let failed = 0;
const checker = (engine) => (name, ok, detail = '') => {
  failed += !ok;
  (lines[engine] ??= []).push(`${ok ? 'ok  ' : 'FAIL'} ${engine}: ${name}${detail ? `: ${detail}` : ''}`);
};
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// In the page: the canvas pixel of the middle of a leg's segment (halfway from
// its joint to the next one) and a point `reach` further along the figure's
// front (+x), each joint placed by the camera's view times the figure code's
// operations up to the segment's mark, as the test multiplies them out.
function aimAt(segment, below, reach) {
  const read = (name, ...args) => JSON.parse(Module.UTF8ToString(Module[`_${name}`](...args)));
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
    const record = read('quadrupedPart', parts.findIndex((part) => part?.name === name));
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
// From a to b in steps, canvas pixels.
const path = ([a, b], steps = 8) => Array.from({ length: steps + 1 }, (_, i) => a.map((v, k) => v + ((b[k] - v) * i) / steps));
const tables = (page) => page.evaluate(() => JSON.parse(Module.UTF8ToString(Module._quadrupedTables())));
// The cells that differ between two readings of the tables, as "gait keyframe leg joint".
const changed = (before, after) => Object.keys(before).flatMap((gait) => before[gait].flatMap((rows, k) =>
  rows.flatMap((row, leg) => row.map((v, joint) => (v !== after[gait][k][leg][joint] ? `${gait} ${k} ${leg} ${joint}` : null)))))
  .filter(Boolean);
const words = (page) => page.evaluate(() => document.getElementById('pointed').textContent);
const ready = (page) => page.evaluate(() => firstFrame.then(() => new Promise((resolve) => {
  const poll = () => (document.getElementById('pointed') && !/Loading/.test(document.getElementById('status').textContent) ? resolve() : setTimeout(poll, 50));
  poll();
})));

async function drive(name) {
  const check = checker(name);
  const engine = await launchEngine(name);
  const page = await engine.open(site.url);
  await ready(page);
  const aim = await page.evaluate(aimAt, 'hind right shin', 'hind right paw', 0.12);
  await page.pointer([aim[0]]);
  const named = await words(page);
  check('a click at the projected middle of the hind right shin names it', named.startsWith('hind right shin, turned by the shin joint: 70.0°'), named);
  // The mark: tinted over the shin, clear elsewhere, so that the program's picture shows through.
  const marks = await page.evaluate(([[x, y]]) => {
    const overlay = document.getElementById('marks'), context = overlay.getContext('2d');
    return [context.getImageData(Math.round(x), Math.round(y), 1, 1).data[3], context.getImageData(5, 5, 1, 1).data[3], getComputedStyle(overlay).backgroundColor];
  }, aim);
  check('the shin is marked over the picture, which shows through elsewhere', marks[0] > 0 && marks[1] === 0 && marks[2] === 'rgba(0, 0, 0, 0)', marks.join(', '));

  const before = await tables(page);
  await page.pointer(path(aim));
  await sleep(100);
  const after = await tables(page);
  check('a drag of it towards the front raises walk keyframe 0, hind right, shin above 70, and nothing else',
    after.walk[0][0][2] > 70 && changed(before, after).join() === 'walk 0 0 2', `${after.walk[0][0][2]}; changed ${changed(before, after)}`);
  const hash = await page.evaluate(() => location.hash);
  await page.press(']');
  await sleep(100);
  const turned = await tables(page);
  const keysAfter = await page.evaluate(() => location.hash);
  check('] turns the selected joint one degree more, and is no key of the program\'s',
    Math.abs(turned.walk[0][0][2] - after.walk[0][0][2] - 1) < 1e-4 && !/keys=/.test(keysAfter) && !/keys=/.test(hash), `${turned.walk[0][0][2]}; ${keysAfter}`);

  // The second half-cycle: keyframe 3 mirrors keyframe 0 with the pairs swapped.
  await page.evaluate(() => document.getElementById('canvas').focus());
  const walk = await page.evaluate(() => JSON.parse(Module.UTF8ToString(Module._quadrupedModel())).gaits[0]);
  await page.press(...'b'.repeat((3 * walk.steps) / walk.cycle));
  const reached = (await page.evaluate(() => waitFrame('state.keyframe === 3 && state.substep === 0'))).state;
  const mirrored = await page.evaluate(aimAt, 'hind right shin', 'hind right paw', 0.12);
  const second = await tables(page);
  await page.pointer(path(mirrored));
  await sleep(100);
  const third = await tables(page);
  const said = await words(page);
  check('in the second half-cycle the same drag changes the partner\'s cell, walk keyframe 0, hind left, shin',
    changed(second, third).join() === 'walk 0 1 2' && third.walk[0][1][2] > second.walk[0][1][2] && /hind left, shin \(keyframe 3 mirrors it\)/.test(said),
    `at ${reached?.keyframe}.${reached?.substep}, changed ${changed(second, third)}; ${said}`);
  const problems = await page.problems();
  check('no page error or console error', problems.length === 0, problems.join('; '));
  await page.close();
  await engine.close();
}

// 390 x 844 with touch, through Chromium's device emulation (the driver's
// pages have none): a tap names the shin, the thumb control's + turns it.
async function phone() {
  const check = checker('chromium-phone');
  const browser = await puppeteer.launch(chromiumOptions([]));
  const page = await browser.newPage();
  await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  await page.goto(site.url);
  await page.waitForFunction(() => window.Module?.calledRun && document.getElementById('pointed'), { timeout: 30000 });
  await sleep(300);
  const [[x, y]] = await page.evaluate(aimAt, 'hind right shin', 'hind right paw', 0.12);
  const box = await page.evaluate(() => { const b = document.getElementById('canvas').getBoundingClientRect(); return [b.left, b.top, b.width / 640]; });
  await page.touchscreen.tap(box[0] + (x + 0.5) * box[2], box[1] + (y + 0.5) * box[2]);
  await sleep(200);
  const named = await page.evaluate(() => document.getElementById('pointed').textContent);
  check('a tap names the hind right shin', named.startsWith('hind right shin'), named);
  const plus = await page.evaluate(() => {
    const b = document.getElementById('thumb-up').getBoundingClientRect();
    return !document.getElementById('thumb').hidden && [b.left + b.width / 2, b.top + b.height / 2, b.width, b.right];
  });
  check('the thumb control shows, its + within the width and at least 44 px wide', plus && plus[3] <= 390 && plus[2] >= 44, JSON.stringify(plus));
  if (plus) {
    await page.evaluate(() => document.getElementById('thumb-up').scrollIntoView({ block: 'center' }));
    const [px, py] = await page.evaluate(() => { const b = document.getElementById('thumb-up').getBoundingClientRect(); return [b.left + b.width / 2, b.top + b.height / 2]; });
    const before = (await tables(page)).walk[0][0][2];
    await page.touchscreen.tap(px, py);
    await sleep(200);
    const after = (await tables(page)).walk[0][0][2];
    check('a tap on + turns walk keyframe 0, hind right, shin one degree', Math.abs(after - before - 1) < 1e-4, `${before} -> ${after}`);
  }
  const wide = await page.evaluate(() => [document.documentElement.scrollWidth, innerWidth]);
  check('no sideways scroll', wide[0] <= wide[1], `page ${wide[0]} px wide in ${wide[1]}`);
  await browser.close();
}

// The picture for the docs: the shin dragged, the program's section with its chain open.
async function picture() {
  const browser = await puppeteer.launch(chromiumOptions([]));
  const page = await browser.newPage();
  await page.setViewport({ width: 1200, height: 1000 });
  await page.goto(site.url);
  await page.waitForFunction(() => window.Module?.calledRun && document.getElementById('pointed'), { timeout: 30000 });
  await sleep(300);
  const aim = await page.evaluate(aimAt, 'hind right shin', 'hind right paw', 0.12);
  const points = await page.evaluate((points) => {
    const canvas = document.getElementById('canvas'), box = canvas.getBoundingClientRect();
    return points.map(([x, y]) => [box.left + ((x + 0.5) * box.width) / canvas.width, box.top + ((y + 0.5) * box.height) / canvas.height]);
  }, path(aim));
  await page.mouse.move(...points[0]);
  await page.mouse.down();
  for (const point of points.slice(1)) await page.mouse.move(...point);
  await page.mouse.up();
  await page.evaluate(() => document.getElementById('chain-box').setAttribute('open', ''));
  await sleep(300);
  const clip = await page.evaluate(() => { const b = document.querySelector('.program').getBoundingClientRect(); return { x: b.x, y: b.y, width: b.width, height: b.height }; });
  await page.screenshot({ path: `${shotDir}/web-pick.png`, clip });
  await browser.close();
}

const unknown = engineNames.filter((name) => !wanted.includes(name));
checker('all')('the run covers every engine the driver drives', unknown.length === 0, unknown.length ? `left out: ${unknown}` : wanted.join(', '));
await Promise.all([...wanted.map((name) => drive(name).catch((error) => checker(name)('driven to the end', false, error.stack))),
  ...(wanted.includes('chromium') ? [phone().catch((error) => checker('chromium-phone')('driven to the end', false, error.stack))] : [])]);
if (shotDir) await picture();
site.close();
console.log(['all', ...wanted, 'chromium-phone'].flatMap((name) => lines[name] ?? []).join('\n'));
console.log(failed ? `${failed} failed` : 'all passed');
process.exit(failed ? 1 : 0);
