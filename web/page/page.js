// The page around the program: it hands the program the canvas, keeps the
// keyboard on the canvas, shows the scene after every frame and tells when
// the program has ended. Its buttons, its player and the link's replay give
// the program keys of keys.json (the build's reading of the README's keys
// table) the way the keyboard does; its keyframe editor writes the program's
// gait tables, and plots the angles they give over a cycle; the address's
// fragment records the edits and the keys the program receives. The rules
// live in logic.js; this module wires them to the page, then loads
// quadruped.js, which picks up the Module made here.
import * as logic from './logic.js';
import { startPointing } from './pointing.js';

const canvas = document.getElementById('canvas');
const status = document.getElementById('status');
const title = document.title;
const byId = (id) => document.getElementById(id);

// The toolkit listens for keys on the whole window; the canvas takes the
// focus so that no control takes a key the program needs.
canvas.focus();
canvas.addEventListener('pointerdown', () => canvas.focus());

// One event per frame, sent while the frame is still in the drawing buffer,
// so a listener can read the very pixels and the state that drew them.
const frameEvent = new Event('frame');
// Writes text only when it changed, so that a frame that changes nothing touches nothing.
const setText = (element, text) => element.textContent !== text && (element.textContent = text);
const show = (id, text) => setText(byId(id), text);
const degrees = (angle) => `${angle.toFixed(1)}°`;
const angleText = (angle) => (angle === null ? '–' : angle.toFixed(1));

// ---- The status line, the page's one live region: it shows what is true now
// (logic.statusText) and speaks only when its words change.
const facts = { loading: true, replaying: 0, lost: false, linkable: true, note: '' };
function tell(changes) {
  Object.assign(facts, changes);
  const text = logic.statusText(facts);
  setText(status, text);
  status.hidden = !text;
}

let frames = 0;
let ended = false;
function showState() {
  const state = JSON.parse(module.UTF8ToString(module._quadrupedState()));
  show('gait', state.gait);
  show('pose', `${state.keyframe}, ${state.substep}`);
  show('head', degrees(state.headAngle));
  show('tail', `${state.tailAngle}°`);
  show('heading', degrees(state.heading));
  show('advance', state.advance ? 'on' : 'off');
  show('camera', `${state.cameraX.toFixed(2)}, ${state.cameraZ.toFixed(2)}`);
  show('yaw', `${state.cameraYaw.toFixed(2)} rad`);
  showPose(state, JSON.parse(module.UTF8ToString(module._quadrupedPose())));
}
canvas.addEventListener('frame', showState);

// ---- The pose: each leg's joint angles as drawn now, and the gait's stored
// keyframes with the two being blended marked; all numbers are the program's.
let poseCells = [];
let programGait = '';
// A table of one cell per leg and joint, rows headed by the legs' names; fill
// fills each cell of a joint the leg has (angle null: none, shown "–").
function anglesTable(table, angles, fill) {
  table.replaceChildren();
  const head = table.createTHead().insertRow();
  for (const name of ['leg', ...logic.kJointNames]) {
    const th = head.appendChild(document.createElement('th'));
    th.scope = 'col';
    th.textContent = name[0].toUpperCase() + name.slice(1);
  }
  const body = table.createTBody();
  return angles.map((joints, leg) => {
    const row = body.insertRow();
    const th = row.appendChild(document.createElement('th'));
    th.scope = 'row';
    th.textContent = logic.kLegNames[leg];
    return joints.map((angle, joint) => {
      const cell = row.insertCell();
      if (angle === null) cell.textContent = '–';
      else fill(cell, angle, leg, joint);
      return cell;
    });
  });
}
function showPose(state, pose) {
  poseCells = poseCells.length ? poseCells : anglesTable(byId('pose-now'), pose.pose, () => {});
  pose.pose.forEach((joints, leg) => joints.forEach((angle, joint) => setText(poseCells[leg][joint], angleText(angle))));
  if (programGait !== state.gait) showGait(logic.kGaits.findIndex(({ name }) => name === state.gait));
  programGait = state.gait;

  // The second half of the cycle replays the stored half with each leg on its
  // partner's row. The other gait's tables are marked nowhere.
  const gait = logic.kGaits.findIndex(({ name }) => name === state.gait);
  const stored = logic.kGaits[gait].stored;
  editorTables.forEach((tablesOfGait, g) => logic.keyframeMarks(g === gait ? state.keyframe : -1, g === gait ? pose.next : -1,
    tablesOfGait.length).forEach(({ caption, mark }, k) => {
    setText(tablesOfGait[k].caption, caption);
    tablesOfGait[k].dataset.mark = mark;
  }));
  show('blend', logic.blendText(state.keyframe, pose.next, state.substep));
  byId('mirror').hidden = state.keyframe < stored;
  const pairs = pose.partner.map((partner, leg) => leg < partner && `${pose.legs[leg]} ↔ ${pose.legs[partner]}`).filter(Boolean);
  show('mirror', `Second half of the ${state.gait} cycle: keyframes ${stored} to ${pose.cycle - 1} are ` +
                 `keyframes 0 to ${stored - 1} with the legs of each pair swapped (${pairs.join(', ')}).`);
  showNow(state);
}

// ---- The keyframe editor: both gaits' stored tables, each angle a field,
// written into the program's own table (quadrupedSetAngle) at once, which
// draws a frame; every number shown is read back from the program.
let tables = null; // the program's tables as they stand: { walk, run }
let startTables = null; // the tables the program started with, which Reset writes back
const edits = new Map(); // logic.cellCode -> edit: the angles unlike the start's, in the order of their last change
let editorTables = []; // per gait, its keyframe tables
let shownGait = 0; // the gait whose tables are shown, and plotted
const fields = new Map(); // logic.cellCode -> its field
const readTables = () => (tables = JSON.parse(module.UTF8ToString(module._quadrupedTables())));
const angleOf = (from, { gait, keyframe, leg, joint }) => from[logic.kGaits[gait].name][keyframe][leg][joint];
const kStep = { ArrowUp: 1, ArrowDown: -1, PageUp: 10, PageDown: -10 }; // degrees per key, or per − and +
const kStepButtons = [['−', -1, 'less'], ['+', 1, 'more']];

function buildEditor() {
  startTables = readTables();
  editorTables = logic.kGaits.map(({ name }, gait) => tables[name].map((angles, keyframe) => {
    const table = Object.assign(document.createElement('table'), { className: 'angles', hidden: true });
    anglesTable(table, angles, (cell, angle, leg, joint) => {
      const at = { gait, keyframe, leg, joint };
      const field = Object.assign(document.createElement('input'), { type: 'number', min: -logic.kMostDegrees, max: logic.kMostDegrees, step: 0.1 });
      field.setAttribute('aria-label', `${logic.cellName(at)}, degrees`);
      field.at = at;
      // Typing: each number the field reads goes in at once; leaving it shows what the program holds.
      field.addEventListener('input', () => field.value !== '' && setAngle(at, field.valueAsNumber, false));
      field.addEventListener('change', () => setAngle(at, field.valueAsNumber) || refuseAngle(at));
      fields.set(logic.cellCode(at), field);
      cell.append(...kStepButtons.map(([text, step, words]) => {
        const button = Object.assign(document.createElement('button'), { type: 'button', textContent: text, tabIndex: -1 });
        button.setAttribute('aria-label', `${logic.cellName(at)}, 1 degree ${words}`);
        button.addEventListener('click', () => stepAngle(at, step));
        return button;
      }));
      cell.insertBefore(field, cell.lastChild);
      showAngle(at);
    });
    table.createCaption();
    return table;
  }));
  byId('keyframes').replaceChildren(...editorTables.flat());
  show('cpp', logic.tablesSource(tables));
}
// The angle the program holds, in its field, marked where it is not the start's.
function showAngle(at) {
  const field = fields.get(logic.cellCode(at));
  field.value = logic.angleText(angleOf(tables, at));
  markAngle(at);
}
// An angle unlike the start's is marked, in sight and in words (#edited-note).
function markAngle(at) {
  const [field, edited] = [fields.get(logic.cellCode(at)), edits.has(logic.cellCode(at))];
  field.classList.toggle('edited', edited);
  if (edited) field.setAttribute('aria-describedby', 'edited-note');
  else field.removeAttribute('aria-describedby');
}
// Writes an angle, to one decimal, into the program's table; false where the
// program refuses it (not a number, or out of range). shown: the field shows it.
function setAngle(at, degrees, shown = true) {
  if (ended || !module._quadrupedSetAngle(Number(at.gait === 0), at.keyframe, at.leg, at.joint, Math.round(degrees * 10) / 10)) return false;
  readTables();
  const code = logic.cellCode(at);
  edits.delete(code);
  if (angleOf(tables, at) !== angleOf(startTables, at)) edits.set(code, { ...at, degrees: angleOf(tables, at) });
  if (shown) showAngle(at);
  else markAngle(at);
  tablesChanged();
  return true;
}
function refuseAngle(at) {
  showAngle(at);
  tell({ note: `An angle goes from −${logic.kMostDegrees} to ${logic.kMostDegrees} degrees, with at most one decimal.` });
}
const stepAngle = (at, step) => setAngle(at, Math.max(-logic.kMostDegrees, Math.min(logic.kMostDegrees, angleOf(tables, at) + step)));
// The arrow and page keys on a focused field step its angle.
function fieldKey(event) {
  if (!(event.key in kStep) || !event.target.at) return;
  event.preventDefault();
  stepAngle(event.target.at, kStep[event.key]);
}
// Reset: the start's angles written back, for one gait or for all.
function reset(gaits) {
  for (const edit of [...edits.values()].filter(({ gait }) => gaits.includes(gait))) setAngle(edit, angleOf(startTables, edit));
}
byId('reset-gait').addEventListener('click', () => reset([shownGait]));
byId('reset-all').addEventListener('click', () => reset([0, 1]));
// The tables changed: the address, the source and the plot follow, and a note about the old link no longer holds.
function tablesChanged() {
  writeLinkSoon();
  tell({ note: '' });
  show('cpp', logic.tablesSource(tables));
  plot();
}
function showGait(gait) {
  shownGait = gait;
  editorTables.forEach((gaitTables, g) => gaitTables.forEach((table) => (table.hidden = g !== gait)));
  logic.kGaits.forEach(({ name }, g) => byId(`show-${name}`).setAttribute('aria-pressed', String(g === gait)));
  show('reset-gait', `Reset the ${logic.kGaits[gait].name}`);
  plot();
}
logic.kGaits.forEach(({ name }, gait) => byId(`show-${name}`).addEventListener('click', () => showGait(gait)));
byId('copy-cpp').addEventListener('click', () => navigator.clipboard.writeText(logic.tablesSource(tables)).then(
  () => tell({ note: 'The tables are copied as C++: they replace the lines of gait/tables.cpp from "// clang-format off" to "// clang-format on".' }),
  () => tell({ note: 'Copy the tables as C++ from the box below by hand.' })));

// ---- The plot: the shown gait's joint angles over its whole cycle, from the
// program's own sampler (quadrupedCycle), for one leg or all four. Each
// panel's data lie in a group whose transform maps (step, degrees) to the
// picture, so that a polyline's points are the steps and the angles themselves.
const kPlotPanel = { width: 300, height: 130, left: 34, right: 8, top: 18, bottom: 16, gap: 12 }; // SVG units
const kPlotStep = 30; // degrees between the grid's lines
const svg = (name, attributes = {}, ...children) => {
  const element = document.createElementNS('http://www.w3.org/2000/svg', name);
  for (const [attribute, value] of Object.entries(attributes)) element.setAttribute(attribute, value);
  element.append(...children);
  return element;
};
let nowMarks = [];
let cycle = null;
function plot() {
  if (!tables) return;
  cycle = JSON.parse(module.UTF8ToString(module._quadrupedCycle(Number(shownGait === 0))));
  const picked = byId('plot-leg').value;
  const legs = picked === 'all' ? [0, 1, 2, 3] : [Number(picked)];
  const columns = legs.length > 1 ? 2 : 1;
  const scale = 2 / columns; // one leg alone is drawn twice as large
  const { width, height, left, right, top, bottom, gap } = kPlotPanel;
  const [w, h] = [width * scale, height * scale];
  const all = cycle.angles.flat(2).filter((angle) => angle !== null);
  const low = Math.min(-3 * kPlotStep, Math.floor(Math.min(...all) / kPlotStep) * kPlotStep);
  const high = Math.max(3 * kPlotStep, Math.ceil(Math.max(...all) / kPlotStep) * kPlotStep);
  const steps = cycle.keyframe.length - 1;
  const [sx, sy] = [(w - left - right) / steps, h / (high - low)];
  nowMarks = [];
  const panels = legs.map((leg, i) => {
    const [x0, y0] = [(i % columns) * (w + gap), Math.floor(i / columns) * (h + top + bottom + gap) + top];
    const data = svg('g', { class: 'data', transform: `translate(${x0 + left} ${y0 + sy * high}) scale(${sx} ${-sy})` });
    const grid = [];
    for (let angle = low; angle <= high; angle += kPlotStep) {
      data.append(svg('line', { class: angle === 0 ? 'axis' : 'grid', x1: 0, x2: steps, y1: angle, y2: angle }));
      if (angle === low || angle === 0 || angle === high) grid.push(svg('text', { x: x0 + left - 4, y: y0 + sy * (high - angle) + 4, class: 'label end' }, String(angle)));
    }
    cycle.substep.forEach((substep, step) => {
      if (substep !== 0) return;
      data.append(svg('line', { class: 'keyframe', x1: step, x2: step, y1: low, y2: high }));
      grid.push(svg('text', { x: x0 + left + sx * step, y: y0 + h + bottom - 3, class: 'label middle' }, String(cycle.keyframe[step])));
    });
    cycle.angles[leg].forEach((angles, joint) => angles && data.append(svg('polyline', { 'data-leg': logic.kLegNames[leg], 'data-joint': logic.kJointNames[joint], class: logic.kJointNames[joint],
      points: angles.map((angle, step) => `${step},${angle}`).join(' ') })));
    const mark = svg('line', { class: 'now', y1: low, y2: high });
    nowMarks.push(mark);
    data.append(mark);
    return svg('g', {}, svg('text', { x: x0 + left, y: y0 - 5, class: 'label' }, logic.kLegNames[leg]), ...grid, data);
  });
  const rows = Math.ceil(legs.length / columns);
  const plotted = byId('plot');
  plotted.setAttribute('viewBox', `0 0 ${columns * (w + gap) - gap} ${rows * (h + top + bottom + gap)}`);
  plotted.replaceChildren(...panels);
  byId('plot-says').textContent = `The ${logic.kGaits[shownGait].name}'s joint angles over its ${steps} steps, ${legs.length > 1 ? 'each leg' : logic.kLegNames[legs[0]]}` +
    `, from ${low} to ${high} degrees, keyframes marked below.`;
  if (lastState) showNow(lastState);
}
byId('plot-leg').addEventListener('change', plot);
// The mark of the step now, where the plotted gait is the program's: the step
// its keyframe starts at, and the sub-steps past it, in the gait's steps.
let lastState = null;
function showNow(state) {
  lastState = state;
  const start = cycle?.keyframe.findIndex((keyframe, step) => keyframe === state.keyframe && cycle.substep[step] === 0);
  const step = start + state.substep / (cycle?.substep[1] ?? 1);
  const shown = cycle && logic.kGaits[shownGait].name === state.gait && start >= 0;
  for (const mark of nowMarks) {
    mark.setAttribute('visibility', shown ? 'visible' : 'hidden');
    if (shown && mark.getAttribute('x1') !== String(step)) mark.setAttribute('x1', step), mark.setAttribute('x2', step);
  }
}

// ---- The keys, from keys.json.
let keys = null; // logic.keyTable, once keys.json is there
const markdown = (text) =>
  text.split('`').map((part, i) => (i % 2 ? Object.assign(document.createElement('code'), { textContent: part }) : part));
const kbd = (text) => Object.assign(document.createElement('kbd'), { textContent: text });
fetch('keys.json')
  .then((response) => response.json())
  .then((json) => {
    const rows = document.querySelector('#keys tbody');
    for (const { key, does, buttons } of json.keys) {
      const row = rows.insertRow();
      const th = row.appendChild(document.createElement('th'));
      th.scope = 'row';
      buttons.forEach((button, i) => {
        if (i > 0) th.append(' / ');
        th.appendChild(Object.assign(document.createElement('button'), { type: 'button' })).append(kbd(button.name));
        th.lastChild.dataset.key = button.name;
      });
      if (th.textContent !== key) throw new Error(`keys.json: the buttons of "${key}" read "${th.textContent}"`);
      row.insertCell().append(...markdown(does));
    }
    for (const note of json.notes) byId('key-notes').appendChild(document.createElement('p')).append(...markdown(note));
    keys = logic.keyTable(json);
    document.querySelectorAll('[data-key]').forEach(wire);
    begin();
  });

// Keys reach the program once its first frame and the keys table are both
// there, so that every key it receives is recorded; until the program ends.
const ready = () => frames > 0 && keys !== null && !ended;

// Gives the program a key as the keyboard does, on the focused canvas, which
// the toolkit's listener on the window hears: keydown (repeat: the
// keyboard's auto-repeat of a held key), then keyup.
function send(name, type, repeat = false) {
  const { key, code, keyCode } = keys.byName.get(name);
  canvas.dispatchEvent(new KeyboardEvent(type, { key, code, keyCode, which: keyCode, repeat, bubbles: true, cancelable: true }));
}
// A press of a button or the player; a replay takes none but Quit.
function press(name) {
  if (!ready() || (replay && name !== 'Escape')) return;
  send(name, 'keydown');
  send(name, 'keyup');
}

// Press and hold repeats like a keyboard: a first repeat after half a second,
// then 30 a second, until that pointer is released, leaves the button or is
// cancelled, or the page loses the focus or is hidden. Each pointer holds one
// button of its own.
const kFirstRepeatMs = 500;
const kRepeatMs = 1000 / 30;
const holds = new Map(); // pointerId -> its hold's release
function hold(element, name, event) {
  letGo(event);
  if (!ready() || replay || event.button !== 0) return;
  // A touch captures its pointer: let go, so that leaving the button ends the hold.
  if (element.hasPointerCapture(event.pointerId)) element.releasePointerCapture(event.pointerId);
  send(name, 'keydown');
  // An interval keeps the rate whatever a frame costs.
  let timer = setTimeout(() => {
    send(name, 'keydown', true);
    timer = setInterval(() => send(name, 'keydown', true), kRepeatMs);
  }, kFirstRepeatMs);
  holds.set(event.pointerId, () => {
    clearInterval(timer); // clears the first timeout as well
    holds.delete(event.pointerId);
    send(name, 'keyup');
  });
}
const letGo = (event) => holds.get(event.pointerId)?.();
const letGoAll = () => [...holds.values()].forEach((release) => release());
addEventListener('blur', letGoAll);
addEventListener('pagehide', letGoAll);
document.addEventListener('visibilitychange', letGoAll);

function wire(element) {
  const name = element.dataset.key;
  const button = keys.byName.get(name);
  if (!button) throw new Error(`keys.json has no key "${name}"`);
  element.setAttribute('aria-label', `${button.label}, key ${name}`);
  element.addEventListener('contextmenu', (event) => event.preventDefault());
  if (logic.kOneShot.has(name)) {
    element.addEventListener('click', () => press(name));
    return;
  }
  element.addEventListener('pointerdown', (event) => hold(element, name, event));
  for (const type of ['pointerup', 'pointerleave', 'pointercancel']) element.addEventListener(type, letGo);
  // A click from the keyboard (Enter or Space on the button) presses once.
  element.addEventListener('click', (event) => event.detail === 0 && press(name));
}
// After a click or a tap the keyboard goes back to the canvas.
document.addEventListener('click', (event) => event.detail > 0 && !ended && event.target.closest('button') && canvas.focus());

// ---- The link: the edits of the tables and the keys the program received, in the address's fragment.
const kLinkDelayMs = 200; // browsers throttle a page that rewrites its address too often
let record = new logic.KeyRecord();
let linkTimer = 0;
let lastWrite = -Infinity;
function writeLink() {
  clearTimeout(linkTimer);
  linkTimer = 0;
  lastWrite = performance.now();
  const fragment = record.linkable ? logic.writeLink({ edit: edits, keys: record.runs }) : '';
  history.replaceState(null, '', fragment ? `#${fragment}` : location.pathname + location.search);
}
// At once, or where the address was written less than kLinkDelayMs ago, once that has passed.
function writeLinkSoon() {
  if (!linkTimer) linkTimer = setTimeout(writeLink, Math.max(0, lastWrite + kLinkDelayMs - performance.now()));
}
// A key the program received changes the scene: the address follows, and a
// note about the old link no longer holds.
function recordKey(name) {
  record.add(name);
  if (record.linkable) writeLinkSoon();
  else if (record.count === logic.kLinkLimit + 1) writeLink(); // the address no longer holds the scene
  tell({ note: '', linkable: record.linkable });
}

const controlOf = (target) => (target instanceof HTMLButtonElement ? 'button'
  : target instanceof HTMLInputElement && target.type === 'range' ? 'slider'
  : target instanceof HTMLInputElement || target instanceof HTMLSelectElement ? 'field' : null);
// Before the toolkit's own listener: record what the program receives; hold
// back every key until the page is ready and while a link replays, but Quit.
let givingReplayKey = false; // a replay's own key is on its way
addEventListener('keydown', (event) => {
  if (logic.pageKeeps(event.key, controlOf(event.target))) {
    fieldKey(event);
    return event.stopImmediatePropagation();
  }
  if (givingReplayKey || ended) return;
  const name = keys && logic.keyName(keys, event);
  if (!ready() || (replay && name !== 'Escape')) {
    // As the toolkit would: no browser action for a key it takes (F5 does not reload).
    if (logic.toolkitKey(event) !== null) event.preventDefault();
    return event.stopImmediatePropagation();
  }
  if (name === 'Escape') {
    stopReplay();
    keepPicture(true);
  }
  if (logic.recorded(name)) recordKey(name);
}, true);

// ---- The replay of a link, from the program's first frame: its edits, then
// its keys through the keyboard's path. The address holds the whole link from the start.
const kReplayTaskMs = 12; // how long a task gives keys for, so that the page stays responsive
let replay = null; // { names, done }
function begin() {
  if (!ready() || !facts.loading) return;
  tell({ loading: false });
  let link;
  try {
    link = logic.readLink(location.hash.slice(1), keys);
  } catch (refusal) {
    if (!(refusal instanceof logic.Refusal)) throw refusal;
    return tell({ note: logic.refusalText(refusal) });
  }
  for (const edit of link.edit.values()) setAngle(edit, edit.degrees);
  record = new logic.KeyRecord(link.keys);
  writeLink(); // the link as the page writes it: "1b_b" reads as "2b"
  if (record.count === 0) return;
  replay = { names: record.names(), done: 0 };
  byId('replay').hidden = false;
  tell({ replaying: replay.names.length });
  showProgress();
  setTimeout(replayTask);
}
function showProgress() {
  const progress = byId('replay-progress');
  progress.max = replay.names.length;
  progress.value = replay.done;
  show('replay-count', logic.progressText(replay.done, replay.names.length));
}
// One task's keys: every frame but the last is left undrawn (Module.skipFrames),
// since only the last frame drawn in a task reaches the screen.
function replayTask() {
  if (!replay) return;
  const start = performance.now();
  const { names } = replay;
  givingReplayKey = true;
  try {
    for (let last = false; !last && !ended;) {
      last = replay.done === names.length - 1 || performance.now() - start >= kReplayTaskMs;
      module.skipFrames = !last;
      const name = names[replay.done++];
      send(name, 'keydown');
      send(name, 'keyup');
    }
  } finally {
    module.skipFrames = false;
    givingReplayKey = false;
  }
  if (ended) return;
  if (replay.done < names.length) {
    showProgress();
    setTimeout(replayTask);
  } else {
    endReplay();
  }
}
function endReplay() {
  replay = null;
  byId('replay').hidden = true;
  if (document.activeElement === byId('stop')) canvas.focus();
  tell({ replaying: 0 });
}
// Stop: the scene stays where the replay got to, and the address says so.
function stopReplay() {
  if (!replay) return;
  const { done, names } = replay;
  record.truncate(done);
  endReplay();
  writeLink();
  tell({ note: logic.stoppedText(done, names.length) });
}
byId('stop').addEventListener('click', stopReplay);

// A fragment changed by hand (or by Back) describes a scene from the first
// frame: the page starts again with it. The page's own rewrites send no event.
addEventListener('hashchange', () => location.reload());

byId('copy-link').addEventListener('click', () => {
  if (!record.linkable) return; // the status line says so already
  writeLink();
  const href = location.href;
  navigator.clipboard.writeText(href).then(
    () => tell({ note: logic.copiedText }),
    () => tell({ note: logic.copyThisText(href) }),
  );
});

// ---- Play: b at the chosen rate, through the same path as the buttons.
const play = byId('play');
const rate = byId('rate');
let player = 0;
let lastStep = 0;
function nextStep() {
  const now = performance.now();
  const due = logic.nextStepAt(lastStep, Number(rate.value), now);
  player = setTimeout(() => {
    lastStep = due;
    press('b');
    nextStep();
  }, due - now);
}
function playing(on) {
  clearTimeout(player);
  player = 0;
  lastStep = performance.now();
  if (on) nextStep();
  play.textContent = on ? 'Pause' : 'Play';
}
play.addEventListener('click', () => playing(!player));
rate.addEventListener('input', () => {
  byId('rate-shown').value = rate.value;
  if (player) clearTimeout(player), nextStep();
});

// ---- Full screen: the toolkit puts the canvas in a box of its own, which
// takes the screen; the pad goes with it, so that a phone can still step and
// leave (F6), and comes back after.
const pad = byId('pad');
const padPlace = [pad.parentNode, pad.nextSibling];
function fullScreen(on) {
  if (on && document.fullscreenElement) document.fullscreenElement.append(pad);
  else padPlace[0].insertBefore(pad, padPlace[1]);
}

// ---- The end. The toolkit empties the canvas as the program ends: just
// before, the page keeps the last frame as a picture. A shown frame's drawing
// buffer is gone, so the program draws its scene once more (redraw), in the
// task that reads it; a program that has stopped keeps what it drew.
const picture = byId('last-frame');
function keepPicture(redraw) {
  if (picture.src) return;
  if (redraw) module._quadrupedDrawFrames(1);
  picture.src = canvas.toDataURL();
}
function end(message) {
  ended = true;
  letGoAll();
  playing(false);
  if (replay) endReplay();
  if (document.fullscreenElement) document.exitFullscreen();
  document.querySelectorAll('[data-key], #play, #rate, #copy-link, #editor :is(button, input, select)').forEach((control) => (control.disabled = true));
  status.hidden = true;
  canvas.hidden = true;
  picture.hidden = false;
  byId('ended-message').textContent = message;
  byId('ended').hidden = false;
  byId('restart').focus();
}
byId('restart').addEventListener('click', () => location.reload());

// A lost WebGL context (a driver reset, a tab put away): ask for it back;
// once it is restored the program's GL layer draws the scene again.
canvas.addEventListener('webglcontextlost', (event) => {
  event.preventDefault();
  tell({ lost: true });
});
canvas.addEventListener('webglcontextrestored', () => tell({ lost: false }));

const module = {
  canvas,
  // As on the desktop, the program runs until it calls exit().
  noExitRuntime: true,
  // Set by the replay around the keys whose frames are left undrawn.
  skipFrames: false,
  onFrame() {
    if (module.skipFrames) return; // nothing of an undrawn frame is shown
    if (++frames === 1) {
      // The program names its window in Latin-1 bytes; the page's own
      // UTF-8 title stays, whatever the toolkit makes of the name.
      if (document.title !== title) document.title = title;
      buildEditor();
      startPointing({ module, canvas, place: picture, editor: {
        setAngle, angleOf: (at) => angleOf(tables, at),
        focusCell(at) { showGait(at.gait); fields.get(logic.cellCode(at)).focus(); } } });
      begin();
    }
    canvas.dispatchEvent(frameEvent);
  },
  onFullscreen: fullScreen,
  // Called once when the program ends with exit(), with its status (exit.js).
  onExit(code) {
    end(`The program has ended (exit status ${code}).`);
  },
  onAbort(what) {
    keepPicture(false);
    end(`The program has stopped: ${what}`);
  },
};
// quadruped.js takes its settings from the global Module when it runs.
window.Module = module;
document.body.appendChild(Object.assign(document.createElement('script'), { src: 'quadruped.js' }));
