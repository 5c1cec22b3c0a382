// The keyframe editor: both gaits' stored tables, each angle a field,
// written into the program's own table through its one writer
// (quadrupedSetAngle), which draws a frame; every number shown is read back
// from the program. It marks the tables the pose now blends, resets, and
// shows the tables as C++. The only page code that writes to the program:
//   setAngle(at, degrees) -> boolean   at = { gait, keyframe, leg, joint }
//   angleOf(at) -> number              the stored angle now
//   beginChange(words) / endChange()   every setAngle between them is one undo step named by words
//   changing() -> boolean              whether such a change is under way
// After every change it tells document 'tables'; after a change of the gait
// shown, 'shown' (the plot follows both). Undo and redo (buttons, Ctrl+Z and
// Ctrl+Shift+Z) take back and give again each step.
import { anglesTable, byId, hide, setText, show, sight } from './dom.js';
import { angleText } from './grammar.js';
import { onPageKey } from './keys.js';
import { canvas, hasStopped, module, now, read, theModel } from './program.js';
import { History } from './history.js';
import { keyframeMarks, tablesSource } from './source.js';
import { tell } from './status.js';
import { blendText } from './words.js';

let tables = null; // the program's tables as they stand: { walk, run }
let startTables = null; // the tables the program started with, which Reset writes back
const changes = new Map(); // cellCode -> edit: the angles unlike the start's, in the order of their last change
let editorTables = []; // per gait, its keyframe tables
let shown = 0; // the gait whose tables are shown, and plotted
const fields = new Map(); // cellCode -> its field
const readTables = () => (tables = read('quadrupedTables'));
const storedIn = (from, { gait, keyframe, leg, joint }) => from[theModel().gaits[gait].name][keyframe][leg][joint];
const kStep = { ArrowUp: 1, ArrowDown: -1, PageUp: 10, PageDown: -10 }; // degrees per key, or per − and +
const kStepButtons = [['−', -1, 'less'], ['+', 1, 'more']];

const history = new History();
let replaying = false; // undo or redo writes: not a step of its own
let typedIn = null; // the field whose typing writes now: one step until it is left
export const beginChange = (words) => history.begin(words);
// The change's end is told as 'tables' too: what follows the tables more
// loosely during a change (the plot's range) fits them again.
export function endChange() {
  history.end();
  showUnshown();
  document.dispatchEvent(new Event('tables'));
}
// Whether a change is under way (between beginChange and endChange).
export const changing = () => history.open !== null;

// The edits: the angles unlike the start's, as a Map from cellCode to { ...at, degrees }.
export const edits = () => changes;
// The gait shown (0 walk, 1 run).
export const shownGait = () => shown;
// The program's tables as they stand ({ walk, run }), or null before the first frame.
export const tablesNow = () => tables;
// The stored angle now at a cell.
export const angleOf = (at) => storedIn(tables, at);

// Shows a cell's gait and puts the focus in its field.
export function focusCell(at) {
  showGait(at.gait);
  fields.get(theModel().cellCode(at)).focus();
}

// The tables, made once the program runs.
export function build() {
  const model = theModel();
  startTables = readTables();
  editorTables = model.gaits.map(({ name }, gait) => tables[name].map((angles, keyframe) => {
    const table = Object.assign(document.createElement('table'), { className: 'angles', hidden: true });
    anglesTable(table, angles, (cell, angle, leg, joint) => {
      const at = { gait, keyframe, leg, joint };
      const field = Object.assign(document.createElement('input'), { type: 'number', min: -model.mostDegrees, max: model.mostDegrees, step: 0.1 });
      field.setAttribute('aria-label', `${model.cellName(at)}, degrees`);
      field.at = at;
      // Typing: each number the field reads goes in at once; leaving it shows what the program holds.
      field.addEventListener('input', () => {
        if (field.value === '') return;
        typedIn = field;
        setAngle(at, field.valueAsNumber, false);
        typedIn = null;
      });
      field.addEventListener('change', () => {
        if (!setAngle(at, field.valueAsNumber)) refuseAngle(at);
        history.seal();
      });
      field.addEventListener('blur', () => history.seal());
      fields.set(model.cellCode(at), field);
      cell.append(...kStepButtons.map(([text, step, words]) => {
        const button = Object.assign(document.createElement('button'), { type: 'button', textContent: text, tabIndex: -1 });
        button.setAttribute('aria-label', `${model.cellName(at)}, 1 degree ${words}`);
        button.addEventListener('click', () => stepAngle(at, step));
        return button;
      }));
      cell.insertBefore(field, cell.lastChild);
      showAngle(at);
    }, model);
    table.createCaption();
    return table;
  }));
  byId('keyframes').replaceChildren(...editorTables.flat());
  byId('tables-of').after(...model.gaits.map(({ name }, gait) => {
    const button = Object.assign(document.createElement('button'), { type: 'button', id: `show-${name}`, textContent: name });
    button.addEventListener('click', () => showGait(gait));
    return button;
  }));
  showSource();
}
// The angle the program holds, in its field, marked where it is not the start's.
function showAngle(at) {
  const field = fields.get(theModel().cellCode(at));
  field.value = angleText(angleOf(at));
  markAngle(at);
}
// An angle unlike the start's is marked, in sight and in words (#edited-note).
function markAngle(at) {
  const [field, edited] = [fields.get(theModel().cellCode(at)), changes.has(theModel().cellCode(at))];
  field.classList.toggle('edited', edited);
  if (!edited) field.removeAttribute('aria-describedby');
  else if (!field.hasAttribute('aria-describedby')) field.setAttribute('aria-describedby', 'edited-note');
}
// Writes an angle, to one decimal, into the program's table; false where the
// program refuses it (not a number, or out of range). shown: the field shows it.
export function setAngle(at, degrees, shown = true) {
  const before = tables && angleOf(at);
  if (hasStopped() || !module._quadrupedSetAngle(Number(at.gait === 0), at.keyframe, at.leg, at.joint, Math.round(degrees * 10) / 10)) return false;
  readTables();
  const code = theModel().cellCode(at);
  if (!replaying) history.record(code, at, before, angleOf(at), `${theModel().cellName(at)} to ${angleText(angleOf(at))}°`, typedIn);
  changes.delete(code);
  if (angleOf(at) !== storedIn(startTables, at)) changes.set(code, { ...at, degrees: angleOf(at) });
  if (changing() && !tablesInSight()) unshown.set(code, at);
  else if (shown) showAngle(at);
  else markAngle(at);
  tablesChanged();
  return true;
}
// During a change (a drag) the fields out of sight wait, rather than each
// move writing one the reader cannot see: they show their angles when the
// tables come into sight, and when the change ends.
const unshown = new Map(); // cellCode -> at
const tablesInSight = sight(byId('keyframes'), showUnshown);
function showUnshown() {
  for (const at of unshown.values()) showAngle(at);
  unshown.clear();
}
function refuseAngle(at) {
  showAngle(at);
  const { mostDegrees } = theModel();
  tell({ note: `An angle goes from −${mostDegrees} to ${mostDegrees} degrees, with at most one decimal.` });
}
const stepAngle = (at, step) => {
  const { mostDegrees } = theModel();
  return setAngle(at, Math.max(-mostDegrees, Math.min(mostDegrees, angleOf(at) + step)));
};
// The arrow and page keys on a focused field step its angle.
function fieldKey(event, undoing) {
  if (undoing) return undoing === 'undo' ? undo() : redo();
  if (!(event.key in kStep) || !event.target.at) return;
  event.preventDefault();
  stepAngle(event.target.at, kStep[event.key]);
}
onPageKey(fieldKey);
// Reset: the start's angles written back, for one gait or for all.
function reset(gaits, words) {
  beginChange(words);
  for (const edit of [...changes.values()].filter(({ gait }) => gaits.includes(gait))) setAngle(edit, storedIn(startTables, edit));
  endChange();
}
byId('reset-gait').addEventListener('click', () => reset([shown], `the reset of the ${theModel().gaits[shown].name}`));
byId('reset-all').addEventListener('click', () => reset(theModel().gaits.map((_, gait) => gait), 'the reset of both gaits'));

// Undo and redo: the step's angles written back, and the status line says which step.
function again(step, done) {
  if (!step || hasStopped()) return;
  replaying = true;
  try {
    for (const { at, degrees } of step.angles) setAngle(at, degrees);
  } finally {
    replaying = false;
  }
  tell({ note: `${done}: ${step.words}.` });
}
export const undo = () => again(history.undo(), 'Undone');
export const redo = () => again(history.redo(), 'Redone');
byId('undo').addEventListener('click', undo);
byId('redo').addEventListener('click', redo);
// The tables changed: the source follows, the others hear 'tables', and a note about the old link no longer holds.
function tablesChanged() {
  tell({ note: '' });
  showSource();
  document.dispatchEvent(new Event('tables'));
}
// The tables as C++, a text a line: a change rewrites the lines it changed,
// rather than the whole box laid out and painted again on every move of a drag.
function showSource() {
  const [box, lines] = [byId('cpp'), tablesSource(tables, theModel()).split(/(?<=\n)/)];
  while (box.childNodes.length > lines.length) box.lastChild.remove();
  lines.forEach((line, i) => (box.childNodes[i] ? box.childNodes[i].data !== line && (box.childNodes[i].data = line) : box.append(line)));
}
function showGait(gait) {
  shown = gait;
  editorTables.forEach((gaitTables, g) => gaitTables.forEach((table) => (table.hidden = g !== gait)));
  theModel().gaits.forEach(({ name }, g) => byId(`show-${name}`).setAttribute('aria-pressed', String(g === gait)));
  show('reset-gait', `Reset the ${theModel().gaits[gait].name}`);
  document.dispatchEvent(new Event('shown'));
}
byId('copy-cpp').addEventListener('click', () => navigator.clipboard.writeText(tablesSource(tables, theModel())).then(
  () => tell({ note: 'The tables are copied as C++: they replace the lines of gait/tables.cpp from "// clang-format off" to "// clang-format on".' }),
  () => tell({ note: 'Copy the tables as C++ from the box below by hand.' })));

// After every frame: the tables of the program's gait shown when it changes,
// the two keyframes being blended marked, the blend and the mirror in words.
// The second half of the cycle replays the stored half with each leg on its
// partner's row. The other gait's tables are marked nowhere.
let programGait = '';
canvas.addEventListener('frame', () => {
  const { state, pose } = now();
  const { gaits, legs } = theModel();
  const gait = gaits.findIndex(({ name }) => name === state.gait);
  if (programGait !== state.gait) showGait(gait);
  programGait = state.gait;
  const { stored } = gaits[gait];
  editorTables.forEach((tablesOfGait, g) => keyframeMarks(g === gait ? state.keyframe : -1, g === gait ? pose.next : -1,
    tablesOfGait.length).forEach(({ caption, mark }, k) => {
    setText(tablesOfGait[k].caption, caption);
    if (tablesOfGait[k].dataset.mark !== mark) tablesOfGait[k].dataset.mark = mark;
  }));
  show('blend', blendText(state.keyframe, pose.next, state.substep));
  hide(byId('mirror'), state.keyframe < stored);
  const pairs = legs.map(({ partner }, leg) => leg < partner && `${legs[leg].name} ↔ ${legs[partner].name}`).filter(Boolean);
  show('mirror', `Second half of the ${state.gait} cycle: keyframes ${stored} to ${pose.cycle - 1} are ` +
                 `keyframes 0 to ${stored - 1} with the legs of each pair swapped (${pairs.join(', ')}).`);
});
