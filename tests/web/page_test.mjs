// The browser build (SITE_DIR: build-web/web) in headless Chromium, driven by
// real key presses; in five states the canvas is held against the desktop frame
// of the same state (RENDER_FRAMES needs an X display; pictures go to WORK_DIR).
// --screenshot saves the whole page as PNG (docs/web.png).
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { launch, serve } from './lib.mjs';

const [siteDir, renderFrames, workDir, readmePath, flag, screenshotPath] = process.argv.slice(2);
if (!readmePath || (flag && (flag !== '--screenshot' || !screenshotPath)))
  throw new Error('usage: node page_test.mjs SITE_DIR RENDER_FRAMES WORK_DIR README.md [--screenshot PNG]');
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
  execFileSync(renderFrames, ['state', desktopPath, ...fields], { stdio: ['ignore', 'ignore', 'inherit'] });
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

mkdirSync(workDir, { recursive: true });
const site = await serve(siteDir);
const browser = await launch();
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1200, height: 800 });
  const [problems, letThrough] = [[], []];
  page.on('console', (message) => message.type() === 'error' && problems.push(message.text()));
  page.on('pageerror', (error) => problems.push(error.message));
  // The keys whose browser action the page let happen (an exposed function outlives a reload, such as F5's).
  await page.exposeFunction('letThrough', (key) => letThrough.push(key));
  await page.evaluateOnNewDocument(`(${hookFrames})();
    addEventListener('keydown', (event) => event.defaultPrevented || letThrough(event.key));`);
  const press = async (...keys) => { for (const key of keys) await page.keyboard.press(key); };
  // The first frame (no condition) or the next one whose state meets condition.
  const reach = async (name, condition) => {
    const frame = await page.evaluate((condition) => (condition ? waitFrame(condition) : firstFrame), condition);
    check(name, frame.pixels, frame.pixels ? '' : `none within 10 s; the state: ${JSON.stringify(frame.state)}`);
    return frame.pixels && { ...frame, pixels: Buffer.from(frame.pixels, 'base64') };
  };

  await page.goto(site.url);
  const first = await reach('the program draws its first frame');
  holdAgainstDesktop('1-first-frame', first);

  const [title, focused, keys] = await page.evaluate(() => [document.title, document.activeElement.id,
    [...document.querySelectorAll('#keys tbody th')].map((th) => th.textContent).join(' ')]);
  check('page title', title === 'Trabalho de computação gráfica', title);
  check('the canvas has the keyboard focus', focused === 'canvas', focused);
  const table = readFileSync(readmePath, 'utf8').split('\n## Keys\n')[1].trimStart().split('\n\n')[0];
  const readmeKeys = [...table.matchAll(/^\| (.+?) \|/gm)].slice(1).map((row) => row[1].replaceAll('`', ''));
  check('the keys table is README.md\'s', keys === readmeKeys.join(' '), keys);

  await press(...'b'.repeat(12), 'F1', ...'b'.repeat(10), ...',,,');
  holdAgainstDesktop('2-run-turned', await reach('b, F1, b and , reached the program', `state.gait === 'run' && ` +
    `state.heading === 15 && Math.abs(state.figureX - ${12 * 0.03 + 10 * 0.12}) < 1e-4`));
  if (screenshotPath) await page.screenshot({ path: screenshotPath, fullPage: true });

  await press('F7');
  holdAgainstDesktop('3-lighting-off', await reach('F7: lighting off', 'state.lighting === 0'));
  await press('F7', 'F8');
  holdAgainstDesktop('4-trees-off', await reach('F7, F8: lighting on, trees off', 'state.lighting === 1 && state.trees === 0'));
  await press('F8', 'ArrowRight', 'ArrowRight', 'ArrowRight', 'ArrowUp', 'ArrowUp');
  holdAgainstDesktop('5-camera', await reach('F8 and the camera keys',
    'state.trees === 1 && Math.abs(state.cameraYaw - 0.15) < 1e-6 && state.cameraZ < 4.1'));

  // A lost WebGL context: the page says so, keys pressed meanwhile reach the
  // program, and once the context is back the canvas shows their scene.
  await page.evaluate(() => (window.lose = Module.ctx.getExtension('WEBGL_lose_context')).loseContext());
  const restoring = await page.waitForSelector('#status:not([hidden])', { timeout: 3000 }).then((s) => s.evaluate((p) => p.textContent), () => null);
  check('a lost context: the page says the picture is being restored', /restored/.test(restoring), restoring);
  await press(',', ',');
  await page.evaluate(() => lose.restoreContext());
  holdAgainstDesktop('6-restored', await reach('the context restored, with the keys pressed meanwhile', 'state.heading === 25'));

  // F5: full screen (headless Chromium grants it); F6: back to 640 x 360.
  await press('F11', 'F5');
  await reach('F5: full screen, the program draws at the screen\'s size', 'document.fullscreenElement && ' +
    'Module.canvas.width === screen.width && Math.abs(state.aspect - screen.width / screen.height) < 1e-6');
  await press('F6');
  await reach('F6: out of full screen, the program draws at 640 x 360 again', '!document.fullscreenElement && ' +
    'Module.canvas.width === 640 && Module.canvas.height === 360 && Math.abs(state.aspect - 640 / 360) < 1e-6');
  check('every key\'s browser action prevented (F5 did not reload)', letThrough.length === 0, letThrough.join(' '));

  // Escape: the page says so; no frame comes after, from the tail timer or a key.
  await press('Escape');
  const ended = await page.waitForSelector('#ended:not([hidden])', { timeout: 3000 }).catch(() => null);
  const message = ended && (await page.$eval('#ended-message', (p) => p.textContent));
  check('Escape: the page says the program has ended', message === 'The program has ended (exit status 0).', message);
  const now = () => page.evaluate(() => [drawn, Module.UTF8ToString(Module._quadrupedState())]);
  const then = await now();
  await press('b', 'F7');
  await new Promise((resolve) => setTimeout(resolve, 400)); // eight periods of the tail timer
  const after = await now();
  check('after the end no frame is drawn and the state stays', after.join() === then.join(), `${after[0] - then[0]} frames`);
  check('no console error or page error', problems.length === 0, problems.join('; '));
  if (ended) {
    const reloaded = await Promise.all([page.waitForNavigation({ timeout: 5000 }), page.click('#restart')]).catch(() => null);
    const again = reloaded && (await page.evaluate(() => firstFrame));
    check('Start again: the program draws its first frame again', again?.pixels && JSON.stringify(again.state) === JSON.stringify(first?.state));
  }
} finally {
  await browser.close();
  site.close();
}
console.log(failed ? `${failed} failed` : 'all passed');
process.exit(failed ? 1 : 0);
