// The browser build in a real browser: Debian's headless Chromium loads the
// page from a server on 127.0.0.1, real key presses drive the program, and in
// five states the canvas is held against the frame the desktop build draws
// from exactly the same scene state (tools/render_frames state).
//
//   node page_test.mjs SITE_DIR RENDER_FRAMES WORK_DIR README.md [--screenshot PNG]
//
// SITE_DIR is build-web/web; RENDER_FRAMES the desktop picture tool, which
// needs an X display; WORK_DIR takes the pictures of a state that disagrees.
// With --screenshot, the whole page is also saved as PNG (docs/web.png).
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { firstFrame, launch, nextFrame, serve, watchFrames } from './lib.mjs';

const [siteDir, renderFrames, workDir, readmePath, ...options] = process.argv.slice(2);
if (!readmePath || (options.length && (options[0] !== '--screenshot' || !options[1]))) {
  console.error('usage: node page_test.mjs SITE_DIR RENDER_FRAMES WORK_DIR README.md [--screenshot PNG]');
  process.exit(2);
}
const screenshotPath = options[1];

const kWidth = 640;
const kHeight = 360;
const kTolerance = 8; // per channel, of 255
const kRequiredShare = 0.99; // of the pixels, within the tolerance

let passed = 0;
let failed = 0;
function check(name, ok, detail = '') {
  if (ok) passed++;
  else failed++;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${detail ? `: ${detail}` : ''}`);
  return ok;
}

// ---- pictures ----

function readPpm(path) {
  const data = readFileSync(path);
  const header = data.toString('latin1', 0, 32).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  if (!header) throw new Error(`${path}: not a binary PPM`);
  return { width: +header[1], height: +header[2], rgb: data.subarray(header[0].length) };
}

function writePpm(path, width, height, rgb) {
  writeFileSync(path, Buffer.concat([Buffer.from(`P6\n${width} ${height}\n255\n`), rgb]));
}

// The canvas's RGBA rows run bottom-up; as RGB rows top-down like the PPM.
function canvasRgb(frame) {
  const rgb = Buffer.alloc(frame.width * frame.height * 3);
  for (let y = 0; y < frame.height; y++) {
    for (let x = 0; x < frame.width; x++) {
      const from = ((frame.height - 1 - y) * frame.width + x) * 4;
      const to = (y * frame.width + x) * 3;
      rgb[to] = frame.pixels[from];
      rgb[to + 1] = frame.pixels[from + 1];
      rgb[to + 2] = frame.pixels[from + 2];
    }
  }
  return rgb;
}

// The desktop program's frame of the same scene state.
function nativeFrame(state, path) {
  const fields = Object.entries(state)
    .filter(([name]) => name !== 'aspect') // render_frames draws at 640 x 360
    .map(([name, value]) => `${name}=${value}`);
  execFileSync(renderFrames, ['state', path, ...fields], { stdio: ['ignore', 'ignore', 'inherit'] });
  return readPpm(path);
}

// The largest channel difference between pixel i of a and pixel j of b (byte offsets).
const gap = (a, i, b, j) =>
  Math.max(Math.abs(a[i] - b[j]), Math.abs(a[i + 1] - b[j + 1]), Math.abs(a[i + 2] - b[j + 2]));

// Share of pixels within the tolerance, the largest channel difference, and
// where the others lie: their bounding box and how many sit on an edge of the
// desktop picture (a neighbour differs there by more than the tolerance),
// where two rasterisers' rules for covered pixels part.
function compare(browser, native) {
  const { width, height } = native;
  let within = 0;
  let largest = 0;
  let onEdges = 0;
  const box = { left: width, top: height, right: -1, bottom: -1 };
  const outside = new Uint8Array(width * height);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const i = (y * width + x) * 3;
      const difference = gap(browser, i, native.rgb, i);
      largest = Math.max(largest, difference);
      if (difference <= kTolerance) {
        within++;
        continue;
      }
      outside[y * width + x] = 1;
      Object.assign(box, {
        left: Math.min(box.left, x),
        top: Math.min(box.top, y),
        right: Math.max(box.right, x),
        bottom: Math.max(box.bottom, y),
      });
      let edge = false;
      for (let dy = -1; dy <= 1 && !edge; dy++) {
        for (let dx = -1; dx <= 1 && !edge; dx++) {
          const nx = x + dx;
          const ny = y + dy;
          if (nx >= 0 && ny >= 0 && nx < width && ny < height)
            edge = gap(native.rgb, i, native.rgb, (ny * width + nx) * 3) > kTolerance;
        }
      }
      if (edge) onEdges++;
    }
  }
  return { share: within / (width * height), largest, differing: width * height - within, onEdges, box, outside };
}

// The desktop picture dimmed, with the pixels outside the tolerance in red.
function diffPicture(native, outside) {
  const rgb = Buffer.alloc(native.rgb.length);
  for (let p = 0; p < outside.length; p++) {
    const i = p * 3;
    if (outside[p]) rgb.set([255, 0, 0], i);
    else rgb.set([native.rgb[i] >> 2, native.rgb[i + 1] >> 2, native.rgb[i + 2] >> 2], i);
  }
  return rgb;
}

function holdAgainstDesktop(name, frame) {
  const nativePath = join(workDir, `${name}-desktop.ppm`);
  const native = nativeFrame(frame.state, nativePath);
  if (!check(`${name}: canvas is ${kWidth} x ${kHeight}`, frame.width === kWidth && frame.height === kHeight,
             `${frame.width} x ${frame.height}`))
    return;
  const browser = canvasRgb(frame);
  const result = compare(browser, native);
  const where = result.differing
    ? `; the other ${result.differing} pixels lie in x ${result.box.left}..${result.box.right}, ` +
      `y ${result.box.top}..${result.box.bottom}, ${((100 * result.onEdges) / result.differing).toFixed(0)}% ` +
      'of them on edges of shapes'
    : '';
  const ok = check(
    `${name}: pixels within ${kTolerance}/255 of the desktop frame`,
    result.share >= kRequiredShare,
    `${(100 * result.share).toFixed(2)}% (largest channel difference ${result.largest})${where}`,
  );
  if (!ok) {
    writePpm(join(workDir, `${name}-browser.ppm`), kWidth, kHeight, browser);
    writePpm(join(workDir, `${name}-diff.ppm`), kWidth, kHeight, diffPicture(native, result.outside));
    console.log(`     pictures: ${join(workDir, name)}-{browser,desktop,diff}.ppm`);
  }
}

// ---- the page ----

const press = async (page, key, times = 1) => {
  for (let i = 0; i < times; i++) await page.keyboard.press(key);
};
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

mkdirSync(workDir, { recursive: true });
const site = await serve(siteDir);
const browser = await launch();
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1200, height: 800 });
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console error: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('requestfailed', (request) => problems.push(`request failed: ${request.url()}`));
  page.on('response', (response) => {
    if (response.status() >= 400) problems.push(`HTTP ${response.status()}: ${response.url()}`);
  });
  let loads = 0;
  page.on('load', () => loads++);
  await watchFrames(page);
  // Whether the page let each key press through to the browser's own action.
  await page.evaluateOnNewDocument(() => {
    window.unhandledKeys = [];
    window.addEventListener('keydown', (event) => {
      if (!event.defaultPrevented) unhandledKeys.push(event.key);
    });
  });

  await page.goto(site.url);
  let frame;

  // (1) the first frame the program draws
  frame = await firstFrame(page);
  if (check('the program draws its first frame', frame !== null)) holdAgainstDesktop('1-first-frame', frame);

  const shown = await page.evaluate(() => ({
    title: document.title,
    focused: document.activeElement === document.getElementById('canvas'),
    keys: [...document.querySelectorAll('#keys tbody th')].map((th) => th.textContent),
  }));
  check('page title', shown.title === 'Trabalho de computação gráfica', JSON.stringify(shown.title));
  check('the canvas has the keyboard focus', shown.focused);
  const keysTable = readFileSync(readmePath, 'utf8').split('\n## Keys\n')[1].trimStart().split('\n\n')[0];
  const readmeKeys = [...keysTable.matchAll(/^\| (.+?) \|/gm)]
    .map((match) => match[1].replaceAll('`', ''))
    .slice(1); // the heading
  check('keys table is README.md\'s', JSON.stringify(shown.keys) === JSON.stringify(readmeKeys),
        shown.keys.join(' '));

  // The next frame whose state shows that the keys pressed have arrived.
  const reach = async (name, condition) => {
    const frame = await nextFrame(page, condition);
    const last = await page.evaluate(() => Module.UTF8ToString(Module._quadrupedState()));
    check(name, frame !== null, frame ? '' : `no frame with ${condition} within 3 s; now ${last}`);
    return frame;
  };

  // (2) a walk, the run gait, more steps and three turns
  await press(page, 'b', 12);
  await press(page, 'F1');
  await press(page, 'b', 10);
  await press(page, ',', 3);
  frame = await reach('b, F1 and , reached the program',
                          `state.gait === 'run' && state.heading === 15 && ` +
                          `Math.abs(state.figureX - ${12 * 0.03 + 10 * 0.12}) < 1e-4`);
  if (frame) holdAgainstDesktop('2-run-turned', frame);
  if (screenshotPath) {
    await page.screenshot({ path: screenshotPath, fullPage: true });
    console.log(`     page screenshot: ${screenshotPath}`);
  }

  // (3) lighting off
  await press(page, 'F7');
  frame = await reach('F7: lighting off', 'state.lighting === 0');
  if (frame) holdAgainstDesktop('3-lighting-off', frame);

  // (4) lighting back on, trees off
  await press(page, 'F7');
  await press(page, 'F8');
  frame = await reach('F7, F8: lighting on, trees off', 'state.lighting === 1 && state.trees === 0');
  if (frame) holdAgainstDesktop('4-trees-off', frame);

  // (5) trees back on, the camera turned and moved
  await press(page, 'F8');
  await press(page, 'ArrowRight', 3);
  await press(page, 'ArrowUp', 2);
  frame = await reach('F8 and the camera keys',
                      'state.trees === 1 && Math.abs(state.cameraYaw - 0.15) < 1e-6 && state.cameraZ < 4.1');
  if (frame) holdAgainstDesktop('5-camera', frame);

  await press(page, 'F11');
  await reach('F11: forward motion off', 'state.advance === 0');

  // F5 asks for full screen (headless Chromium grants it: the canvas takes the
  // screen's size); F6 always brings back 640 x 360, and the program hears it.
  await press(page, 'F5');
  await page
    .waitForFunction(() => document.fullscreenElement && Module.canvas.width !== 640, { timeout: 2000 })
    .catch(() => {});
  const full = await page.evaluate(() => ({
    granted: !!document.fullscreenElement,
    width: Module.canvas.width,
    height: Module.canvas.height,
    screen: [screen.width, screen.height],
  }));
  if (full.granted) {
    check('F5: full screen, the canvas at the screen\'s size', full.width === full.screen[0] &&
          full.height === full.screen[1], `${full.width} x ${full.height}`);
    frame = await reach('F5: the program draws at that size',
                        `Math.abs(state.aspect - ${full.width / full.height}) < 1e-4`);
    check('F5: the frame fills the canvas', frame?.width === full.width && frame?.height === full.height);
  } else {
    console.log('     F5: this browser did not grant full screen');
  }
  await press(page, 'F6');
  frame = await reach('F6: the program draws at 640 x 360 again',
                      `Math.abs(state.aspect - ${kWidth / kHeight}) < 1e-4`);
  // Leaving full screen completes after the key's frame.
  await page.waitForFunction(() => !document.fullscreenElement, { timeout: 2000 }).catch(() => {});
  const windowed = await page.evaluate(() => [Module.canvas.width, Module.canvas.height, !!document.fullscreenElement]);
  check('F6: out of full screen, canvas and frame 640 x 360',
        windowed[0] === kWidth && windowed[1] === kHeight && !windowed[2] && frame?.width === kWidth &&
        frame?.height === kHeight, `${windowed[0]} x ${windowed[1]}, full screen ${windowed[2]}`);

  const unhandled = await page.evaluate(() => unhandledKeys);
  check('the program took every key from the browser (F5 did not reload)', unhandled.length === 0 && loads === 1,
        unhandled.length ? `not taken: ${unhandled.join(' ')}` : `${loads} load(s)`);

  // Escape: the program ends; the page says so and nothing is drawn after.
  await press(page, 'Escape');
  const ended = await page
    .waitForSelector('#ended:not([hidden])', { timeout: 2000 })
    .then(() => page.$eval('#ended-message', (p) => p.textContent))
    .catch(() => '');
  check('Escape: the page says the program has ended', ended.includes('exit status 0'), JSON.stringify(ended));
  const before = await page.evaluate(() => {
    window.framesAfterEnd = 0;
    Module.canvas.addEventListener('frame', () => framesAfterEnd++);
    return JSON.parse(Module.UTF8ToString(Module._quadrupedState()));
  });
  await sleep(400); // eight tail-timer periods
  await press(page, 'b');
  await press(page, 'F7');
  await sleep(100);
  const after = await page.evaluate(() => ({
    frames: framesAfterEnd,
    state: JSON.parse(Module.UTF8ToString(Module._quadrupedState())),
  }));
  check('after the end no frame is drawn and the state stays', after.frames === 0 &&
        JSON.stringify(after.state) === JSON.stringify(before), `${after.frames} frames`);

  check('no console error, page error or failed request', problems.length === 0, problems.join('; '));

  // Start again: a fresh program draws its first frame.
  if (ended) {
    await Promise.all([page.waitForNavigation(), page.click('#restart')]);
    frame = await firstFrame(page);
    check('Start again: the program runs again from its start', frame?.state.gait === 'walk' &&
          frame.state.heading === 0 && frame.state.lighting === 1);
  }
} finally {
  await browser.close();
  await site.close();
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
