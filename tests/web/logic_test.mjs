// The page's rules (web/page/) under node's test runner, with the build's keys.json (QUADRUPED_KEYS), the
// program's model (QUADRUPED_MODEL_TOOL: print_model) and pose sampler (POSE_CSV: pose_csv): keys, links and
// their edits, the status line's words, the player's rate, the keyframe tables' marks and as C++, the undo
// history, and the cell that pointing at the figure names and turns. QUADRUPED_SEED repeats a fuzz run.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';
import * as cell from '../../web/page/cell.js';
import * as grammar from '../../web/page/grammar.js';
import { History } from '../../web/page/history.js';
import * as keyrules from '../../web/page/keyrules.js';
import { makeModel } from '../../web/page/model.js';
import * as source from '../../web/page/source.js';
import * as words from '../../web/page/words.js';
import { linkText, poseCsv, randomKeys, seeded } from './lib.mjs';

const keys = keyrules.keyTable(JSON.parse(readFileSync(process.env.QUADRUPED_KEYS, 'utf8')));
const model = makeModel(execFileSync(process.env.QUADRUPED_MODEL_TOOL, { encoding: 'utf8' })); // the program's own facts
const links = { keys, model };
const kRecorded = ['b', ',', '.', 'F1', 'F11', 'F7', 'F8', 'Left', 'Right', 'Up', 'Down'];

test('what a key gives the program, and what a link records of it', () => {
  // Buttons and the player send keys.json's own events.
  const buttons = [...keys.byName.values()];
  assert.deepEqual(buttons.filter((button) => keyrules.keyName(keys, button) !== button.name), []);
  assert.deepEqual(buttons.map(({ name }) => name).filter(keyrules.recorded).sort(), [...kRecorded].sort());
  // The keyboard, as Emscripten's GLUT reads it: [event, the program's key].
  for (const [event, name] of [
    [{ keyCode: 110 }, '.'], [{ keyCode: 110, shiftKey: true }, '.'], [{ keyCode: 108 }, ','], // the keypad
    [{ keyCode: 190 }, '.'], [{ keyCode: 190, shiftKey: true }, null], [{ keyCode: 188, shiftKey: true }, null],
    [{ keyCode: 66 }, 'b'], [{ keyCode: 66, shiftKey: true }, null], [{ keyCode: 66, ctrlKey: true }, null],
    [{ keyCode: 112, ctrlKey: true }, 'F1'], [{ keyCode: 39, shiftKey: true }, 'Right'], [{ keyCode: 122, altKey: true }, 'F11'],
    [{ keyCode: 46 }, null], [{ keyCode: 65 }, null], [{ keyCode: 0 }, null], // Delete, a, none
    [{ keyCode: 27 }, 'Escape'], [{ keyCode: 27, metaKey: true }, null], [{ keyCode: 116 }, 'F5'], [{ keyCode: 117, shiftKey: true }, 'F6'],
  ]) assert.equal(keyrules.keyName(keys, event), name, JSON.stringify(event));
  for (const name of ['Escape', 'F5', 'F6', null]) assert.equal(keyrules.recorded(name), false, name);
  // Keys that stay with the page never reach the program.
  assert.deepEqual([['Tab', null], ['Enter', 'button'], [' ', 'button'], ['ArrowLeft', 'slider'], ['End', 'slider'], ['.', 'field'],
    ['ArrowDown', 'field'], ['b', 'button'], ['ArrowLeft', 'button'], ['Enter', null], ['b', 'slider']].map(([key, control]) => keyrules.pageKeeps(key, control)),
  [true, true, true, true, true, true, true, false, false, false, false]);
});

test('links read and written', () => {
  const read = (fragment) => grammar.readLink(fragment, links).keys;
  assert.deepEqual(read('keys=3%2C_2Right_F11'), [[',', 3], ['Right', 2], ['F11', 1]]);
  assert.deepEqual([read(''), read('keys=')], [[], []]);
  // Written as read, edits first, a cell's last edit in its place, "-0.0" as "0".
  for (const [fragment, written] of [['keys=12b_F1_10b_3,', 'keys=12b_F1_10b_3,'], ['keys=1b_b_2F1', 'keys=2b_2F1'],
    ['keys=3%2C', 'keys=3,'], ['', ''], [`keys=${grammar.kLinkLimit}b`, `keys=${grammar.kLinkLimit}b`],
    ['edit=w2.hr.lower-50_r1.fl.paw20.5&keys=12b', 'edit=w2.hr.lower-50_r1.fl.paw20.5&keys=12b'],
    ['keys=b&edit=r0.hl.upper-0.0_w0.fr.shin-180_r0.hl.upper180', 'edit=w0.fr.shin-180_r0.hl.upper180&keys=b']])
    assert.equal(grammar.writeLink(grammar.readLink(fragment, links), links), written);
  // What cannot be read, with the token, its place among the keys and why.
  for (const [fragment, token, position, why] of [
    ['keys=2b_Escape', 'Escape', 2, /never quits or resizes/], ['keys=F5', 'F5', 1, /never quits/], ['keys=b_Q', 'Q', 2, /no such key/],
    ['keys=0b', '0b', 1, /whole number/], ['keys=01b', '01b', 1, /whole number/], ['keys=9000b_1001b', '1001b', 2, /more than 10,000 keys/],
    ['keys=b__b', '', 2, /empty/], ['keys=b_', '', 2, /empty/], ['keys=B', 'B', 1, /no such key/], ['keys=%E0b', '%E0b', 1, /no such key/],
    ['top', 'top', 0, /holds "edit=" and "keys="/], ['keys=b&keys=b', 'keys=b', 0, /twice/],
    [`edit=${Array(201).fill('w0.hr.lower5').join('_')}`, 'w0.hr.lower5', 201, /more than 200 edits/],
  ]) {
    assert.throws(() => read(fragment), (refusal) => refusal instanceof grammar.Refusal && refusal.token === token &&
      refusal.position === position && why.test(refusal.why), fragment);
  }
  // The record: runs of what the program received, up to the limit; a stopped replay keeps its first keys.
  const record = new grammar.KeyRecord([['b', 3], ['F1', 1]]);
  record.add('F1');
  record.add('b');
  record.truncate(4);
  assert.deepEqual([record.runs, record.names(), record.count], [[['b', 3], ['F1', 1]], ['b', 'b', 'b', 'F1'], 4]);
  const full = new grammar.KeyRecord([['b', grammar.kLinkLimit]]);
  assert.equal(full.linkable, true);
  full.add(',');
  assert.deepEqual([full.linkable, full.runs], [false, [['b', grammar.kLinkLimit]]]);
});

test('edits as the tools read them: the grammar\'s cases (tests/edit_cases.txt)', () => {
  const cases = readFileSync(new URL('../edit_cases.txt', import.meta.url), 'utf8').split('\n').filter((line) => /^[^#].* => /.test(line));
  assert.ok(cases.length > 30);
  for (const [edits, wanted] of cases.map((line) => line.split(' => '))) {
    const read = () => [...grammar.readEdits(edits === '-' ? '' : edits, links).values()];
    if (wanted.startsWith('refused: ')) {
      assert.throws(read, (refusal) => refusal instanceof grammar.Refusal && refusal.why.includes(wanted.slice(9)), edits);
      continue;
    }
    const cells = wanted !== 'none' ? wanted.split(', ').map((cell) => cell.split(' ').map(Number)) : [];
    assert.deepEqual(read().map(({ gait, keyframe, leg, joint, degrees }) => [gait, keyframe, leg, joint, degrees + 0]), cells, edits);
  }
});

test('random links read and write back exactly', () => {
  const { seed, random } = seeded();
  for (let link = 0; link < 500; link++) {
    const names = randomKeys(random, kRecorded, 1 + random(2000));
    const text = linkText(names);
    const read = grammar.readLink(text, links);
    assert.deepEqual(new grammar.KeyRecord(read.keys).names(), names, `seed ${seed}: ${text}`);
    assert.equal(grammar.writeLink(read, links), text, `seed ${seed}`);
    const record = new grammar.KeyRecord();
    names.forEach((name) => record.add(name));
    assert.equal(grammar.writeLink({ keys: record.runs }, links), text, `seed ${seed}: the keys one by one`);
  }
});

test('the status line says what is true now, and shows a token as text', () => {
  const refusal = (fragment) => { try { grammar.readLink(fragment, links); } catch (error) { return words.refusalText(error); } };
  assert.equal(refusal('keys=%E2%80%AEwon%20tnuocca%20ruoy%20yfirev'),
    'The link was not replayed: could not read token 1 of the keys, "\\u202Ewon tnuocca ruoy yfirev" (no such key).');
  assert.equal(refusal('keys=b__b'), 'The link was not replayed: could not read token 2 of the keys, "" (an empty token).');
  assert.equal(refusal('edit=w0.hr.upper5_w3.hr.lower5'),
    'The link was not replayed: could not read token 2 of the edits, "w3.hr.lower5" (no such keyframe: the walk stores 0 to 2).');
  assert.equal(words.shownText('a\u200Bb\u2066c\u00A0d e\u{E0041}\n'), 'a\\u200Bb\\u2066c\\u00A0d e\\u{E0041}\\u000A');
  // Cut after 40 characters as the reader sees them: no emoji split from its skin tone, no half of a surrogate pair.
  assert.equal(words.shownText('👍🏽'.repeat(41)), `${'👍🏽'.repeat(40)}…`);
  assert.equal(words.shownText('x'.repeat(40)), 'x'.repeat(40));
  const said = (facts) => words.statusText({ loading: false, replaying: 0, lost: false, linkable: true, note: '', ...facts });
  assert.equal(said({ replaying: 1 }), 'Replaying 1 key from the link…');
  assert.equal(said({ replaying: 10000, lost: true }), 'Replaying 10,000 keys from the link… The picture is being restored…');
  assert.equal(said({ lost: true }), 'The picture is being restored…'); // the replay ended, the context is still lost
  assert.equal(said({ note: words.copyThisText('u'), linkable: false }), 'More than 10,000 keys: this scene can no longer be linked.');
  assert.equal(said({}), '');
  assert.equal(words.stoppedText(1, 10000), 'The replay was stopped after 1 of 10,000 keys: the address holds this scene.');
  assert.equal(words.progressText(2500, 1), '2,500 of 1 key');
});

test('the player steps at its rate, also after a change while it plays', () => {
  let last = 0;
  const steps = [];
  for (let i = 0; i < 3; i++) steps.push((last = keyrules.nextStepAt(last, 10, last + 3))); // a timer 3 ms late
  assert.deepEqual(steps, [100, 200, 300]);
  // A change at 320 ms, after the step at 300: the new period counts from that step.
  assert.deepEqual([20, 1, 5].map((rate) => keyrules.nextStepAt(300, rate, 320)), [350, 1300, 500]);
  assert.equal(keyrules.nextStepAt(300, 20, 390), 390); // due already: at once, then a period on
});

test('the keyframe tables\' marks through whole cycles of both gaits', () => {
  const swapped = (mark, keyframe) => `${mark} as keyframe ${keyframe}, the legs of each pair swapped`;
  // [gait's stored keyframes, then per keyframe of the cycle, the tables' captions after "Keyframe k"]
  for (const [stored, cycle] of [[3, [
    ['now', 'next', ''], ['', 'now', 'next'], [swapped('next', 3), '', 'now'],
    [swapped('now', 3), swapped('next', 4), ''], ['', swapped('now', 4), swapped('next', 5)], ['next', '', swapped('now', 5)]]],
  [2, [['now', 'next'], [swapped('next', 2), 'now'], [swapped('now', 2), swapped('next', 3)], ['next', swapped('now', 3)]]]]) {
    cycle.forEach((captions, now) => {
      const marks = source.keyframeMarks(now, (now + 1) % cycle.length, stored);
      assert.deepEqual(marks.map(({ caption }) => caption), captions.map((words, k) => [`Keyframe ${k}`, words].filter(Boolean).join(' · ')));
      assert.deepEqual(marks.map(({ mark }) => mark), captions.map((words) => words.split(' ')[0]));
    });
  }
  assert.equal(words.blendText(5, 0, 6), 'Blending keyframe 5 into keyframe 0: 0.6 of the way (sub-step 6 / 10).');
});

test('the tables as gait/tables.cpp writes them, byte for byte, also with an edit', () => {
  const file = readFileSync(new URL('../../gait/tables.cpp', import.meta.url), 'utf8');
  const block = /\/\/ clang-format off\n.*\/\/ clang-format on\n/s.exec(file)[0];
  // The file's own numbers, [gait][keyframe][leg][joint], read back into its layout.
  const tables = { walk: [], run: [] };
  for (const [, array, rows] of block.matchAll(/k(Walk|Run)HalfCycle\[\] = \{(.*?)\};/gs))
    for (const [, keyframe, leg, ...joints] of rows.matchAll(/\{(\d), (\d), *(-?\d+), *(-?\d+), *(-?\d+), *(-?\d+)\}/g))
      ((tables[array.toLowerCase()][keyframe] ??= [])[leg] = joints.map(Number));
  assert.equal(source.tablesSource(tables, model), block);
  tables.walk[2][0][1] = -12.5; // the lower column grows to its widest number
  assert.match(source.tablesSource(tables, model), /^ {4}\{0, 0, {2}15, {3}-35, {2}70, {2}0\},\n(.*\n){7} {4}\{2, 0, {2}20, -12\.5, {2}38, {2}0\},$/m);
});

test('the undo history: steps, one gathered from many changes, undone and redone; Ctrl+Z and Ctrl+Shift+Z', () => {
  const history = new History();
  const at = (leg) => ({ gait: 0, keyframe: 0, leg, joint: 1 });
  history.record('a', at(0), 10, 11, 'a to 11');
  history.record('b', at(1), 5, 5, 'no change'); // no step
  history.begin('a drag');
  history.record('a', at(0), 11, 12), history.record('a', at(0), 12, 20), history.record('b', at(1), 5, 6);
  history.end();
  assert.deepEqual(history.undo(), { words: 'a drag', angles: [{ at: at(0), degrees: 11 }, { at: at(1), degrees: 5 }] });
  assert.deepEqual(history.undo(), { words: 'a to 11', angles: [{ at: at(0), degrees: 10 }] });
  assert.equal(history.undo(), null);
  assert.deepEqual(history.redo(), { words: 'a to 11', angles: [{ at: at(0), degrees: 11 }] });
  history.record('b', at(1), 5, 7, 'b to 7'); // a new change: nothing left to redo
  assert.equal(history.redo(), null);
  assert.deepEqual(history.undo().words, 'b to 7');
  // Typing in one field is one step until it is left; typed back to where it was, no step.
  const field = {};
  history.record('c', at(2), 0, -4, 'c to -4', field), history.record('c', at(2), -4, -49, 'c to -49', field), history.seal();
  history.record('c', at(2), -49, 3, 'c to 3', field), history.record('c', at(2), 3, -49, 'c to -49', field);
  assert.deepEqual([history.undo(), history.undo()?.words], [{ words: 'c to -49', angles: [{ at: at(2), degrees: 0 }] }, 'a to 11']);
  assert.deepEqual([{ key: 'z', ctrlKey: true }, { key: 'Z', ctrlKey: true, shiftKey: true }, { key: 'z' }, { key: 'z', metaKey: true },
    { key: 'z', ctrlKey: true, altKey: true }].map((event) => keyrules.undoKey(event)), ['undo', 'redo', null, null, null]);
  assert.equal(keyrules.undoKey({ key: 'z', metaKey: true }, true), 'undo');
});

// Pointing at the figure: at every step of both gaits' cycles, the cell that a pick names
// and a drag changes is the stored angle that moves that joint most, its weight how far.
const { joints } = model;
// pose_csv's rows: { keyframe, substep, angles: { 'hind right lower': degrees, … } }.
const poses = (gait, edits) => poseCsv(process.env.POSE_CSV, gait, edits).map(({ step, keyframe, substep, ...angles }) =>
  ({ keyframe: +keyframe, substep: +substep, angles: Object.fromEntries(Object.entries(angles).map(([column, v]) => [column, +v])) }));

test('the cell a pick names and a drag turns, at every step of both gaits', () => {
  model.gaits.forEach(({ name, stored: storedKeyframes }, gait) => {
    const base = poses(name);
    // How much each stored cell moves each joint at each step: its edit by 10 degrees.
    const moves = new Map();
    for (let keyframe = 0; keyframe < storedKeyframes; keyframe++)
      for (const [leg, { name: legName }] of model.legs.entries())
        for (const [joint, jointName] of joints.entries()) {
          if (!model.hasJoint(leg, joint)) continue;
          const stored = base.find((row) => row.keyframe === keyframe && row.substep === 0).angles[`${legName} ${jointName}`];
          const edited = poses(name, `${model.cellCode({ gait, keyframe, leg, joint })}${stored + 10}`);
          moves.set(`${keyframe}.${leg}.${joint}`, edited.map((row, step) => row.angles));
        }
    base.forEach((row, step) => {
      for (const column of Object.keys(row.angles)) {
        const leg = model.legs.findIndex(({ name }) => column.startsWith(`${name} `)), joint = joints.indexOf(column.split(' ')[2]);
        const shown = cell.shownCell(model, gait, row, leg, joint);
        let most = null, share = 0;
        for (const [key, angles] of moves) {
          const moved = (angles[step][column] - row.angles[column]) / 10;
          if (moved > share + 1e-4) [most, share] = [key, moved];
        }
        const where = `${name} step ${step} (${row.keyframe}.${row.substep}) ${column}`;
        assert.equal(`${shown.at.keyframe}.${shown.at.leg}.${shown.at.joint}`, most, where);
        assert.ok(Math.abs(shown.weight - share) < 1e-3 && shown.weight >= 0.5, `${where}: weight ${shown.weight}, moves ${share}`);
        assert.equal(shown.mirrored, shown.at.leg !== leg, where);
      }
    });
  });
});

test('a drag: the pointer\'s angle about a joint seen in perspective, and the stored angle it gives', () => {
  // A joint 3 units in front of the eye, turned 30 degrees about y and 10 about
  // z, seen through a 60-degree perspective in a 640 x 360 viewport.
  const rad = Math.PI / 180, c = Math.cos(30 * rad), s = Math.sin(30 * rad), c2 = Math.cos(10 * rad), s2 = Math.sin(10 * rad);
  const turnY = [c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0.2, -0.1, -3, 1], turnZ = [c2, s2, 0, 0, -s2, c2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1];
  const pivot = cell.multiply(turnY, turnZ);
  const f = 1 / Math.tan(30 * rad), aspect = 640 / 360, near = 0.1, far = 100;
  const projection = [f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (far + near) / (near - far), -1, 0, 0, (2 * far * near) / (near - far), 0];
  const viewport = [0, 0, 640, 360];
  for (const degrees of [-170, -90, -30, 0, 45, 120, 180]) {
    const p = cell.apply(cell.multiply(projection, pivot), [0.4 * Math.cos(degrees * rad), 0.4 * Math.sin(degrees * rad), 0, 1]);
    const x = ((p[0] / p[3] + 1) / 2) * 640, y = 360 - ((p[1] / p[3] + 1) / 2) * 360;
    const got = cell.pointerAngle(pivot, projection, viewport, x, y);
    assert.ok(Math.abs(((got - degrees + 540) % 360) - 180) < 1e-6, `${degrees}: ${got}`);
  }
  // The turn since the grab, across +-180, divided by the cell's weight, kept within the limit.
  assert.deepEqual([[70, 10, 30, 1], [70, 10, 30, 0.5], [0, 170, -170, 1], [170, 0, 40, 1], [-100, 0, -100, 0.8]]
    .map(([stored, grabbed, now, weight]) => cell.draggedAngle(stored, grabbed, now, weight)), [90, 110, 20, 180, -180]);
});
