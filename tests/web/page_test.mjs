// Chromium's own checks of the browser build (SITE_DIR), beside engines_test's in every engine: phones
// (device emulation) and touch, axe-core, full screen, the program's end, bad, long and stopped links, a link
// fuzz (QUADRUPED_SEED repeats it), the pages that cannot go on. Frames are held against the desktop's
// (render_frames in TOOLS_DIR, which needs an X display; pictures to WORK_DIR).
// --screenshot DIR saves DIR/web.png, DIR/web-phone.png and DIR/web-pick.png.
import { mkdirSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { lostText, noWebGLText, unloadedText } from '../../web/page/words.js';
import { launchEngine } from './engines.mjs';
import { aimAt, cannotGoOn, desktopHolder, dragPath, linkText, randomKeys, readTables, reporter, scene, seeded, serve, shin, sleep } from './lib.mjs';

const [siteDir, toolsDir, workDir, flag, shotDir] = process.argv.slice(2);
if (!workDir || (flag && (flag !== '--screenshot' || !shotDir)))
  throw new Error('usage: node page_test.mjs SITE_DIR TOOLS_DIR WORK_DIR [--screenshot DIR]');
const { checker, finish } = reporter();
const check = checker();
const holdAgainstDesktop = desktopHolder(check, toolsDir, workDir);

mkdirSync(workDir, { recursive: true });
const site = await serve(siteDir);
const browser = await launchEngine('chromium', { check });
const [pages, letThrough] = [[], []];
const desktop = { width: 1200, height: 800 };
// A page at a size (mobile: a touch phone) with a count of the keydowns by key that reach the
// program (seen); prepare(page) runs before it loads. It answers for puppeteer's page too.
const address = (fragment) => `${site.url}?${Math.random()}${fragment}`;
async function open(viewport, fragment = '', prepare = async () => {}) {
  const page = await browser.open(fragment === null ? null : address(fragment), { ...viewport, prepare: async (raw) => {
    // The keys whose browser action the page let happen (an exposed function outlives a reload, such as F5's).
    await raw.exposeFunction('letThrough', (key) => letThrough.push(key));
    await raw.evaluateOnNewDocument(`window.seen = {};
      addEventListener('keydown', (event) => { seen[event.key] = (seen[event.key] ?? 0) + 1; event.defaultPrevented || letThrough(event.key); });`);
    await prepare(raw);
  } });
  const raw = page.raw;
  pages.push(page);
  page.steps = (key = 'b') => page.evaluate((key) => seen[key] ?? 0, key);
  // What midway's act gave on the page's load of that navigation type.
  page.midway = (type = 'navigate') => raw.waitForFunction((type) => sessionStorage.getItem(`midway-${type}`), {}, type)
    .then(async (result) => JSON.parse(await result.jsonValue()));
  page.visit = (fragment) => raw.goto(address(fragment));
  page.reloaded = () => raw.waitForFunction(() => performance.getEntriesByType('navigation')[0].type === 'reload');
  return new Proxy(page, { get: (page, key) => (key in page ? page[key] : typeof raw[key] === 'function' ? raw[key].bind(raw) : raw[key]) });
}
// For open's prepare: the page itself runs the act of its load's navigation type ('navigate', 'reload'),
// once a tab, in the first task where a mutation shows a link's replay under way and the act gives a
// value (a wait begun from outside can come after a fast replay has ended).
const midway = (acts) => (raw) => raw.evaluateOnNewDocument(`(() => {
  const type = performance.getEntriesByType('navigation')[0]?.type;
  const act = { ${Object.entries(acts).map(([type, act]) => `${type}: ${act}`).join(', ')} }[type];
  if (!act || sessionStorage.getItem(\`midway-\${type}\`)) return;
  addEventListener('DOMContentLoaded', () => new MutationObserver((_, watch) => {
    if (document.getElementById('replay').hidden || !(document.getElementById('replay-progress').value > 0)) return;
    const result = act(); // undefined: not yet
    if (result === undefined) return;
    watch.disconnect();
    sessionStorage.setItem(\`midway-\${type}\`, JSON.stringify(result));
  }).observe(document, { subtree: true, childList: true, attributes: true, characterData: true }));
})()`);
// axe-core, injected into the page, finds no violation.
const axePath = createRequire(import.meta.url).resolve('axe-core');
async function axe(page, name) {
  await page.addScriptTag({ path: axePath });
  const found = await page.evaluate(async () => (await axe.run()).violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target)}`));
  check(`axe-core: no violation, ${name}`, found.length === 0, found.join('; '));
}
try {
  const page = await open(desktop);
  const first = await page.reach('the program draws its first frame');
  const firstPose = await page.evaluate(() => Module.UTF8ToString(Module._quadrupedPose()));
  await axe(page, 'desktop, running');
  // Keys that have a browser action of their own (checked below to be prevented).
  await page.press(',', 'F1', 'F7', 'F8', 'ArrowRight', 'ArrowUp', 'b', 'F11');
  // The page's reading of a key event is the toolkit's own, for every keyCode with any modifiers.
  const misread = await page.evaluate(async () => {
    const { toolkitKey } = await import('./keyrules.js');
    const glut = (event, special = GLUT.getSpecialKey(event.keyCode), character = GLUT.getASCIIKey(event)) =>
      (special !== null ? `special ${special}` : character !== null ? `character ${character}` : null);
    return Array.from({ length: 4096 }, (_, n) => ({ keyCode: n >> 4, shiftKey: (n & 1) > 0, ctrlKey: (n & 2) > 0, altKey: (n & 4) > 0, metaKey: (n & 8) > 0 }))
      .filter((event) => toolkitKey(event) !== glut(event)).map((event) => `${JSON.stringify(event)}: ${toolkitKey(event)}, the toolkit ${glut(event)}`);
  });
  check('the page reads every key event as the toolkit does', misread.length === 0, misread.slice(0, 3).join('; '));

  // F5: full screen (headless Chromium grants it); F6: back to 640 x 360.
  await page.press('F5');
  await page.reach('F5: full screen, the program draws at the screen\'s size', 'document.fullscreenElement && ' +
    'Module.canvas.width === screen.width && Math.abs(state.aspect - screen.width / screen.height) < 1e-6');
  await page.press('F6');
  await page.reach('F6: out of full screen, the program draws at 640 x 360 again', '!document.fullscreenElement && ' +
    'Module.canvas.width === 640 && Module.canvas.height === 360 && Math.abs(state.aspect - 640 / 360) < 1e-6');
  check('every key\'s browser action prevented (F5 did not reload)', letThrough.length === 0, letThrough.join(' '));

  // Escape, in the task of an edit whose redraw is still to come: the page says so; no frame comes
  // after, from the tail timer or a key.
  await page.evaluate(() => (document.querySelector('[aria-label="walk keyframe 0, hind right, upper, 1 degree more"]').click(),
    Module.canvas.dispatchEvent(new KeyboardEvent('keydown', { key: 'Escape', code: 'Escape', keyCode: 27, bubbles: true }))));
  const ended = await page.waitForSelector('#ended:not([hidden])', { timeout: 3000 }).catch(() => null);
  const message = ended && (await page.$eval('#ended-message', (p) => p.textContent));
  check('Escape: the page says the program has ended, Copy link is off', message === 'The program has ended (exit status 0).' &&
    (await page.$eval('#copy-link', (button) => button.disabled)), message);
  // The ended page shows the last frame as a picture (rows bottom-up, as the frames are read).
  const kept = await page.evaluate(async () => {
    const picture = document.getElementById('last-frame');
    await picture.decode();
    const { naturalWidth: width, naturalHeight: height } = picture;
    const context = Object.assign(document.createElement('canvas'), { width, height }).getContext('2d');
    context.setTransform(1, 0, 0, -1, 0, height);
    context.drawImage(picture, 0, 0);
    const pixels = context.getImageData(0, 0, width, height).data;
    const [onScreen] = picture.getClientRects();
    return { state: JSON.parse(Module.UTF8ToString(Module._quadrupedState())), width, height,
      shown: Module.canvas.getClientRects().length === 0 && Math.abs(onScreen?.width / onScreen?.height - 640 / 360) < 0.01,
      pixels: btoa(Array.from(pixels, (b) => String.fromCharCode(b)).join('')) };
  }).catch((error) => ({ error: error.message }));
  check('the ended page shows a picture in place of the canvas', kept.shown, JSON.stringify(kept.error ?? kept.shown));
  holdAgainstDesktop('10-ended-last-frame', kept.pixels && { ...kept, pixels: Buffer.from(kept.pixels, 'base64') },
    `w0.hr.upper${await page.$eval('[aria-label="walk keyframe 0, hind right, upper, degrees"]', (field) => field.value)}`, null); // the run shows no walk edit
  const now = () => page.evaluate(() => [drawn, Module.UTF8ToString(Module._quadrupedState())]);
  const then = await now();
  await page.press('b', 'F7');
  await sleep(400); // eight periods of the tail timer
  const after = await now();
  check('after the end no frame is drawn and the state stays', after.join() === then.join(), `${after[0] - then[0]} frames`);
  await axe(page, 'desktop, ended');
  if (ended) {
    const reloaded = await Promise.all([page.waitForNavigation({ timeout: 5000 }), page.click('#restart')]).catch(() => null);
    const again = reloaded && (await page.evaluate(() => firstFrame));
    check('Start again: the program draws its first frame again', again?.pixels && JSON.stringify(again.state) === JSON.stringify(first?.state));
  }
  if (shotDir) {
    // The page after engines_test's keys and edits to its state 3; the shin dragged, the program's section with its chain open.
    const shot = await open(desktop, '#edit=r0.fl.lower20_w2.hr.lower-50&keys=12b_F1_10b_3,');
    await shot.settled(), await sleep(300), await shot.screenshot({ path: join(shotDir, 'web.png'), fullPage: true });
    const pick = await open({ width: 1200, height: 1000 });
    await pick.reach('web-pick.png: a first frame'), await pick.settled();
    await pick.pointer(dragPath(await pick.evaluate(aimAt, ...shin)));
    await pick.evaluate(() => document.getElementById('chain-box').setAttribute('open', ''));
    const { x, y, width, height } = await sleep(300).then(() => pick.$eval('.program', (section) => section.getBoundingClientRect().toJSON()));
    await pick.screenshot({ path: join(shotDir, 'web-pick.png'), clip: { x, y, width, height } });
    await shot.close(), await pick.close();
  }
  await page.close();
  // Phones: nothing wider than the screen (a phone would widen its window), the pad in view, 44 x 44 targets.
  const phone = (fragment) => open({ width: 320, height: 568, mobile: true }, fragment);
  const [large, small] = await Promise.all([open({ width: 390, height: 844, mobile: true }), phone()]);
  for (const [page, size] of [[large, [390, 844]], [small, [320, 568]]]) {
    await page.reach(`${size.join(' x ')}: a first frame`);
    // A box wider than the screen (tables, plot, C++) scrolls on its own: the layout's third figure is the count that cannot.
    const layout = await page.evaluate(([width, height]) => [document.documentElement.scrollWidth - width, pad.getBoundingClientRect().bottom - height,
      [...document.querySelectorAll('.scrolls')].filter((box) => box.scrollWidth > box.clientWidth && ((box.scrollLeft = 1e6), box.scrollLeft === 0)).length,
      ...[...document.querySelectorAll('button, input, [tabindex]')].filter((control) => control.getClientRects().length &&
        (['width', 'height'].some((side) => control.getBoundingClientRect()[side] < 44) ||
         !['manipulation', 'none'].includes(getComputedStyle(control).touchAction))).map((control) => control.outerHTML)], size);
    check(`${size.join(' x ')}: no sideways scrolling, the wide boxes scroll, the pad in view, every control 44 x 44 or more, no double-tap zoom`, layout.length === 3 &&
      layout[0] <= 0 && layout[1] <= 0 && layout[2] === 0, JSON.stringify(layout));
    await axe(page, `${size.join(' x ')}, running`);
  }
  // On both phones a tap names the hind right shin; the thumb control shows, its + within the width
  // and 44 px wide or more, and a tap on it turns the shin's cell one degree, its field and plot out of sight too.
  for (const [tapped, width] of [[small, 320], [large, 390]]) {
    await tapped.pointer([(await tapped.evaluate(aimAt, ...shin))[0]], { type: 'touch' });
    const [named, plus] = await sleep(200).then(() => tapped.evaluate(() => [document.getElementById('pointed').textContent,
      !document.getElementById('thumb').hidden && document.getElementById('thumb-up').getBoundingClientRect().toJSON()]));
    const shinAt = async () => [(await tapped.evaluate(readTables)).walk[0][0][2], ...(await tapped.evaluate(() => [
      document.querySelector('#keyframes input[aria-label^="walk keyframe 0, hind right, shin,"]').valueAsNumber,
      +document.querySelector('#plot polyline[data-leg="hind right"][data-joint="shin"]').getAttribute('points').split(/[ ,]/)[1]]))];
    const unturned = await shinAt();
    if (plus) await tapped.tap('#thumb-up');
    const [turnedTo, wide] = await sleep(200).then(async () => [await shinAt(), await tapped.evaluate(() => document.documentElement.scrollWidth - innerWidth)]);
    check(`${width} px wide: a tap names the hind right shin, a tap on the thumb control's + (44 px or wider, within the width) turns it, its field and its plot a degree, no sideways scroll`,
      named.startsWith('hind right shin') && plus && plus.right <= width && plus.width >= 44 && turnedTo.every((to, i) => Math.abs(to - unturned[i] - 1) < 1e-4) && wide <= 0,
      `${named}; ${JSON.stringify(plus)}; ${unturned} -> ${turnedTo}; ${wide} px too wide`);
  }
  await small.close();
  const tap = async (key, times = 1) => { for (let i = 0; i < times; i++) await large.tap(`#pad [data-key="${key}"]`); };
  await tap('b', 12), await tap('F1'), await tap('b', 10), await tap(',', 3), await tap('Right');
  holdAgainstDesktop('9-taps', await large.reach('taps on the pad reached the program, the canvas has the focus',
    'state.gait === "run" && state.heading === 15 && Math.abs(state.cameraYaw - 0.05) < 1e-6 && document.activeElement === Module.canvas'), 'w0.hr.shin71', null); // the run shows no walk edit
  if (shotDir) await large.screenshot({ path: join(shotDir, 'web-phone.png') });
  // A hold, with a mouse, which no pan cancels: the pointer leaves Step for F1 before the button is up.
  const centre = async (key) => (({ x, y, width, height }) => [x + width / 2, y + height / 2])(await (await large.$(`#pad [data-key="${key}"]`)).boundingBox());
  await large.mouse.move(...(await centre('b'))), await large.mouse.down();
  await sleep(200), await large.mouse.move(...(await centre('F1')));
  const left = [await large.steps(), await sleep(1300).then(large.steps)];
  await large.mouse.up();
  check('a hold that leaves the button stops there', left[1] === left[0], left.join(', '));
  // Play for 2 s, then pause (the player's timing is web_logic's): steps come, and stop.
  const unplayed = await large.steps();
  await large.tap('#play'), await sleep(2000), await large.tap('#play');
  const played = [await large.steps(), await sleep(400).then(large.steps)];
  check('play for 2 s steps the figure, and pause stops it', played[0] - unplayed > 1 && played[1] === played[0], `${unplayed}, ${played}`);
  // Two fingers: hold Step, then hold ↺; lifting the first leaves ↺ repeating until its own release.
  const turns = () => large.steps(',');
  const step = await (await large.$('#pad [data-key="b"]')).touchStart();
  await sleep(200);
  const second = await (await large.$('#pad [data-key=","]')).touchStart();
  await sleep(700), await step.end();
  const turned = [await turns(), await sleep(500).then(turns), await second.end().then(turns), await sleep(400).then(turns)];
  check('two fingers: lifting one leaves the other\'s hold repeating until its own release', turned[1] - turned[0] >= 3 && turned[3] === turned[2],
    turned.join(', '));
  // Full screen on a phone: the pad goes along, with Step and a way out (F6) on the screen. Each change of full
  // screen is an event, after which the program draws at its new size: the checks wait for that frame.
  const sized = (full) => large.evaluate((full) => waitFrame(`Boolean(document.fullscreenElement) === ${full} &&
    Module.canvas.width === ${full ? 'screen.width' : 640}`, 0), full);
  await large.tap('#pad [data-key="F5"]');
  const full = await sized(true).then(() => large.evaluate(() => document.fullscreenElement.contains(pad) && ['b', 'F6'].every((key) => {
    const button = pad.querySelector(`[data-key="${key}"]`);
    const { x, y, width, height } = button.getBoundingClientRect();
    return document.elementFromPoint(x + width / 2, y + height / 2) === button;
  })));
  const stepped = await large.steps().then((before) => large.tap('#pad [data-key="b"]').then(large.steps).then((after) => after - before));
  await large.tap('#pad [data-key="F6"]');
  const out = await sized(false).then(() => large.evaluate(() => Boolean(pad.closest('.program'))));
  check('full screen on a phone: Step and Leave on the screen, Leave back to the page', full && stepped === 1 && out, `${full} ${stepped} ${out}`);
  await large.tap('#pad [data-key="Escape"]');
  const quit = await large.waitForSelector('#ended:not([hidden])', { timeout: 3000 }).then(() =>
    large.evaluate(() => `${document.getElementById('ended-message').textContent} ${document.activeElement.id}`), () => '');
  check('the quit button ends the program as Escape does, Start again takes the focus', quit === 'The program has ended (exit status 0). restart', quit);
  await axe(large, '390 x 844, ended');

  // Beside the link fuzz below, each in a page of its own.
  const otherLinks = (async () => {
    // Bad links replay and edit nothing, even where what comes before the bad token is good; the page
    // names the token it could not read, as text (the refusals' words and reasons are web_logic's).
    const bad = await phone(null);
    const good = 'w0.hr.upper40';
    for (const [fragment, token] of [[`edit=${good}_w3.hr.lower5&keys=b`, 'token 2 of the edits, "w3.hr.lower5"'],
      ['keys=2b_<b>x</b>', 'token 2 of the keys, "<b>x</b>"']]) {
      await bad.visit(`#${fragment}`);
      const [frame, said, pose] = [await bad.reach(`link #${fragment.slice(0, 40)}: frames`, 'drawn > 3'),
        await bad.$eval('#status', (status) => (status.children.length ? 'markup' : status.textContent)),
        await bad.evaluate(() => Module.UTF8ToString(Module._quadrupedPose()))];
      check(`link #${fragment.slice(0, 40)}: says it could not read ${token}, replays and edits nothing`,
        said.includes(`could not read ${token}`) && scene(frame?.state ?? {}) === scene(first.state) && pose === firstPose, said);
    }
    // Once keys replace the fragment, the refusal goes (as a note about the scene does).
    await bad.keyboard.press('b');
    const [, address, now] = await sleep(300).then(bad.settled);
    check('a refusal goes once keys replace the fragment', address === '#keys=b' && now === '', `${address} "${now}"`);
    // A link's edits, one stepped by +, then Reset, for the walk and for both: the desktop's first frame again.
    await bad.visit(`#edit=${good}_r0.hr.upper40`);
    holdAgainstDesktop('11-edited-link', await bad.settled().then(() => bad.reach('a link\'s edits', 'true')), good);
    const marks = (tap) => bad.tap(tap).then(() => sleep(300)).then(() => bad.evaluate(() => `${location.hash} ${document.querySelectorAll('input.edited').length}`));
    const resets = [await marks('[aria-label="walk keyframe 0, hind right, upper, 1 degree more"]'), await marks('#reset-gait'), await marks('#reset-all')];
    check('+ steps an angle, Reset takes the walk\'s edits away, then both gaits\'', resets.join() === '#edit=r0.hr.upper40_w0.hr.upper41 2,#edit=r0.hr.upper40 1, 0',
      resets.join());
    holdAgainstDesktop('12-reset', await bad.reach('after Reset', 'true'), '', good);
    for (let i = 0; i < 3; i++) await bad.keyboard.press('b');
    await bad.reach('3 b after Reset', 'state.substep === 6');
    check('the plot marks the step now between keyframes', await bad.$eval('#plot .now', (mark) => mark.getAttribute('x1')) === '3');
    // Ctrl+Z undoes each Reset in turn, Ctrl+Shift+Z redoes; the status line says which.
    const undone = [];
    for (const chord of [['Control', 'z'], ['Control', 'z'], ['Control', 'Shift', 'Z']]) {
      await bad.press(chord);
      undone.push(await sleep(300).then(() => bad.evaluate(() => `${location.hash} ${document.getElementById('status').textContent}`)));
    }
    check('Ctrl+Z undoes each Reset, Ctrl+Shift+Z redoes, the status line says which', undone.join('|') === '#edit=r0.hr.upper40&keys=3b Undone: the reset of both gaits.|' +
      '#edit=r0.hr.upper40_w0.hr.upper41&keys=3b Undone: the reset of the walk.|#edit=r0.hr.upper40&keys=3b Redone: the reset of the walk.', undone.join('|'));
    await bad.close();

    // A long link: the address holds all of it from the start, through a reload and Copy link; a lost
    // context outlives the replay in the status line; past 10,000 keys the scene can no longer be linked.
    const long = '#keys=6999b_F1_3000b';
    const reloading = await open(desktop, long, midway({ navigate: () => [location.hash, location.reload()][0],
      reload: () => [location.hash, document.getElementById('copy-link').click(),
        (window.lose = Module.ctx.getExtension('WEBGL_lose_context')).loseContext()][0] }));
    const before = await reloading.midway('navigate');
    const during = await reloading.midway('reload');
    const [longState, longAddress, lostSaid] = await reloading.settled();
    check('a long link: the address holds it all during the replay and after a reload', before === long && during === long && longAddress === long &&
      longState.gait === 'run' && Math.abs(longState.figureX - (6999 * 0.03 + 3000 * 0.12)) < 1, `${before} ${during} ${longAddress} ${longState.figureX}`);
    check('the replay ends, the context still lost: the status line says so, and offers the whole link',
      /being restored/.test(lostSaid) && lostSaid.includes(`${long}`), lostSaid);
    await reloading.evaluate(() => lose.restoreContext());
    await reloading.keyboard.press('b');
    await reloading.click('#copy-link');
    const [, pastAddress, pastSaid] = await sleep(300).then(reloading.settled);
    check('past 10,000 keys: no link, and Copy link says the scene can no longer be linked', pastAddress === '' &&
      pastSaid === 'More than 10,000 keys: this scene can no longer be linked.', `${pastAddress} "${pastSaid}"`);
    await reloading.close();

    // Stop: the scene stays where the replay got to, and the address says what it holds. A replay draws
    // one frame per task, not one per key.
    const stopping = await open(desktop, '#keys=10000b',
      midway({ navigate: () => (document.getElementById('replay-progress').value < 2000 ? undefined
        : [document.getElementById('replay-progress').value, drawn, document.getElementById('stop').click()]) }));
    const [done, frames] = await stopping.midway();
    const [stopped, stopAddress, stopSaid] = await sleep(300).then(stopping.settled);
    const given = await stopping.steps();
    await stopping.visit(stopAddress);
    const [again] = await stopping.settled();
    check('Stop: the replay stops, the address holds what was given, and gives the same scene', done > 0 && done < 10000 && given === done && frames < done / 5 &&
      stopAddress === `#keys=${done}b` && stopSaid === `The replay was stopped after ${done.toLocaleString('en')} of 10,000 keys: the address holds this scene.` &&
      scene(again) === scene(stopped), `${done} keys, ${frames} frames drawn, ${given} given, ${stopAddress} "${stopSaid}"`);
    await stopping.close();

    // Keys pressed before keys.json arrives are held back; a fragment entered by hand starts afresh with it.
    let release = null; // lets keys.json through, the first time held back
    const slow = await open(desktop, '#keys=2F1', async (page) => {
      await page.setRequestInterception(true);
      page.on('request', (request) => (request.url().endsWith('/keys.json') && !release ? (release = () => request.continue()) : request.continue()));
    });
    await slow.reach('keys.json late: the first frame'), await slow.keyboard.press('b'), await slow.keyboard.press('b');
    await release();
    const [early, earlyAddress] = await slow.settled();
    check('keys before keys.json: none reaches the program unrecorded', scene(early) === scene(first.state) && earlyAddress === '#keys=2F1', earlyAddress);
    await slow.evaluate(() => (location.hash = '#keys=5b'));
    await slow.reloaded(), await slow.settled(), await slow.keyboard.press('b');
    await slow.waitForFunction(() => location.hash !== '#keys=5b', { timeout: 10000 }).catch(() => {}); // the key's write, not a time
    const [, byHand] = await slow.settled();
    check('a fragment entered by hand is replayed, then recorded after', byHand === '#keys=6b' && (await slow.steps()) === 6, byHand);
    await slow.close();
  })();

  // Where the page cannot go on (no WebGL, a page file missing, the picture lost for good), the status line
  // says why, the controls that need the program are off, and nothing throws: the console's only errors are
  // the browser's own, of a missing file.
  const failures = (async () => {
    const noWebGL = await launchEngine('chromium', { webgl: false, check });
    for (const [name, words, from, file] of [['no WebGL', noWebGLText, noWebGL], ['the picture lost for good', lostText, browser],
      ...['keys.json', 'quadruped.wasm', 'quadruped.js'].map((file) => [`${file} missing`, unloadedText(file, '404 Not Found'), browser, file])]) {
      const failing = await from.open(site.url, { prepare: async (raw) => {
        await raw.setRequestInterception(true);
        raw.on('request', (request) => (file && request.url().endsWith(`/${file}`) ? request.respond({ status: 404 }) : request.continue()));
      } });
      if (!file && from === browser) await failing.raw.waitForFunction(() => document.querySelector('#editor input'))
        .then(() => failing.evaluate(() => Module.ctx.getExtension('WEBGL_lose_context').loseContext()));
      await cannotGoOn(check, failing, name, words, /Failed to load resource/);
      await failing.close();
    }
    await noWebGL.close();
  })();

  // Link fuzz: random keys pressed are recorded exactly in the address, whose link gives their scene
  // again. Two pages, each with its share of the runs.
  const { seed, random } = seeded();
  const recordable = JSON.parse(readFileSync(join(siteDir, 'keys.json'), 'utf8')).keys.flatMap((row) => row.buttons).filter(({ name }) => !['Escape', 'F5', 'F6'].includes(name));
  const runs = Array.from({ length: 20 }, () => randomKeys(random, recordable.map(({ name }) => name), 1 + random(2000)));
  const fuzzing = [0, 1].map(async (lane) => {
    const fuzzed = await open(desktop, null);
    const missed = [];
    for (const keys of runs.filter((_, n) => n % 2 === lane)) {
      await fuzzed.visit(''), await fuzzed.settled();
      // Through the keyboard's path, frames left undrawn but the last.
      const pressed = await fuzzed.evaluate((keys, buttons) => {
        keys.forEach((name, k) => {
          const { key, code, keyCode } = buttons.find((button) => button.name === name);
          Module.skipFrames = k < keys.length - 1;
          for (const type of ['keydown', 'keyup']) Module.canvas.dispatchEvent(new KeyboardEvent(type, { key, code, keyCode, bubbles: true }));
        });
        return JSON.parse(Module.UTF8ToString(Module._quadrupedState()));
      }, keys, recordable);
      // The page writes the address once, in a task after the keys': waited for, not timed.
      await fuzzed.waitForFunction(() => location.hash !== '', { timeout: 10000 }).catch(() => {});
      const [, address] = await fuzzed.settled();
      await fuzzed.visit(address);
      const [state, written] = await fuzzed.settled();
      if (address !== `#${linkText(keys)}` || written !== address || scene(state) !== scene(pressed)) missed.push(address.slice(0, 40));
    }
    await fuzzed.close();
    return missed;
  });
  const missed = (await Promise.all(fuzzing)).flat();
  await otherLinks, await failures;
  check(`link fuzz: 20 runs of up to 2,000 random keys recorded, their links give their scene (seed ${seed})`, missed.length === 0, missed.join(' '));
  const problems = (await Promise.all(pages.map((page) => page.problems()))).flat();
  check('no console error or page error', problems.length === 0, problems.join('; '));
} finally {
  await browser.close();
  site.close();
}
finish();
