// The browser build (SITE_DIR) in each engine that ENGINE... names (the driver's:
// engines.mjs), through real key input: the first frame and the frames after an
// edit typed into the keyframe tables and after keys, each held against the
// desktop frame of its state (render_frames in TOOLS_DIR, pictures to WORK_DIR);
// the link those wrote, replayed in a fresh profile, ends in the scene the keys
// gave and in the desktop program's frame of the same edit and keys pressed from
// its start; a lost context comes back with the keys pressed meanwhile. Then, in
// Firefox with WebGL turned off (webgl.disabled), the page says so, disables what
// needs the program and throws nothing. Engines run side by side; an engine
// that cannot be launched or driven fails the run.
import { mkdirSync } from 'node:fs';
import { noWebGLText } from '../../web/page/words.js';
import { desktopHolder, serve } from './lib.mjs';
import { engineNames, launchEngine } from './engines.mjs';

const [siteDir, toolsDir, workDir, ...wanted] = process.argv.slice(2);
if (!wanted.length) throw new Error('usage: node engines_test.mjs SITE_DIR TOOLS_DIR WORK_DIR ENGINE...');
mkdirSync(workDir, { recursive: true });
const site = await serve(siteDir);
const lines = {}; // by engine, printed engine by engine once all are done
let failed = 0;
const say = (engine, line) => (lines[engine] ??= []).push(line);
// A check of engine's, printed with its name.
const checker = (engine) => (name, ok, detail = '') => {
  failed += !ok;
  say(engine, `${ok ? 'ok  ' : 'FAIL'} ${engine}: ${name}${detail ? `: ${detail}` : ''}`);
};
const scene = ({ tailAngle, tailSwingUp, ...rest }) => JSON.stringify(rest); // all but the tail, which its timer moves
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
// The page's state, address and status line once it has loaded and replayed its link.
const settled = (page) => page.evaluate(() => new Promise((resolve) => {
  const poll = () => (!window.Module?.calledRun || /Loading|Replaying/.test(document.getElementById('status').textContent)
    ? setTimeout(poll, 50)
    : resolve([JSON.parse(Module.UTF8ToString(Module._quadrupedState())), location.hash, document.getElementById('status').textContent]));
  poll();
}));
// The keys of a link's keys= part, one by one: "12b_F1" is 12 b, then F1.
const linkKeys = (hash) => (hash.match(/keys=([^&]*)/)?.[1] ?? '').split('_').filter(Boolean)
  .flatMap((token) => ((count, key) => Array(+(count || 1)).fill(key))(...token.match(/^(\d*)(.+)$/).slice(1)));

async function drive(name) {
  const check = checker(name);
  const hold = desktopHolder(check, toolsDir, workDir);
  const started = Date.now();
  const engine = await launchEngine(name);
  check(`launched ${engine.version}`, true, engine.hookedEarly ? '' : 'the frame hook goes in after the page\'s load: the "first" frame is the first after it');
  const page = await engine.open(site.url);
  // The next frame that meets condition (the first one without), its pixels a Buffer.
  const reach = async (what, condition, at = page) => {
    const frame = await at.evaluate((condition) => (condition ? waitFrame(condition) : firstFrame), condition);
    check(what, frame.pixels, frame.pixels ? '' : `none within 10 s; the state: ${JSON.stringify(frame.state)}`);
    return frame.pixels && { ...frame, pixels: Buffer.from(frame.pixels, 'base64') };
  };
  hold(`${name}-1-first-frame`, await reach('the first frame'));

  // An edit typed into the walk's keyframe 2, then keys on the canvas.
  const edit = 'w2.hr.lower-49';
  await page.evaluate(() => {
    document.getElementById('show-walk').click();
    const field = document.querySelector('input[aria-label="walk keyframe 2, hind right, lower, degrees"]');
    field.value = '';
    field.focus();
  });
  await page.press('-', '4', '9', 'Tab');
  const edited = await sleep(300).then(() => page.evaluate(() => location.hash));
  check('an angle typed into the tables: the link holds the edit', edited === `#edit=${edit}`, edited);
  await page.evaluate(() => document.getElementById('canvas').focus());
  await page.press(...'b'.repeat(12));
  hold(`${name}-2-walk-edited`, await reach('12 b', 'state.keyframe === 2 && state.substep === 0'), edit);
  await page.press('F1', ...'b'.repeat(10), ',', ',', ',', 'ArrowRight');
  const pressed = await reach('F1, 10 b, 3 , and Right reached the program', 'state.gait === "run" && state.heading === 15 && ' +
    `Math.abs(state.figureX - ${12 * 0.03 + 10 * 0.12}) < 1e-4 && Math.abs(state.cameraYaw - 0.05) < 1e-6`);
  hold(`${name}-3-run-turned`, pressed, edit, null);
  const [, link] = await sleep(300).then(() => settled(page));
  check('the link records the edit and the keys', link === `#edit=${edit}&keys=12b_F1_10b_3,_Right`, link);

  // The link in a fresh profile: the scene of the keys, the desktop's frame of those keys pressed.
  const linked = await engine.open(`${site.url}${link}`);
  const [replayedState] = await settled(linked);
  check('the link replayed gives the scene the keys gave', scene(replayedState) === scene(pressed?.state ?? {}), JSON.stringify(replayedState));
  hold(`${name}-4-link`, await reach('a frame of the replayed link', 'true', linked), edit, null, linkKeys(link));
  const linkProblems = await linked.problems();
  await linked.close();

  // A lost context, where the engine can lose one on purpose.
  const loses = await page.evaluate(() => !!(window.lose = Module.ctx.getExtension('WEBGL_lose_context')) && (lose.loseContext(), true));
  if (!loses) say(name, `note ${name}: no WEBGL_lose_context, so no lost context is checked here`);
  else {
    const said = await page.evaluate(() => new Promise((resolve) => setTimeout(() => resolve(document.getElementById('status').textContent), 500)));
    check('a lost context: the page says the picture is being restored', /restored/.test(said), said);
    await page.press(',', ',');
    await page.evaluate(() => lose.restoreContext());
    hold(`${name}-5-restored`, await reach('the context back, with the keys pressed meanwhile', 'state.heading === 25'), edit, null);
  }
  const problems = [...linkProblems, ...(await page.problems())];
  check('no page error or console error', problems.length === 0, problems.join('; '));
  await page.close();
  await engine.close();
  say(name, `time ${name}: ${((Date.now() - started) / 1000).toFixed(1)} s`);
}

// The status line once the page no longer says it is loading (or after 10 s).
const said = (page) => page.evaluate(() => new Promise((resolve) => {
  const status = document.getElementById('status');
  const poll = (tries) => (/^Loading/.test(status.textContent) && tries ? setTimeout(poll, 100, tries - 1) : resolve(status.textContent));
  poll(100);
}));
// With WebGL turned off the page says so in plain words and disables what needs the program.
async function withoutWebgl(name) {
  const check = checker(name);
  const engine = await launchEngine(name, { webgl: false });
  const page = await engine.open(site.url);
  const words = await said(page);
  check('WebGL off: the status line says the page needs it and what to try', words === noWebGLText, words);
  const [controls, enabled] = await page.evaluate(() => ((all) => [all.length, all.filter((control) => !control.disabled)
    .map((control) => control.id || control.dataset.key || control.getAttribute('aria-label'))])(
    [...document.querySelectorAll('#pad :is(button, input), #editor :is(button, input, select)')]));
  check('WebGL off: the pad, Play, the editor and Copy link are disabled', controls > 0 && enabled.length === 0, `${controls} controls, on: ${enabled}`);
  // The browser's own warning that it has no WebGL aside.
  const problems = (await page.problems()).filter((problem) => !/^console: .*WebGL/i.test(problem));
  check('WebGL off: no page error or console error', problems.length === 0, problems.join('; '));
  await page.close(), await engine.close();
}

const unknown = engineNames.filter((name) => !wanted.includes(name));
checker('all')('the run covers every engine the driver drives', unknown.length === 0, unknown.length ? `left out: ${unknown}` : wanted.join(', '));
// Each engine's checks in turn, the engines side by side. Chromium's without
// WebGL, and with a page file missing, are web_page's.
const lanes = { firefox: [drive, withoutWebgl] };
await Promise.all(wanted.map(async (name) => {
  for (const checks of lanes[name] ?? [drive]) await checks(name).catch((error) => checker(name)(`${checks.name}: driven to the end`, false, error.stack));
}));
site.close();
console.log(['all', ...wanted].flatMap((name) => lines[name] ?? []).join('\n'));
console.log(failed ? `${failed} failed` : 'all passed');
process.exit(failed ? 1 : 0);
