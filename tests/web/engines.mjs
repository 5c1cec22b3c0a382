// One surface over the three browser engines the page is tested in: chromium (puppeteer-core over
// CDP), firefox (firefox-esr, puppeteer-core over WebDriver BiDi) and webkit (WebKitGTK's MiniBrowser
// under the X display, through WebKitWebDriver and selenium-webdriver, whose classic WebDriver has no
// hook before the page's scripts: the frame hook goes in just after its load). All draw WebGL on the CPU.
//   launchEngine(name, { webgl, check }).open(url, { width, height, mobile, prepare })  a page in a fresh
//     profile; mobile (a touch phone), prepare(page) (run before it loads; url null: no load) and page.raw are puppeteer's
//   page.evaluate(fn, ...args)  fn (or an expression's text) in the page, its result as JSON
//   page.press(...keys)  keys as KeyboardEvent.key names them; an array is a chord
//   page.pointer(path, { type })  press at path[0], move along, release; points are canvas pixels [x, y]
//     from the top left; type 'mouse', 'touch' (but in webkit) or 'pen' (webkit)
//   page.reach(what, condition)  the next frame whose state meets condition (none: the first), pixels a Buffer, checked to come within 10 s
//   page.settled()  [state, address, status line] once loaded and replayed; page.problems()  page and console errors (webkit: page errors)
import { execFile, spawn } from 'node:child_process';
import { promisify } from 'node:util';
import puppeteer from 'puppeteer-core';
import { Builder } from 'selenium-webdriver';
import { Command } from 'selenium-webdriver/lib/command.js';
import { findFreePort } from 'selenium-webdriver/net/portprober.js';
import { chromiumOptions, hookFrames, sleep } from './lib.mjs';

export const engineNames = ['chromium', 'firefox', 'webkit'];

// Page errors, for the engine that reports none through its driver.
function hookErrors() {
  window.pageErrors = [];
  addEventListener('error', (event) => pageErrors.push(`page error: ${event.message}`));
  addEventListener('unhandledrejection', (event) => pageErrors.push(`page error: unhandled rejection, ${event.reason}`));
}
const hook = `(${hookFrames})(); (${hookErrors})();`;
// From canvas pixels to the viewport's CSS pixels, in the page.
const toViewport = (path, canvas = document.getElementById('canvas'), box = canvas.getBoundingClientRect()) =>
  path.map(([x, y]) => [box.left + ((x + 0.5) * box.width) / canvas.width, box.top + ((y + 0.5) * box.height) / canvas.height]);
// The page's state, address and status line once it has loaded and replayed its link (or after 20 s).
const settled = () => new Promise((resolve) => {
  const poll = (tries) => (tries && (!window.Module?.calledRun || /Loading|Replaying/.test(document.getElementById('status').textContent))
    ? setTimeout(poll, 50, tries - 1)
    : resolve([JSON.parse(Module.UTF8ToString(Module._quadrupedState())), location.hash, document.getElementById('status').textContent]));
  poll(400);
});
// What every engine's page has on top of its driver's own.
const surface = (check, page) => Object.assign(page, {
  reach: async (what, condition) => {
    const frame = await page.evaluate((condition) => (condition ? waitFrame(condition) : firstFrame), condition);
    check(what, frame.pixels, frame.pixels ? '' : `none within 10 s; the state: ${JSON.stringify(frame.state)}`);
    return frame.pixels && { ...frame, pixels: Buffer.from(frame.pixels, 'base64') };
  },
  settled: () => page.evaluate(settled),
});
// A chord of keys (one key, or an array) as key downs, then key ups the other way round.
const chord = (key) => ((keys) => [...keys.map((k) => ['down', k]), ...[...keys].reverse().map((k) => ['up', k])])([key].flat());

async function puppeteerEngine(name, webgl, check) {
  const browser = await puppeteer.launch(name === 'chromium'
    ? chromiumOptions(webgl ? [] : ['--disable-webgl'])
    : { browser: 'firefox', executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr', headless: true,
        extraPrefsFirefox: { 'webgl.disabled': !webgl } });
  const open = async (url, { width = 1200, height = 800, mobile = false, prepare } = {}) => {
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    const problems = [];
    page.on('console', (message) => message.type() === 'error' && problems.push(`console: ${message.text()}`))
      .on('pageerror', (error) => problems.push(`page error: ${error.message}`));
    await page.setViewport({ width, height, deviceScaleFactor: 1, ...(mobile && { isMobile: true, hasTouch: true }) });
    await page.evaluateOnNewDocument(hook);
    await prepare?.(page);
    if (url) await page.goto(url);
    const evaluate = (fn, ...args) => page.evaluate(fn, ...args);
    return surface(check, {
      raw: page,
      evaluate,
      press: async (...keys) => { for (const [type, key] of keys.flatMap(chord)) await page.keyboard[type](key); },
      pointer: async (path, { type = 'mouse' } = {}) => {
        const [[x, y], ...rest] = await evaluate(toViewport, path);
        if (type === 'touch') {
          const touch = await page.touchscreen.touchStart(x, y);
          for (const point of rest) await touch.move(...point);
          return touch.end();
        }
        if (type !== 'mouse') throw new Error(`${name}: no ${type} pointer through its driver`);
        await page.mouse.move(x, y), await page.mouse.down();
        for (const point of rest) await page.mouse.move(...point);
        await page.mouse.up();
      },
      problems: async () => [...problems],
      close: () => context.close(),
    });
  };
  return { name, version: await browser.version(), hookedEarly: true, open, close: () => browser.close() };
}

// W3C key values of the keys the tests press that are not characters.
const specialKeys = { Shift: '\uE008', Control: '\uE009', Escape: '\uE00C', ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014',
  ArrowDown: '\uE015', ...Object.fromEntries(Array.from({ length: 12 }, (_, i) => [`F${i + 1}`, String.fromCharCode(0xe031 + i)])) };

// Each open() is a session of its own, with a WebKitWebDriver (which holds one
// session at a time) and a MiniBrowser of its own, whose automation mode keeps no data.
async function webkitEngine(webgl, check) {
  const binary = process.env.MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
  const version = (await promisify(execFile)(binary, ['--version'])).stdout.trim();
  const session = async (size) => {
    const port = await findFreePort();
    const server = spawn(process.env.WEBKIT_DRIVER || '/usr/bin/WebKitWebDriver', [`--port=${port}`, '--host=local'], { stdio: 'ignore' });
    const exited = new Promise((resolve) => server.on('exit', resolve).on('error', resolve));
    // The driver takes a moment to listen.
    let up = false;
    for (let tries = 0; !up && tries < 100; tries++)
      up = await fetch(`http://127.0.0.1:${port}/status`).then((response) => response.ok, () => sleep(100).then(() => false));
    if (!up) throw new Error(`webkit: WebKitWebDriver does not answer on port ${port}`);
    const stop = () => (server.kill(), exited);
    const driver = await new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({ browserName: 'MiniBrowser',
      'webkitgtk:browserOptions': { binary, args: ['--automation', `--enable-webgl=${webgl}`] } }).build()
      .catch((error) => stop().then(() => Promise.reject(error)));
    await driver.manage().window().setRect(size);
    return { driver, quit: () => driver.quit().finally(stop) };
  };
  const open = async (url, { width = 1200, height = 800 } = {}) => {
    const { driver, quit } = await session({ width, height });
    const evaluate = (fn, ...args) => driver.executeScript(typeof fn === 'string' ? `return (${fn});` : `return (${fn}).apply(null, arguments);`, ...args);
    const actions = (sequence) => driver.execute(new Command('actions').setParameter('actions', [sequence]));
    await driver.get(url);
    await driver.executeScript(hook);
    return surface(check, {
      evaluate,
      press: (...keys) => actions({ type: 'key', id: 'keys', actions: keys.flatMap(chord)
        .map(([type, key]) => ({ type: type === 'down' ? 'keyDown' : 'keyUp', value: specialKeys[key] ?? key })) }),
      pointer: async (path, { type = 'mouse' } = {}) => {
        // Its driver gives touch as mouse events.
        if (!['mouse', 'pen'].includes(type)) throw new Error(`webkit: no ${type} pointer through its driver`);
        const [start, ...rest] = (await evaluate(toViewport, path)).map(([x, y]) => ({ x: Math.round(x), y: Math.round(y) }));
        const move = (point) => ({ type: 'pointerMove', origin: 'viewport', duration: 0, ...point });
        await actions({ type: 'pointer', id: type, parameters: { pointerType: type }, actions: [move(start),
          { type: 'pointerDown', button: 0 }, ...rest.map(move), { type: 'pointerUp', button: 0 }] });
      },
      problems: () => evaluate(() => window.pageErrors ?? ['the error hook is gone']),
      close: quit,
    });
  };
  return { name: 'webkit', version: `MiniBrowser, ${version}`, hookedEarly: false, open, close: async () => {} };
}

// The named engine, launched; it throws, saying why, where it cannot be.
export async function launchEngine(name, { webgl = true, check } = {}) {
  if (!engineNames.includes(name)) throw new Error(`no engine named ${name}: ${engineNames.join(', ')}`);
  return name === 'webkit' ? webkitEngine(webgl, check) : puppeteerEngine(name, webgl, check);
}
