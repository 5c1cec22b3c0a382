// The browser build (SITE_DIR) in each engine ENGINE... names, side by side: one list of checks
// through real key and pointer input (web_page adds Chromium's own), frames held against the desktop's
// and the pose table and plot against pose_csv (both in TOOLS_DIR, with print_model and the libraries
// the tables copied as C++ build with; an X display; pictures to WORK_DIR); then Firefox without WebGL.
import { execFile, execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';
import { makeModel } from '../../web/page/model.js';
import { noWebGLText } from '../../web/page/words.js';
import { aimAt, cannotGoOn, desktopHolder, dragPath, poseCsv, readTables, reporter, scene, serve, shin, sleep } from './lib.mjs';
import { engineNames, launchEngine } from './engines.mjs';

const [siteDir, toolsDir, workDir, ...wanted] = process.argv.slice(2);
if (!wanted.length) throw new Error('usage: node engines_test.mjs SITE_DIR TOOLS_DIR WORK_DIR ENGINE...');
mkdirSync(workDir, { recursive: true });
const site = await serve(siteDir);
const { checker, finish } = reporter();
const model = makeModel(execFileSync(join(toolsDir, 'print_model'), { encoding: 'utf8' })); // the program's facts
const keysJson = JSON.parse(readFileSync(join(siteDir, 'keys.json'), 'utf8')).keys;
const poses = (gait, edit, tool = join(toolsDir, 'pose_csv')) => poseCsv(tool, gait, edit);

// At sub-step 0 with edit: the pose table is pose_csv's row; the blend names the keyframe and the
// next, which are marked; the one marked "now", read through the pairs' swap where the page says so,
// holds that pose. The plot is pose_csv's cycle, drawn inside it upright, the step now marked.
async function checkPose(page, check, name, { gait, keyframe, substep }, edit = '') {
  const [[[, ...joints], ...pose], tables, blend, mirror, plotted, upright, now] = await page.evaluate(() => {
    const text = (cell) => cell.querySelector('input')?.value ?? cell.textContent;
    const rows = (table) => [...table.rows].map((row) => [...row.cells].map(text));
    const [plot, lines] = [document.getElementById('plot'), [...document.querySelectorAll('#plot polyline')]];
    const within = (inner, outer) => inner.top >= outer.top && inner.bottom <= outer.bottom && inner.left >= outer.left && inner.right <= outer.right;
    return [rows(document.getElementById('pose-now')), [...document.querySelectorAll('#keyframes table:not([hidden])')].map((table) =>
      [table.dataset.mark, table.caption.textContent, rows(table).slice(1)]), document.getElementById('blend').textContent,
    !document.getElementById('mirror').hidden, lines.map((line) => [`${line.dataset.leg} ${line.dataset.joint}`, line.getAttribute('points')]),
    lines.every((line) => line.getScreenCTM().d < 0 && within(line.getBoundingClientRect(), plot.getBoundingClientRect())),
    document.querySelector('#plot .now[visibility=visible]')?.getAttribute('x1')];
  });
  const cycle = poses(gait, edit);
  const csv = cycle.find((row) => +row.keyframe === keyframe && +row.substep === substep) ?? {};
  const fixed = (angle) => (angle === '–' ? angle : (+angle).toFixed(1));
  const wanted = pose.map(([leg]) => [leg, ...joints.map((joint) => fixed(csv[`${leg} ${joint.toLowerCase()}`] ?? '–'))]);
  check(`${name}: the pose table is pose_csv's`, JSON.stringify(pose) === JSON.stringify(wanted), JSON.stringify(pose));
  const { stored: half, cycle: keyframes } = model.gaits.find(({ name }) => name === gait);
  const [next, swapped] = [(keyframe + 1) % keyframes, keyframe >= half];
  const partner = (leg) => model.legs[model.legs.find(({ name }) => name === leg).partner].name;
  const [mark, caption, rows] = tables[keyframe % half];
  const drawn = rows.map(([leg, ...angles]) => [swapped ? partner(leg) : leg, ...angles.map(fixed)]);
  check(`${name}: keyframes ${keyframe} and ${next} marked, the blend, the swap`, mark === 'now' && tables[next % half][0] === 'next' &&
    caption.includes('swapped') === swapped && mirror === swapped && JSON.stringify(drawn.sort()) === JSON.stringify([...pose].sort()) &&
    blend === `Blending keyframe ${keyframe} into keyframe ${next}: ${(substep / 10).toFixed(1)} of the way (sub-step ${substep} / 10).`,
    `${tables.map(([mark]) => mark)} ${blend} ${caption}`);
  const points = plotted.map(([line, points]) => [line, points.split(' ').map((point) => point.split(',').map(Number))]);
  check(`${name}: the plot is pose_csv's cycle, the step now marked`, points.length === model.legs.flatMap(({ joints }) => joints.filter(Boolean)).length && upright && +now === cycle.indexOf(csv) &&
    points.every(([line, angles]) => angles.length === cycle.length && angles.every(([step, angle]) => step === +cycle[step].step &&
      Math.abs(angle - cycle[step][line]) <= 1e-5 * Math.max(1, Math.abs(angle)))), `${points.length} lines, upright ${upright}, now ${now}`);
}

// The tables copied as C++ in place of gait/tables.cpp's, clang-format clean, built with the
// program's core: its pose_csv gives the angles that pose_csv gives with the edits.
async function buildCopied(cpp, edit, name) {
  const [src, run] = [fileURLToPath(new URL('../../', import.meta.url)), promisify(execFile)];
  const [tables, tool] = [join(workDir, `${name}-tables.cpp`), join(workDir, `${name}-pose_csv`)];
  writeFileSync(tables, readFileSync(join(src, 'gait/tables.cpp'), 'utf8').replace(/\/\/ clang-format off\n.*\/\/ clang-format on\n/s, () => cpp));
  await run('clang-format-19', ['--dry-run', '--Werror', `--style=file:${src}.clang-format`, tables]);
  await run('g++', ['-std=c++17', '-Wall', '-Wextra', '-Werror', `-I${src}`, tables, join(src, 'tools/pose_csv.cpp'),
    join(toolsDir, 'libedits.a'), join(toolsDir, '../libquadruped_core.a'), '-lglut', '-lGLU', '-lGL', '-lm', '-o', tool]);
  return model.gaits.every(({ name }) => JSON.stringify(poses(name, '', tool)) === JSON.stringify(poses(name, edit)));
}

// Keys, edits, the link they write, a lost context, the link replayed.
async function frames(engine, check, hold) {
  const page = await engine.open(site.url);
  const first = await page.reach('the program draws its first frame');
  hold('1-first-frame', first);
  await checkPose(page, check, 'first frame', first.state);
  const [title, focused, keys] = await page.evaluate(() => [document.title, document.activeElement.id,
    [...document.querySelectorAll('#keys tbody th')].map((th) => th.textContent)]);
  check('page title', title === 'Trabalho de computação gráfica', title);
  check('the canvas has the keyboard focus', focused === 'canvas', focused);
  check('the keys table is keys.json\'s', keys.join() === keysJson.map((row) => row.key).join(), keys.join(' '));

  // Edits typed into the tables, the run's opened without switching the gait; the
  // keys typed (an arrow steps the angle) stay with the field.
  const edit = async (gait, cell, ...keys) => {
    await page.evaluate((gait, cell) => {
      document.getElementById(`show-${gait}`).click();
      const field = document.querySelector(`input[aria-label="${gait} keyframe ${cell}, degrees"]`);
      field.value = '';
      field.focus();
    }, gait, cell);
    await page.press(...keys);
  };
  const edits = { walk: 'w2.hr.lower-50', run: 'r0.fl.lower20', both: 'r0.fl.lower20_w2.hr.lower-50' };
  await edit('run', '0, front left, lower', '2', '0');
  await edit('walk', '2, hind right, lower', '-', '4', '9', 'ArrowDown');
  const copied = buildCopied(await page.evaluate(() => document.getElementById('cpp').textContent), edits.both, engine.name);
  await page.evaluate(() => document.getElementById('canvas').focus());
  await page.press(...'b'.repeat(12));
  const walked = await page.reach('12 b', 'state.keyframe === 2');
  hold('2-walk-edited', walked, edits.walk);
  await checkPose(page, check, '12 b, edited', walked.state, edits.walk);
  await page.press('F1', ...'b'.repeat(5));
  await checkPose(page, check, '12 b, F1, 5 b, edited', (await page.reach('F1, 5 b', 'state.gait === "run" && state.keyframe === 3')).state, edits.run);
  await page.press(...'b'.repeat(5), ...',,,');
  const pressed = await page.reach('b, F1, b and , reached the program', `state.gait === 'run' && ` +
    `state.heading === 15 && Math.abs(state.figureX - ${12 * 0.03 + 10 * 0.12}) < 1e-4`);
  hold('3-run-turned', pressed, edits.both);
  const [, link] = await sleep(300).then(page.settled);
  const [pressedPose, marked] = await page.evaluate(() => [Module.UTF8ToString(Module._quadrupedPose()),
    [...document.querySelectorAll('#keyframes input.edited')].map((field) => field.getAttribute('aria-label'))]);
  check('the link records the edits and the keys received; the edited fields are marked', link === `#edit=${edits.both}&keys=12b_F1_10b_3,` &&
    marked.join() === 'walk keyframe 2, hind right, lower, degrees,run keyframe 0, front left, lower, degrees', `${link} ${marked}`);
  const built = await copied.then((same) => (same ? '' : 'pose_csv gives other angles'), (error) => error.message);
  check('the tables copied as C++, built: clang-format clean, pose_csv gives the angles the page showed', built === '', built);

  await page.press('F7', 'F8', 'ArrowRight', 'ArrowRight', 'ArrowRight', 'ArrowUp', 'ArrowUp');
  hold('4-unlit-treeless-camera', await page.reach('F7, F8 and the camera keys: lighting and trees off, the camera moved',
    'state.lighting === 0 && state.trees === 0 && Math.abs(state.cameraYaw - 0.15) < 1e-6 && state.cameraZ < 4.1'), edits.both);
  await page.press('F7', 'F8');

  // A lost WebGL context, where the engine can lose one on purpose: the page says so, keys
  // pressed meanwhile reach the program, and once the context is back the canvas shows their scene.
  if (!(await page.evaluate(() => !!(window.lose = Module.ctx.getExtension('WEBGL_lose_context')) && (lose.loseContext(), true))))
    console.log(`note ${engine.name}: no WEBGL_lose_context, so no lost context is checked here`);
  else {
    const said = await sleep(500).then(() => page.evaluate(() => document.getElementById('status').textContent));
    check('a lost context: the page says the picture is being restored', /restored/.test(said), said);
    await page.press(',', ',');
    await page.evaluate(() => lose.restoreContext());
    hold('5-restored', await page.reach('the context restored, with the keys pressed meanwhile', 'state.heading === 25'), edits.both);
  }

  // The link in a fresh profile: the scene and pose of its edits and keys.
  const linked = await engine.open(`${site.url}${link}`);
  const [replayed] = await linked.settled();
  const replayedPose = await linked.evaluate(() => Module.UTF8ToString(Module._quadrupedPose()));
  check('the link gives the scene and the pose of the edits and keys', scene(replayed) === scene(pressed?.state ?? {}) &&
    replayedPose === pressedPose, JSON.stringify(replayed));
  hold('6-link', await linked.reach('a frame of the replayed link', 'true'), edits.both);
  const problems = [...(await linked.problems()), ...(await page.problems())];
  check('no page error or console error', problems.length === 0, problems.join('; '));
  await linked.close(), await page.close();
}

// Pointing at the hind right shin: a click, a drag, its undo and redo, ], the second half-cycle.
async function pointing(engine, check) {
  const page = await engine.open(site.url);
  await page.evaluate(() => firstFrame), await page.settled();
  const aim = await page.evaluate(aimAt, ...shin);
  await page.pointer([aim[0]]);
  const named = await page.evaluate(() => document.getElementById('pointed').textContent);
  check('a click at the projected middle of the hind right shin names it', named.startsWith('hind right shin, turned by the shin joint: 70.0°'), named);
  // The next frame's pixels: the shin (a brown coat) is tinted blue, the sky at (5, 5) is not.
  const marks = await page.evaluate(([[x, y]]) => waitFrame('true').then(({ width, height, pixels }) => {
    const bytes = atob(pixels), at = (px, py) => [0, 1, 2].map((k) => bytes.charCodeAt(((height - 1 - Math.round(py)) * width + Math.round(px)) * 4 + k));
    return [at(x, y), at(5, 5)];
  }), aim);
  check('the shin is marked in the picture, the sky is not', marks[0][2] > marks[0][0] + 40 && marks[1][2] <= marks[1][0] + 40, JSON.stringify(marks));
  // The cells that differ between two readings of the tables, as "gait keyframe leg joint"; the tables after keys.
  const changed = (before, after) => Object.keys(before).flatMap((gait) => before[gait].flatMap((rows, k) =>
    rows.flatMap((row, leg) => row.map((v, joint) => (v !== after[gait][k][leg][joint] ? `${gait} ${k} ${leg} ${joint}` : null))))).filter(Boolean);
  const tablesAfter = async (...keys) => (await page.press(...keys), await sleep(100), page.evaluate(readTables));
  const before = await page.evaluate(readTables);
  await page.pointer(dragPath(aim));
  const after = await tablesAfter();
  check('a drag of it towards the front raises walk keyframe 0, hind right, shin above 70, and nothing else',
    after.walk[0][0][2] > 70 && changed(before, after).join() === 'walk 0 0 2', `${after.walk[0][0][2]}; changed ${changed(before, after)}`);
  const [undone, redone] = [await tablesAfter(['Control', 'z']), await tablesAfter(['Control', 'Shift', 'Z'])];
  check('Ctrl+Z takes the whole drag back, to the cell\'s 70 the program held before; Ctrl+Shift+Z gives the dragged angle again',
    before.walk[0][0][2] === 70 && changed(before, undone).length === 0 && changed(after, redone).length === 0,
    `${undone.walk[0][0][2]}, then ${redone.walk[0][0][2]}`);
  const turned = await tablesAfter(']');
  const address = await page.evaluate(() => location.hash);
  check('] turns the selected joint one degree more, and is no key of the program\'s',
    Math.abs(turned.walk[0][0][2] - after.walk[0][0][2] - 1) < 1e-4 && !/keys=/.test(address), `${turned.walk[0][0][2]}; ${address}`);

  // The second half-cycle: keyframe 3 mirrors keyframe 0 with the pairs swapped.
  await page.evaluate(() => document.getElementById('canvas').focus());
  const walk = model.gaits.find(({ name }) => name === 'walk');
  await page.press(...'b'.repeat((3 * walk.steps) / walk.cycle));
  const reached = (await page.evaluate(() => waitFrame('state.keyframe === 3 && state.substep === 0'))).state;
  await page.evaluate(() => scrollBy(0, 30)); // the canvas moves on the screen: picks follow it
  const [mirrored, second] = [await page.evaluate(aimAt, ...shin), await page.evaluate(readTables)];
  await page.pointer(dragPath(mirrored));
  const third = await tablesAfter();
  const said = await page.evaluate(() => document.getElementById('pointed').textContent);
  check('in the second half-cycle the same drag changes the partner\'s cell, walk keyframe 0, hind left, shin',
    changed(second, third).join() === 'walk 0 1 2' && third.walk[0][1][2] > second.walk[0][1][2] && /hind left, shin \(keyframe 3 mirrors it\)/.test(said),
    `at ${reached?.keyframe}.${reached?.substep}, changed ${changed(second, third)}; ${said}`);
  const problems = await page.problems();
  check('no page error or console error', problems.length === 0, problems.join('; '));
  await page.close();
}

const unknown = engineNames.filter((name) => !wanted.includes(name));
checker('all')('the run covers every engine the driver drives', unknown.length === 0, unknown.length ? `left out: ${unknown}` : wanted.join(', '));
// Each engine's checks in turn, the engines side by side (Chromium's without WebGL are web_page's).
await Promise.all(wanted.map(async (name) => {
  const check = checker(name);
  const started = Date.now();
  try {
    const engine = await launchEngine(name, { check });
    console.log(`note ${name}: ${engine.version}${engine.hookedEarly ? '' : '; the frame hook goes in after the page\'s load: the "first" frame is the first after it'}`);
    const hold = desktopHolder(check, toolsDir, workDir);
    await frames(engine, check, (picture, ...rest) => hold(`${name}-${picture}`, ...rest));
    await pointing(engine, check);
    await engine.close();
    if (name === 'firefox') {
      // Without WebGL (the browser's own warning that it has none aside).
      const noWebGL = await launchEngine(name, { webgl: false, check });
      const page = await noWebGL.open(site.url);
      await cannotGoOn(check, page, 'WebGL off', noWebGLText, /^console: .*WebGL/i);
      await page.close(), await noWebGL.close();
    }
  } catch (error) {
    check('driven to the end', false, error.stack);
  }
  console.log(`time ${name}: ${((Date.now() - started) / 1000).toFixed(1)} s`);
}));
site.close();
finish();
