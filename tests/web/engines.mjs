// One small surface over the three browser engines the page is tested in:
//   chromium  Debian's chromium-headless-shell, through puppeteer-core (CDP);
//   firefox   Debian's firefox-esr, headless, through puppeteer-core over WebDriver BiDi;
//   webkit    WebKitGTK's MiniBrowser under the X display, through WebKitWebDriver and
//             selenium-webdriver (classic W3C WebDriver: the driver has no BiDi).
// All draw WebGL on the CPU (SwiftShader; Mesa's llvmpipe for the other two).
//
//   const engine = await launchEngine(name, { webgl })   webgl false: WebGL turned off
//   engine.version, engine.hookedEarly   whether open() installs the hook before the page's
//                                        scripts (chromium, firefox) or just after its load
//                                        (webkit: classic WebDriver has no such hook)
//   engine.pointerTypes                  what pointer() can be given: 'mouse' in all; 'touch'
//                                        in chromium and firefox; 'pen' in webkit
//   const page = await engine.open(url, { width, height })   a fresh profile each time
//   await page.evaluate(fn, ...args)     fn (a function, or an expression's text) run in the
//                                        page; its result, awaited, as JSON
//   await page.press(...keys)            real key input; keys named as KeyboardEvent.key
//                                        names them: 'b', ',', 'F1', 'ArrowRight', 'Escape'
//   await page.pointer(path, { type })   press at path[0], move along the rest, release: one
//                                        point is a click or a tap; points are [x, y] canvas
//                                        pixels (x right, y down from the top left)
//   await page.problems()                what went wrong so far: "page error: ..." (an uncaught
//                                        error), "console: ..." (console.error; not in webkit)
//   await page.close(); await engine.close()
// open() installs lib.mjs's frame hook (waitFrame, firstFrame, drawn) in every page.
import { execFile, spawn } from 'node:child_process';
import { promisify } from 'node:util';
import puppeteer from 'puppeteer-core';
import { Builder } from 'selenium-webdriver';
import { Command } from 'selenium-webdriver/lib/command.js';
import { findFreePort } from 'selenium-webdriver/net/portprober.js';
import { chromiumOptions, hookFrames } from './lib.mjs';

export const engineNames = ['chromium', 'firefox', 'webkit'];
const run = promisify(execFile);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Page errors, for the engine that reports none through its driver.
function hookErrors() {
  window.pageErrors = [];
  addEventListener('error', (event) => pageErrors.push(`page error: ${event.message}`));
  addEventListener('unhandledrejection', (event) => pageErrors.push(`page error: unhandled rejection, ${event.reason}`));
}
const hook = `(${hookFrames})(); (${hookErrors})();`;
// From canvas pixels to the viewport's CSS pixels, in the page.
function toViewport(path) {
  const canvas = document.getElementById('canvas');
  const box = canvas.getBoundingClientRect();
  return path.map(([x, y]) => [box.left + ((x + 0.5) * box.width) / canvas.width, box.top + ((y + 0.5) * box.height) / canvas.height]);
}

async function puppeteerEngine(name, webgl) {
  const browser = await puppeteer.launch(name === 'chromium'
    ? chromiumOptions(webgl ? [] : ['--disable-webgl'])
    : { browser: 'firefox', executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr', headless: true,
        extraPrefsFirefox: { 'webgl.disabled': !webgl } });
  const open = async (url, { width = 1200, height = 800 } = {}) => {
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    const problems = [];
    page.on('console', (message) => message.type() === 'error' && problems.push(`console: ${message.text()}`))
      .on('pageerror', (error) => problems.push(`page error: ${error.message}`));
    await page.setViewport({ width, height, deviceScaleFactor: 1 });
    await page.evaluateOnNewDocument(hook);
    await page.goto(url);
    const evaluate = (fn, ...args) => page.evaluate(fn, ...args);
    return {
      evaluate,
      press: async (...keys) => { for (const key of keys) await page.keyboard.press(key); },
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
    };
  };
  return { name, version: await browser.version(), hookedEarly: true, pointerTypes: ['mouse', 'touch'], open, close: () => browser.close() };
}

// W3C key values of the keys that are not characters.
const specialKeys = { Backspace: '\uE003', Tab: '\uE004', Enter: '\uE007', Shift: '\uE008', Control: '\uE009',
  Alt: '\uE00A', Escape: '\uE00C', PageUp: '\uE00E', PageDown: '\uE00F', End: '\uE010', Home: '\uE011',
  ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014', ArrowDown: '\uE015', Delete: '\uE017',
  ...Object.fromEntries(Array.from({ length: 12 }, (_, i) => [`F${i + 1}`, String.fromCharCode(0xe031 + i)])) };

// Each open() is a session of its own, with a WebKitWebDriver (which holds one
// session at a time) and a MiniBrowser of its own, whose automation mode keeps no data.
async function webkitEngine(webgl) {
  const binary = process.env.MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
  const version = (await run(binary, ['--version'])).stdout.trim();
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
    return {
      evaluate,
      press: (...keys) => actions({ type: 'key', id: 'keys', actions: keys.flatMap((key) =>
        ['keyDown', 'keyUp'].map((type) => ({ type, value: specialKeys[key] ?? key }))) }),
      pointer: async (path, { type = 'mouse' } = {}) => {
        // Its driver gives touch as mouse events, so touch is left out; a pen is a pen.
        if (!['mouse', 'pen'].includes(type)) throw new Error(`webkit: no ${type} pointer through its driver`);
        const [start, ...rest] = (await evaluate(toViewport, path)).map(([x, y]) => ({ x: Math.round(x), y: Math.round(y) }));
        const move = (point) => ({ type: 'pointerMove', origin: 'viewport', duration: 0, ...point });
        await actions({ type: 'pointer', id: type, parameters: { pointerType: type }, actions: [move(start),
          { type: 'pointerDown', button: 0 }, ...rest.map(move), { type: 'pointerUp', button: 0 }] });
      },
      problems: () => evaluate(() => window.pageErrors ?? ['the error hook is gone']),
      close: quit,
    };
  };
  return { name: 'webkit', version: `MiniBrowser, ${version}`, hookedEarly: false, pointerTypes: ['mouse', 'pen'], open, close: async () => {} };
}

// The named engine, launched; it throws, saying why, where it cannot be.
export async function launchEngine(name, { webgl = true } = {}) {
  if (!engineNames.includes(name)) throw new Error(`no engine named ${name}: ${engineNames.join(', ')}`);
  return name === 'webkit' ? webkitEngine(webgl) : puppeteerEngine(name, webgl);
}
