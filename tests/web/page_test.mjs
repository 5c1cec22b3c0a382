// The browser build (SITE_DIR: build-web/web) in headless Chromium, driven by
// real key presses, by taps at phone sizes and by links; the canvas is held
// against the desktop frame of the same state and the pose tables against
// pose_csv (TOOLS_DIR holds both tools; render_frames needs an X display;
// pictures go to WORK_DIR). --screenshot DIR saves DIR/web.png and DIR/web-phone.png.
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { launch, serve } from './lib.mjs';

const [siteDir, toolsDir, workDir, flag, shotDir] = process.argv.slice(2);
if (!workDir || (flag && (flag !== '--screenshot' || !shotDir)))
  throw new Error('usage: node page_test.mjs SITE_DIR TOOLS_DIR WORK_DIR [--screenshot DIR]');
let failed = 0;
function check(name, ok, detail = '') { failed += !ok; console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${detail ? `: ${detail}` : ''}`); }

// Runs in the page before its scripts. waitFrame(condition) resolves with the
// next frame whose state meets condition (an expression of `state`): that state
// and the pixels read in the frame hook (RGBA, rows bottom-up, base64); or after
// 10 s with the state then alone. `drawn` counts the frames.
function hookFrames() {
  const waiting = new Set();
  const stateNow = () => JSON.parse(Module.UTF8ToString(Module._quadrupedState()));
  window.drawn = 0;
  window.waitFrame = (condition) => new Promise((resolve) => {
    const waiter = { wanted: new Function('state', `return ${condition};`), resolve };
    waiting.add(waiter);
    setTimeout(() => waiting.delete(waiter) && resolve({ state: window.Module?._quadrupedState && stateNow() }), 10000);
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

// Pass when 99 % of the canvas's pixels are within 8/255 in every channel of
// the desktop frame of its state, both 640 x 360 (render_frames' size: no aspect).
function holdAgainstDesktop(name, frame) {
  if (!frame) return;
  const { state, width, height, pixels } = frame;
  const desktopPath = join(workDir, `${name}-desktop.ppm`);
  const fields = Object.entries(state).filter(([field]) => field !== 'aspect').map((entry) => entry.join('='));
  execFileSync(join(toolsDir, 'render_frames'), ['state', desktopPath, ...fields], { stdio: ['ignore', 'ignore', 'inherit'] });
  const desktop = readFileSync(desktopPath);
  const header = `P6\n${width} ${height}\n255\n`;
  const rgb = Buffer.alloc(width * height * 3); // the canvas's, rows top-down
  let [within, worst] = [0, 0];
  for (let p = 0; p < width * height; p++) {
    const from = ((height - 1 - Math.floor(p / width)) * width + (p % width)) * 4;
    rgb.set(pixels.subarray(from, from + 3), p * 3);
    const gap = Math.max(...[0, 1, 2].map((c) => Math.abs(pixels[from + c] - desktop[header.length + p * 3 + c])));
    within += gap <= 8;
    worst = Math.max(worst, gap);
  }
  const share = within / (width * height);
  const ok = width === 640 && height === 360 && desktop.toString('latin1', 0, header.length) === header && share >= 0.99;
  check(`${name}: pixels within 8/255 of the desktop frame`, ok,
        `${(100 * share).toFixed(2)} % of ${width} x ${height}, worst channel difference ${worst}`);
  if (!ok) writeFileSync(join(workDir, `${name}-browser.ppm`), Buffer.concat([Buffer.from(header), rgb]));
}

// pose_csv's rows of each gait: { 'step': …, 'keyframe': …, 'hind right upper': …, … }.
const poseCsv = Object.fromEntries(['walk', 'run'].map((gait) => [gait, execFileSync(join(toolsDir, 'pose_csv'), [gait], { encoding: 'utf8' })
  .trim().split('\n').map((row, _, [head]) => Object.fromEntries(row.split(',').map((value, i) => [head.split(',')[i], value])))]));
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const scene = ({ tailAngle, tailSwingUp, ...rest }) => JSON.stringify(rest); // all but the tail, which its timer moves

mkdirSync(workDir, { recursive: true });
const site = await serve(siteDir);
const browser = await launch();
const [problems, letThrough] = [[], []];
// A page at a size (mobile: a touch screen), with the frame hook and a count of the keys that reach the program.
async function open(viewport, fragment = '') {
  const page = await browser.newPage();
  await page.emulate({ viewport: { deviceScaleFactor: 1, ...viewport }, userAgent: await browser.userAgent() });
  page.on('console', (message) => message.type() === 'error' && problems.push(message.text())).on('pageerror', (error) => problems.push(error.message));
  // The keys whose browser action the page let happen (an exposed function outlives a reload, such as F5's).
  await page.exposeFunction('letThrough', (key) => letThrough.push(key));
  await page.evaluateOnNewDocument(`(${hookFrames})(); window.steps = 0;
    addEventListener('keydown', (event) => { steps += event.key === 'b'; event.defaultPrevented || letThrough(event.key); });`);
  // The first frame (no condition) or the next one whose state meets condition.
  page.reach = async (name, condition) => {
    const frame = await page.evaluate((condition) => (condition ? waitFrame(condition) : firstFrame), condition);
    check(name, frame.pixels, frame.pixels ? '' : `none within 10 s; the state: ${JSON.stringify(frame.state)}`);
    return frame.pixels && { ...frame, pixels: Buffer.from(frame.pixels, 'base64') };
  };
  page.steps = () => page.evaluate(() => steps);
  await page.goto(`${site.url}?${Math.random()}${fragment}`);
  return page;
}
// axe-core, injected into the page, finds no violation.
const axePath = createRequire(import.meta.url).resolve('axe-core');
async function axe(page, name) {
  await page.addScriptTag({ path: axePath });
  const found = await page.evaluate(async () => (await axe.run()).violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target)}`));
  check(`axe-core: no violation, ${name}`, found.length === 0, found.join('; '));
}
// In a state at sub-step 0: the pose table is pose_csv's row of the same gait, keyframe
// and sub-step; the blend names the keyframe and the next, which are marked; the one
// marked "now", read through the swap of each pair's legs where the page says so, holds that very pose.
async function checkPose(page, name, { gait, keyframe, substep }) {
  const [[[, ...joints], ...pose], tables, blend, mirror] = await page.evaluate(() => {
    const rows = (table) => [...table.rows].map((row) => [...row.cells].map((cell) => cell.textContent));
    return [rows(document.getElementById('pose-now')), [...document.querySelectorAll('#keyframes table')].map((table) =>
      [table.dataset.mark, table.caption.textContent, rows(table).slice(1)]), blend.textContent, !mirror.hidden];
  });
  const csv = poseCsv[gait].find((row) => +row.keyframe === keyframe && +row.substep === substep) ?? {};
  const wanted = pose.map(([leg]) => [leg, ...joints.map((joint) => csv[`${leg} ${joint.toLowerCase()}`] ?? '–')
    .map((angle) => (angle === '–' ? angle : (+angle).toFixed(1)))]);
  check(`${name}: the pose table is pose_csv's`, JSON.stringify(pose) === JSON.stringify(wanted), JSON.stringify(pose));
  const [half, next, swapped] = [gait === 'walk' ? 3 : 2, (keyframe + 1) % (gait === 'walk' ? 6 : 4), keyframe >= (gait === 'walk' ? 3 : 2)];
  const [mark, caption, rows] = tables[keyframe % half];
  const drawn = rows.map(([leg, ...angles]) => [swapped ? leg.replace(/right|left/, (side) => (side === 'right' ? 'left' : 'right')) : leg, ...angles]);
  check(`${name}: keyframes ${keyframe} and ${next} marked, the blend, the swap`, mark === 'now' && tables[next % half][0] === 'next' &&
    caption.includes('swapped') === swapped && mirror === swapped && JSON.stringify(drawn.sort()) === JSON.stringify([...pose].sort()) &&
    blend === `Blending keyframe ${keyframe} into keyframe ${next}: ${(substep / 10).toFixed(1)} of the way (sub-step ${substep} / 10).`,
    `${tables.map(([mark]) => mark)} ${blend} ${caption}`);
}

try {
  const page = await open({ width: 1200, height: 800 });
  const press = async (...keys) => { for (const key of keys) await page.keyboard.press(key); };
  const first = await page.reach('the program draws its first frame');
  holdAgainstDesktop('1-first-frame', first);
  await checkPose(page, 'first frame', first.state);

  const [title, focused, keys] = await page.evaluate(() => [document.title, document.activeElement.id,
    [...document.querySelectorAll('#keys tbody th')].map((th) => th.textContent)]);
  check('page title', title === 'Trabalho de computação gráfica', title);
  check('the canvas has the keyboard focus', focused === 'canvas', focused);
  const keysJson = JSON.parse(readFileSync(join(siteDir, 'keys.json'), 'utf8')).keys;
  check('the keys table is keys.json\'s', keys.join() === keysJson.map((row) => row.key).join(), keys.join(' '));
  await axe(page, 'desktop, running');

  await press(...'b'.repeat(12));
  await checkPose(page, '12 b', (await page.reach('12 b', 'state.keyframe === 2')).state);
  await press('F1', ...'b'.repeat(5));
  await checkPose(page, '12 b, F1, 5 b', (await page.reach('F1, 5 b', 'state.gait === "run" && state.keyframe === 3')).state);
  await press(...'b'.repeat(5), ...',,,');
  const pressed = await page.reach('b, F1, b and , reached the program', `state.gait === 'run' && ` +
    `state.heading === 15 && Math.abs(state.figureX - ${12 * 0.03 + 10 * 0.12}) < 1e-4`);
  holdAgainstDesktop('2-run-turned', pressed);
  const link = await sleep(300).then(() => page.evaluate(() => location.hash));
  check('the link records the keys received', link === '#keys=12b_F1_10b_3,', link);
  if (shotDir) await page.screenshot({ path: join(shotDir, 'web.png'), fullPage: true });

  await press('F7');
  holdAgainstDesktop('3-lighting-off', await page.reach('F7: lighting off', 'state.lighting === 0'));
  await press('F7', 'F8');
  holdAgainstDesktop('4-trees-off', await page.reach('F7, F8: lighting on, trees off', 'state.lighting === 1 && state.trees === 0'));
  await press('F8', 'ArrowRight', 'ArrowRight', 'ArrowRight', 'ArrowUp', 'ArrowUp');
  holdAgainstDesktop('5-camera', await page.reach('F8 and the camera keys',
    'state.trees === 1 && Math.abs(state.cameraYaw - 0.15) < 1e-6 && state.cameraZ < 4.1'));

  // A lost WebGL context: the page says so, keys pressed meanwhile reach the
  // program, and once the context is back the canvas shows their scene.
  await page.evaluate(() => (window.lose = Module.ctx.getExtension('WEBGL_lose_context')).loseContext());
  const restoring = await page.waitForSelector('#status:not([hidden])', { timeout: 3000 }).then((s) => s.evaluate((p) => p.textContent), () => null);
  check('a lost context: the page says the picture is being restored', /restored/.test(restoring), restoring);
  await press(',', ',');
  await page.evaluate(() => lose.restoreContext());
  holdAgainstDesktop('6-restored', await page.reach('the context restored, with the keys pressed meanwhile', 'state.heading === 25'));

  // F5: full screen (headless Chromium grants it); F6: back to 640 x 360.
  await press('F11', 'F5');
  await page.reach('F5: full screen, the program draws at the screen\'s size', 'document.fullscreenElement && ' +
    'Module.canvas.width === screen.width && Math.abs(state.aspect - screen.width / screen.height) < 1e-6');
  await press('F6');
  await page.reach('F6: out of full screen, the program draws at 640 x 360 again', '!document.fullscreenElement && ' +
    'Module.canvas.width === 640 && Module.canvas.height === 360 && Math.abs(state.aspect - 640 / 360) < 1e-6');
  check('every key\'s browser action prevented (F5 did not reload)', letThrough.length === 0, letThrough.join(' '));

  // Escape: the page says so; no frame comes after, from the tail timer or a key.
  await press('Escape');
  const ended = await page.waitForSelector('#ended:not([hidden])', { timeout: 3000 }).catch(() => null);
  const message = ended && (await page.$eval('#ended-message', (p) => p.textContent));
  const shape = await page.evaluate(() => (({ width, height }) => width / height)(Module.canvas.getBoundingClientRect()));
  check('Escape: the page says the program has ended, the canvas keeps its shape', message === 'The program has ended (exit status 0).' &&
    Math.abs(shape - 640 / 360) < 0.01, `${message} ${shape}`);
  const now = () => page.evaluate(() => [drawn, Module.UTF8ToString(Module._quadrupedState())]);
  const then = await now();
  await press('b', 'F7');
  await sleep(400); // eight periods of the tail timer
  const after = await now();
  check('after the end no frame is drawn and the state stays', after.join() === then.join(), `${after[0] - then[0]} frames`);
  await axe(page, 'desktop, ended');
  if (ended) {
    const reloaded = await Promise.all([page.waitForNavigation({ timeout: 5000 }), page.click('#restart')]).catch(() => null);
    const again = reloaded && (await page.evaluate(() => firstFrame));
    check('Start again: the program draws its first frame again', again?.pixels && JSON.stringify(again.state) === JSON.stringify(first?.state));
  }

  await page.close();
  // Phones: nothing wider than the screen (a phone would widen its window), the pad in view, 44 x 44 targets.
  const phone = (fragment) => open({ width: 320, height: 568, isMobile: true, hasTouch: true }, fragment);
  const [large, small] = await Promise.all([open({ width: 390, height: 844, isMobile: true, hasTouch: true }), phone()]);
  for (const [page, size] of [[large, [390, 844]], [small, [320, 568]]]) {
    await page.reach(`${size.join(' x ')}: a first frame`);
    const layout = await page.evaluate(([width, height]) => [document.documentElement.scrollWidth - width, pad.getBoundingClientRect().bottom - height,
      ...[...document.querySelectorAll('button, input, [tabindex]')].filter((control) => control.getClientRects().length &&
        (['width', 'height'].some((side) => control.getBoundingClientRect()[side] < 44) ||
         getComputedStyle(control).touchAction !== 'manipulation')).map((control) => control.outerHTML)], size);
    check(`${size.join(' x ')}: no sideways scrolling, the pad in view, every control 44 x 44 or more, no double-tap zoom`, layout.length === 2 &&
      layout[0] <= 0 && layout[1] <= 0, JSON.stringify(layout));
    await axe(page, `${size.join(' x ')}, running`);
  }
  // The link of the keys pressed above: the same scene and picture.
  await small.close();
  const linked = await phone(link);
  const replayed = await linked.reach('the link replays its keys',
    'state.gait === "run" && state.heading === 15 && !/Replaying/.test(document.getElementById("status").textContent)');
  check('the link gives the scene of the keys pressed', scene(replayed?.state ?? {}) === scene(pressed.state), JSON.stringify(replayed?.state));
  holdAgainstDesktop('7-link', replayed);
  await linked.close();

  const tap = async (key, times = 1) => { for (let i = 0; i < times; i++) await large.tap(`#pad [data-key="${key}"]`); };
  await tap('b', 12), await tap('F1'), await tap('b', 10), await tap(',', 3), await tap('Right');
  holdAgainstDesktop('8-taps', await large.reach('taps on the pad reached the program, the canvas has the focus',
    'state.gait === "run" && state.heading === 15 && Math.abs(state.cameraYaw - 0.05) < 1e-6 && document.activeElement === Module.canvas'));
  if (shotDir) await large.screenshot({ path: join(shotDir, 'web-phone.png') });
  // Steps given while act() runs, and in the 0.4 s after.
  const count = (act) => large.steps().then((before) => act().then(large.steps)
    .then(async (during) => [during - before, (await sleep(400).then(large.steps)) - during]));
  // Press and hold on step repeats like a keyboard until the release, or until it leaves the button.
  const hold = (leave) => count(async () => {
    const touch = await (await large.$('#pad [data-key="b"]')).touchStart();
    if (leave) await sleep(200), await (await large.$('#pad [data-key="F1"]')).touchMove(touch);
    await sleep(leave ? 1300 : 1500), await touch.end();
  });
  const [[held, late], [left, later]] = [await hold(), await hold(true)];
  check('a 1.5 s hold on step gives 20 to 60 steps, none after the release', held >= 20 && held <= 60 && late === 0, `${held}, then ${late}`);
  check('a hold that leaves the button after 0.2 s gives 1 step', left === 1 && later === 0, `${left}, then ${later}`);
  // Play at 10 steps a second for 2 s, then pause.
  await large.$eval('#rate', (rate) => (rate.value = 10) && rate.dispatchEvent(new Event('input')));
  const [played, paused] = await count(async () => { await large.tap('#play'), await sleep(2000), await large.tap('#play'); });
  check('play at 10 steps a second for 2 s gives 15 to 25 steps, none after pause', played >= 15 && played <= 25 && paused === 0, `${played}, then ${paused}`);
  await large.tap('#pad [data-key="Escape"]');
  const quit = await large.waitForSelector('#ended:not([hidden])', { timeout: 3000 }).then(() =>
    large.evaluate(() => `${document.getElementById('ended-message').textContent} ${document.activeElement.id}`), () => '');
  check('the quit button ends the program as Escape does, Start again takes the focus', quit === 'The program has ended (exit status 0). restart', quit);
  await axe(large, '390 x 844, ended');

  // Bad links replay nothing; the page names the token it could not read, as text.
  for (const [fragment, token] of [['2b_Escape', 'Escape'], ['b_Q', 'Q'], ['0b', '0b'], ['9000b_1001b', '1001b'], ['<b>x</b>', '<b>x</b>']]) {
    const bad = await phone(`#keys=${fragment}`);
    const [frame, said] = [await bad.reach(`link #keys=${fragment}: frames`, 'drawn > 3'),
      await bad.$eval('#status', (status) => (status.children.length ? 'markup' : status.textContent))];
    check(`link #keys=${fragment}: says it could not read "${token}", replays nothing`,
      said.includes(`could not read "${token}"`) && scene(frame?.state ?? {}) === scene(first.state), said);
    await bad.close();
  }
  check('no console error or page error', problems.length === 0, problems.join('; '));
} finally {
  await browser.close();
  site.close();
}
console.log(failed ? `${failed} failed` : 'all passed');
process.exit(failed ? 1 : 0);
