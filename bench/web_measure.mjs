// Prints what the browser build costs; it checks nothing. Run it by hand from
// the repository's root, under an X server for the desktop figure (xvfb-run -a),
// after scripts/web.sh --build-only and npm ci --prefix tests/web:
//
//   node bench/web_measure.mjs [SITE_DIR [RENDER_FRAMES]] [--profile]
//
// (defaults build-web/web and build/tools/render_frames)
//   - the download: each file of the page, raw and compressed with gzip -9;
//   - from navigation to the first frame in headless Chromium, median of 5 loads;
//   - one frame's wall time in the browser: 200 calls of renderFrame then a
//     one-pixel read-back that waits for them, median of 5 runs, next to the
//     desktop program's frame measured the same way (render_frames time);
//   - the WebAssembly time of one frame alone: the same 200 calls without the
//     read-back, so WebGL's rasteriser, which runs apart, is not waited for;
//   - the same 200 calls with Module.skipFrames set, as the page skips the
//     frames of a long replay: the state work alone, nothing shaded or sent;
//   - a link's replay, from the first frame to the replay's end, for 10,000 b
//     and for 5,000 turns, "," and "." in turn, median of 3 loads;
//   - pointing at the figure: one pick's time (quadrupedPick at 1000 random
//     canvas pixels, in batches of 100), then the display's frames
//     (requestAnimationFrame) and the frames drawn while a pointer drags the
//     hind right shin back and forth for 3 s, one move a display frame, and
//     for 3 s at rest, with the busy share of the page's main thread and of
//     the GPU process; at 1200 x 900 and on a 390 x 844 phone, both plain and
//     under Chromium's 4x CPU throttling (a phone-class CPU);
//   - with --profile, where the frame loop's time and the 10,000 b replay's
//     time go: Chromium's sampling profiler, functions by their own time
//     (build the page with -DCMAKE_EXE_LINKER_FLAGS=--profiling-funcs to see
//     the WebAssembly's names).
import { execFileSync } from 'node:child_process';
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
// The browser test's server and Chromium, with its packages (tests/web/node_modules).
import { aimAt, launch, serve, shin } from '../tests/web/lib.mjs';

const args = process.argv.slice(2).filter((arg) => arg !== '--profile');
const profile = process.argv.includes('--profile');
const siteDir = args[0] || 'build-web/web';
const renderFrames = args[1] || 'build/tools/render_frames';
const kLoads = 5;
const kFrames = 200;
const kReplays = 3;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const kb = (bytes) => `${(bytes / 1024).toFixed(1)} KB`;

console.log('== download');
let raw = 0;
let packed = 0;
for (const name of readdirSync(siteDir).filter((n) => /\.(html|js|css|json|wasm)$/.test(n)).sort()) {
  const data = readFileSync(join(siteDir, name));
  const gzipped = gzipSync(data, { level: 9 }).length;
  raw += data.length;
  packed += gzipped;
  console.log(`${name.padEnd(16)} ${kb(data.length).padStart(10)} ${kb(gzipped).padStart(10)} gzip -9`);
}
console.log(`${'all'.padEnd(16)} ${kb(raw).padStart(10)} ${kb(packed).padStart(10)} gzip -9`);

// Runs act under Chromium's sampling profiler in page and prints the functions by their own time.
async function profiled(page, label, act) {
  const session = await page.target().createCDPSession();
  await session.send('Profiler.enable');
  await session.send('Profiler.setSamplingInterval', { interval: 50 });
  await session.send('Profiler.start');
  await act();
  const { profile: result } = await session.send('Profiler.stop');
  await session.detach();
  const self = new Map();
  let total = 0;
  for (const node of result.nodes) {
    const name = node.callFrame.functionName || `(${node.callFrame.url || 'anonymous'})`;
    self.set(name, (self.get(name) || 0) + node.hitCount);
    total += node.hitCount;
  }
  console.log(`profile, ${label}: own time of the functions (${total} samples)`);
  for (const [name, hits] of [...self].sort((a, b) => b[1] - a[1]).slice(0, 15))
    console.log(`  ${(100 * hits / total).toFixed(1).padStart(5)} %  ${name}`);
}

// Opens url (a link) in page, or in a page of its own, and resolves to the ms
// from the first frame to the end of the replay, when the status line stops
// saying "Replaying".
async function replayed(browser, url, page) {
  const own = !page;
  page ||= await browser.newPage();
  await page.evaluateOnNewDocument(() => {
    window.replayed = new Promise((resolve) => {
      let [first, seen] = [0, false];
      addEventListener('frame', () => (first ||= performance.now()), true);
      new MutationObserver(() => {
        const replaying = /Replaying/.test(document.getElementById('status')?.textContent);
        seen ||= replaying;
        if (seen && !replaying) resolve(performance.now() - first);
      }).observe(document, { subtree: true, childList: true, characterData: true });
    });
  });
  await page.goto(url);
  const time = await page.evaluate(() => replayed);
  if (own) await page.close();
  return time;
}

const site = await serve(siteDir);
const browser = await launch();
try {
  console.log(`\n== navigation to the first frame (${kLoads} loads, each in a fresh page)`);
  const firsts = [];
  for (let i = 0; i < kLoads; i++) {
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    await page.evaluateOnNewDocument(() => {
      window.firstFrameAt = new Promise((resolve) =>
        window.addEventListener('frame', () => resolve(performance.now()), { capture: true, once: true }),
      );
    });
    await page.goto(site.url);
    firsts.push(await page.evaluate(() => firstFrameAt));
    await context.close();
  }
  console.log(`median ${median(firsts).toFixed(0)} ms (loads: ${firsts.map((t) => t.toFixed(0)).join(', ')} ms)`);

  console.log(`\n== one frame, ${kFrames} frames then a one-pixel read-back, median of 5 runs`);
  const page = await browser.newPage();
  await page.goto(site.url);
  await page.waitForFunction(() => document.getElementById('status').hidden);
  const browserFrame = async (label) => {
    const runs = await page.evaluate((count) => {
      const gl = Module.ctx;
      const pixel = new Uint8Array(4);
      const finish = () => gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
      const onFrame = Module.onFrame;
      Module.onFrame = null; // the panel's update is not part of a frame
      Module._quadrupedDrawFrames(20);
      finish();
      const [perFrame, wasmOnly, skipped] = [[], [], []];
      for (let run = 0; run < 5; run++) {
        let start = performance.now();
        Module._quadrupedDrawFrames(count);
        finish();
        perFrame.push((performance.now() - start) / count);
        start = performance.now();
        Module._quadrupedDrawFrames(count);
        wasmOnly.push((performance.now() - start) / count);
        finish(); // outside the timing: the next run starts with nothing queued
        Module.skipFrames = true; // as the page skips the frames of a long replay
        start = performance.now();
        Module._quadrupedDrawFrames(count);
        skipped.push((performance.now() - start) / count);
        Module.skipFrames = false;
      }
      Module.onFrame = onFrame;
      return [perFrame, wasmOnly, skipped];
    }, kFrames);
    const spread = (values) => `${median(values).toFixed(3)} ms per frame ` +
      `(runs ${Math.min(...values).toFixed(3)} to ${Math.max(...values).toFixed(3)})`;
    console.log(`browser, ${label}: ${spread(runs[0])}`);
    console.log(`browser, ${label}, WebAssembly alone (no read-back): ${spread(runs[1])}`);
    console.log(`browser, ${label}, skipped frames: ${spread(runs[2])}`);
  };
  const profileFrames = (label) => profiled(page, `${label}, over 1000 frames`, () => page.evaluate(() => {
    const onFrame = Module.onFrame;
    Module.onFrame = null;
    Module._quadrupedDrawFrames(1000);
    Module.onFrame = onFrame;
  }));
  const desktopFrame = (label, fields) => {
    try {
      const out = execFileSync(renderFrames, ['time', String(kFrames), ...fields], { encoding: 'utf8' });
      console.log(`desktop, ${label}: ${out.trim()}`);
    } catch (error) {
      console.log(`desktop, ${label}: not measured (${renderFrames}: ${error.message.split('\n')[0]})`);
    }
  };
  await browserFrame('start state, 640 x 360');
  desktopFrame('start state', []);
  if (profile) await profileFrames('start state');
  await page.keyboard.press('F8');
  await browserFrame('trees off');
  desktopFrame('trees off', ['trees=0']);
  await page.close();

  console.log('\n== pointing at the figure: a pick, and the frame rate while dragging');
  const views = [{ width: 1200, height: 900 }, { width: 390, height: 844, isMobile: true, hasTouch: true }];
  for (const [rate, view] of [1, 4].flatMap((rate) => views.map((view) => [rate, view]))) {
    const pointing = await browser.newPage();
    await pointing.setViewport(view);
    await pointing.goto(site.url);
    await pointing.waitForFunction(() => document.getElementById('status').hidden && document.getElementById('pointed'));
    const cdp = await pointing.target().createCDPSession();
    await cdp.send('Emulation.setCPUThrottlingRate', { rate });
    const picks = await pointing.evaluate(() => {
      let seed = 7;
      const random = (n) => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648) * n;
      const batches = [];
      for (let b = 0; b < 10; b++) {
        const start = performance.now();
        for (let i = 0; i < 100; i++) Module._quadrupedPick(random(640), random(360));
        batches.push((performance.now() - start) / 100);
      }
      return batches;
    });
    const label = `${view.width} x ${view.height}, ${rate === 1 ? 'plain' : `CPU throttled ${rate}x`}`;
    console.log(`${label}: a pick takes ${median(picks).toFixed(3)} ms (batches of 100: ${Math.min(...picks).toFixed(3)} to ${Math.max(...picks).toFixed(3)} ms a pick)`);
    // The shin's middle in page pixels, from the program's transforms as the browser test aims.
    const [x, y] = await pointing.evaluate(([aim]) => {
      const canvas = Module.canvas, box = canvas.getBoundingClientRect();
      return [box.left + (aim[0] * box.width) / canvas.width, box.top + (aim[1] * box.height) / canvas.height];
    }, await pointing.evaluate(aimAt, ...shin));
    // A browser hands the page at most one pointer move a display frame (the
    // moves between are coalesced into it): after a real press on the shin,
    // one move a display frame is dispatched for 3 s, and the display frames,
    // the frames drawn and the page's work on each move counted, then the
    // same 3 s at rest; meanwhile the busy time of the page's main thread and
    // of the GPU process's (WebGL and compositing) from a trace.
    await pointing.mouse.move(x, y);
    await pointing.mouse.down();
    for (const drag of [false, true]) {
      await pointing.tracing.start({ categories: ['toplevel'] });
      const counted = await pointing.evaluate(([x, y, drag]) => new Promise((resolve) => {
        const counts = { display: 0, frames: 0, moves: [] };
        const start = performance.now();
        const frame = () => counts.frames++;
        addEventListener('frame', frame, true);
        const tick = () => {
          counts.display++;
          if (drag) {
            const i = counts.moves.length, before = performance.now();
            Module.canvas.dispatchEvent(new PointerEvent('pointermove', { pointerId: 1, pointerType: 'mouse', isPrimary: true, buttons: 1, bubbles: true,
              clientX: x + 20 * Math.sin(i / 10), clientY: y - 10 * Math.cos(i / 10) }));
            counts.moves.push(performance.now() - before);
          }
          if (performance.now() - start < 3000) return requestAnimationFrame(tick);
          removeEventListener('frame', frame, true);
          resolve({ ...counts, seconds: (performance.now() - start) / 1000 });
        };
        requestAnimationFrame(tick);
      }), [x, y, drag]);
      const trace = JSON.parse(new TextDecoder().decode(await pointing.tracing.stop()));
      const threads = new Map(trace.traceEvents.filter((e) => e.name === 'thread_name').map((e) => [`${e.pid} ${e.tid}`, e.args.name]));
      const busy = (thread) => trace.traceEvents.filter((e) => e.ph === 'X' && e.name === 'ThreadControllerImpl::RunTask' &&
        threads.get(`${e.pid} ${e.tid}`) === thread).reduce((sum, e) => sum + e.dur, 0) / 1e4 / counted.seconds;
      const { display, frames, moves, seconds } = counted;
      console.log(`${label}: ${drag ? 'dragging' : 'at rest'}, the display ${(display / seconds).toFixed(1)} frames a second, ${(frames / seconds).toFixed(1)} drawn; ` +
        (drag ? `the page's work on a move ${median(moves).toFixed(2)} ms (the slowest ${Math.max(...moves).toFixed(2)} ms); ` : '') +
        `busy: the page's main thread ${busy('CrRendererMain').toFixed(0)} %, the GPU process's ${busy('CrGpuMain').toFixed(0)} %`);
    }
    await pointing.mouse.up();
    console.log(`${label}: the drag left ${await pointing.evaluate(() => location.hash)}`);
    await cdp.detach();
    await pointing.close();
  }

  console.log(`\n== a link's replay, from the first frame to its end (${kReplays} loads each)`);
  for (const [label, keys] of [['10,000 b', '10000b'], ['5,000 turns, "," and "." in turn', Array(2500).fill(',_.').join('_')]]) {
    const times = [];
    for (let i = 0; i < kReplays; i++) times.push(await replayed(browser, `${site.url}#keys=${keys}`));
    console.log(`${label}: median ${(median(times) / 1000).toFixed(2)} s (loads: ${times.map((t) => (t / 1000).toFixed(2)).join(', ')} s)`);
  }
  if (profile) {
    const replaying = await browser.newPage();
    await profiled(replaying, 'a replay of 10,000 b', () => replayed(browser, `${site.url}#keys=10000b`, replaying));
  }
} finally {
  await browser.close();
  await site.close();
}
