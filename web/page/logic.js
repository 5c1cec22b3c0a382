// The page's rules, apart from the page itself: which key the program gets for
// a key event and whether a link records it, how a link and its edits are
// read and written, what the status line says, when the player steps, which
// of the stored keyframes are marked, and the tables as the program's source.
// Plain functions over plain data (no DOM), so that node's test runner checks
// the very code the page runs.

// ---- Keys

// Keys that end the program or change its window: no link holds them, and
// their buttons act on a click, never on a hold.
export const kOneShot = new Set(['Escape', 'F5', 'F6']);

// keyCode -> the special key (GLUT_KEY_* number) Emscripten's GLUT makes of it.
const kSpecialKeys = new Map([
  ...Array.from({ length: 12 }, (_, i) => [112 + i, 1 + i]), // F1 to F12
  [37, 100], [38, 101], [39, 102], [40, 103], // the arrows: left, up, right, down
  [33, 104], [34, 105], [36, 106], [35, 107], [45, 108], // page up, page down, home, end, insert
  [8, 120], [46, 111], [16, 112], [5, 112], [6, 113], [17, 114], [3, 114], [4, 115], [18, 116], [2, 116], [1, 117],
]);
// keyCode -> the characters GLUT makes of a punctuation key, without and with Shift.
const kPunctuation = new Map([[186, ';:'], [187, '=+'], [188, ',<'], [189, '-_'], [190, '.>'], [191, '/?'],
  [219, '[{'], [220, '/|'], [221, ']}'], [222, '\'"']]);
const kKeypadDigits = 96; // keyCodes 96 to 105 are the keypad's 0 to 9
const kKeypadSigns = 106; // 106 to 111: the keypad's * + , - . /, the characters 42 to 47

// The character code GLUT hands the program for a key without Ctrl, Alt or Meta, or null.
function characterOf(keyCode, shift) {
  if (keyCode >= 48 && keyCode <= 57) return keyCode;
  if (keyCode >= 65 && keyCode <= 90) return shift ? keyCode : keyCode + 32;
  if (keyCode >= kKeypadDigits && keyCode < kKeypadDigits + 10) return keyCode - kKeypadDigits + 48;
  if (keyCode >= kKeypadSigns && keyCode < kKeypadSigns + 6) return keyCode - kKeypadSigns + 42;
  if ([9, 13, 27, 32, 61].includes(keyCode)) return keyCode; // Tab, Enter, Escape, space, =
  const pair = kPunctuation.get(keyCode);
  return pair ? pair.charCodeAt(shift ? 1 : 0) : null;
}

// What Emscripten's GLUT hands the program for a keydown: "special N" (its
// special-key callback), "character N" (its keyboard callback), or null.
export function toolkitKey({ keyCode, shiftKey = false, ctrlKey = false, altKey = false, metaKey = false }) {
  if (kSpecialKeys.has(keyCode)) return `special ${kSpecialKeys.get(keyCode)}`;
  const character = ctrlKey || altKey || metaKey ? null : characterOf(keyCode, shiftKey);
  return character === null ? null : `character ${character}`;
}

// keys.json's keys by name, and by what the toolkit hands the program for each.
export function keyTable(keysJson) {
  const byName = new Map();
  const byToolkitKey = new Map();
  for (const button of keysJson.keys.flatMap((row) => row.buttons)) {
    byName.set(button.name, button);
    byToolkitKey.set(toolkitKey(button), button.name);
  }
  return { byName, byToolkitKey };
}

// The name of the program's key that a keydown gives it, or null where the
// program only redraws or hears nothing. The keypad's "." is ".", as GLUT has it.
export const keyName = (table, event) => table.byToolkitKey.get(toolkitKey(event)) ?? null;

// Whether a link records a key the program received: every key it acts on,
// but never one that ends it or changes its window.
export const recorded = (name) => name !== null && !kOneShot.has(name);

// Keys that stay with the page, so that the keyboard reaches every control:
// Tab, and the keys a focused button or slider works with, and every key typed
// into a field (control is "button", "slider", "field" or null). The program
// would only redraw on them, or act on what was meant for the field.
export function pageKeeps(key, control) {
  if (key === 'Tab' || control === 'field') return true;
  if (control === 'button') return key === 'Enter' || key === ' ';
  return control === 'slider' && /^(Arrow|Home|End|Page)/.test(key);
}

// ---- Links: "#edit=w2.hr.lower-50&keys=12b_F1_10b_3," sets walk keyframe 2,
// hind right, lower to -50 degrees, then gives 12 b, F1, 10 b and 3 ",". A link
// is made of parts "name=value" joined by "&", in kLinkParts' order; a link
// holds no more than kLinkLimit keys and kEditLimit edits.

export const kLinkLimit = 10000;
export const kEditLimit = 200;

// What a link could not read: the token, its place among its part's tokens
// (from 1; 0 for the link as a whole), the part ("keys" or "edits") and why.
export class Refusal extends Error {
  constructor(token, position, why, part = 'keys') {
    super(`could not read "${token}" (${why})`);
    Object.assign(this, { token, position, why, part });
  }
}

// A key sequence as runs [[name, count], ...] with each run's name unlike the last's.
function addRun(runs, name, count) {
  const last = runs[runs.length - 1];
  if (last && last[0] === name) last[1] += count;
  else runs.push([name, count]);
}

// The keys part: runs joined by "_", each a key's name after its count, the
// count left out for 1.
function readKeys(value, table) {
  const runs = [];
  let total = 0;
  (value ? value.split('_') : []).forEach((token, i) => {
    const [, count, name] = /^(\d*)(.*)$/s.exec(token);
    const times = Number(count || 1);
    const why = token === '' ? 'an empty token'
      : !table.byName.has(name) ? 'no such key'
      : kOneShot.has(name) ? 'a link never quits or resizes the program'
      : count && !/^[1-9]\d*$/.test(count) ? 'a count is a whole number from 1'
      : total + times > kLinkLimit ? `more than ${plural(kLinkLimit, 'key')} in all`
      : '';
    if (why) throw new Refusal(token, i + 1, why, 'keys');
    total += times;
    addRun(runs, name, times);
  });
  return runs;
}
const writeKeys = (runs) => runs.map(([name, count]) => `${count > 1 ? count : ''}${name}`).join('_');

// ---- Edits: the stored angles of the gaits' keyframe tables, as the program
// numbers them: gait (0 walk, 1 run), keyframe of its stored half, leg and
// joint. The legs and joints are app/legs.h's.

export const kGaits = [{ name: 'walk', letter: 'w', stored: 3, half: 'keyframes 0 to 2' },
  { name: 'run', letter: 'r', stored: 2, half: 'keyframes 0 and 1' }];
export const kLegNames = ['hind right', 'hind left', 'front right', 'front left'];
export const kJointNames = ['upper', 'lower', 'shin', 'paw'];
export const kMostDegrees = 180;
// The front legs' chain starts at the lower joint: their upper one is never drawn.
const drawnJoint = (leg, joint) => leg < 2 || joint > 0;
// A leg by the initials of its name: "hr" is hind right.
const legCode = (leg) => kLegNames[leg].split(' ').map((word) => word[0]).join('');

// An angle as the tables and the links write it: to one decimal, "-0" as "0".
export const angleText = (degrees) => String(Math.round(degrees * 10) / 10 || 0);
// An edit's place as a link writes it: "w2.hr.lower".
export const cellCode = ({ gait, keyframe, leg, joint }) => `${kGaits[gait].letter}${keyframe}.${legCode(leg)}.${kJointNames[joint]}`;
// The words that name a table's cell: "walk keyframe 2, hind right, lower".
export const cellName = ({ gait, keyframe, leg, joint }) => `${kGaits[gait].name} keyframe ${keyframe}, ${kLegNames[leg]}, ${kJointNames[joint]}`;

// The edit part: edits joined by "_", each a cell's code and its angle in
// degrees, at most one decimal ("w2.hr.lower-50_r1.fl.paw20.5"), read as a Map
// from code to { gait, keyframe, leg, joint, degrees }; a later edit of a cell
// takes the place of an earlier one.
function readEdits(value) {
  const edits = new Map();
  (value ? value.split('_') : []).forEach((token, i) => {
    const [, letter, keyframe, legName, jointName, angle] = /^([a-z]*)(\d*)\.([a-z]*)\.([a-z]*)(.*)$/s.exec(token) ?? [];
    const edit = { gait: kGaits.findIndex((gait) => gait.letter === letter), keyframe: Number(keyframe),
      leg: kLegNames.findIndex((_, leg) => legCode(leg) === legName), joint: kJointNames.indexOf(jointName), degrees: Number(angle) };
    const gait = kGaits[edit.gait];
    const why = i >= kEditLimit ? `more than ${kEditLimit} edits`
      : token === '' ? 'an empty token'
      : letter === undefined ? 'an edit reads like w2.hr.lower-50'
      : !gait ? 'no such gait: w (walk) or r (run)'
      : !/^(0|[1-9]\d*)$/.test(keyframe) || edit.keyframe >= gait.stored ? `no such keyframe: the ${gait.name} stores 0 to ${gait.stored - 1}`
      : edit.leg < 0 ? 'no such leg: hr, hl, fr or fl'
      : edit.joint < 0 ? 'no such joint: upper, lower, shin or paw'
      : !drawnJoint(edit.leg, edit.joint) ? 'the front legs have no upper joint'
      : !/^-?(0|[1-9]\d*)(\.\d)?$/.test(angle) ? 'an angle is degrees with at most one decimal'
      : Math.abs(edit.degrees) > kMostDegrees ? `an angle goes from -${kMostDegrees} to ${kMostDegrees}`
      : '';
    if (why) throw new Refusal(token, i + 1, why, 'edits');
    edits.delete(cellCode(edit)); // the Map's order is the order of the last edits
    edits.set(cellCode(edit), edit);
  });
  return edits;
}
const writeEdits = (edits) => [...edits.values()].map((edit) => `${cellCode(edit)}${angleText(edit.degrees)}`).join('_');

// The parts a link may hold, in the order they are written: the edits go in before the keys.
const kLinkParts = [{ name: 'edit', read: readEdits, write: writeEdits }, { name: 'keys', read: readKeys, write: writeKeys }];

// A fragment (without its "#", percent-encoded or not) as { edit: Map, keys:
// runs }, a part left out read as empty; throws a Refusal for the first thing
// it cannot read.
export function readLink(fragment, table) {
  let text = fragment;
  try {
    text = decodeURIComponent(fragment);
  } catch {
    // shown as it came
  }
  const link = Object.fromEntries(kLinkParts.map((part) => [part.name, part.read('', table)]));
  const seen = new Set();
  for (const piece of text ? text.split('&') : []) {
    const [, name, value] = /^([^=]*)=(.*)$/s.exec(piece) ?? [];
    const part = kLinkParts.find((known) => known.name === name);
    if (!part || seen.has(name)) throw new Refusal(piece, 0, part ? `"${name}=" twice` : 'a link holds "edit=" and "keys="');
    seen.add(name);
    link[name] = part.read(value, table);
  }
  return link;
}

// A link as the page writes it into the address (without the "#"); "" for none.
export const writeLink = (link) => kLinkParts.map((part) => [part.name, link[part.name] && part.write(link[part.name])])
  .filter(([, value]) => value).map(([name, value]) => `${name}=${value}`).join('&');

// The keys the program has received, as a link's runs. Past kLinkLimit keys a
// link can no longer hold the scene: the runs stop there and linkable is false.
export class KeyRecord {
  constructor(runs = []) {
    this.runs = [];
    this.count = 0;
    for (const [name, count] of runs) this.add(name, count);
  }

  get linkable() {
    return this.count <= kLinkLimit;
  }

  add(name, times = 1) {
    this.count += times;
    if (this.linkable) addRun(this.runs, name, times);
  }

  // Keeps the first count keys alone.
  truncate(count) {
    const runs = this.runs;
    this.runs = [];
    this.count = 0;
    for (const [name, times] of runs) if (this.count < count) this.add(name, Math.min(times, count - this.count));
  }

  // Every key, one by one, in order.
  names() {
    return this.runs.flatMap(([name, count]) => Array(count).fill(name));
  }
}

// ---- What the page says

// 10000 as "10,000", without the cost of the first toLocaleString (ICU's number formats).
const grouped = (count) => String(count).replace(/\B(?=(\d{3})+$)/g, ',');
// "1 key", "10,000 keys".
export const plural = (count, noun) => `${grouped(count)} ${noun}${count === 1 ? '' : 's'}`;

const kShownLength = 40; // characters of a token that a message shows
let graphemes = null; // an Intl.Segmenter, made on first use: it costs the page's start some 25 ms
// Characters that show nothing, or change the direction or shape of the text
// around them: control, format (the bidirectional controls among them),
// private, unassigned and separator characters other than the space.
const kUnseen = /[\p{C}\p{Zl}\p{Zp}]|(?! )\p{Zs}/gu;

// Text from outside the page as a message may show it: cut after its first 40
// characters (whole ones, as the reader sees them), and every unseen character
// escaped as \uXXXX, so that the text can neither hide nor reorder anything.
export function shownText(text) {
  graphemes ??= new Intl.Segmenter('en', { granularity: 'grapheme' });
  const characters = Array.from(graphemes.segment(text), ({ segment }) => segment);
  const escape = (c) => {
    const code = c.codePointAt(0).toString(16).toUpperCase();
    return code.length > 4 ? `\\u{${code}}` : `\\u${code.padStart(4, '0')}`;
  };
  return characters.slice(0, kShownLength).join('').replace(kUnseen, escape) + (characters.length > kShownLength ? '…' : '');
}

// The status line's words for a link the page could not read.
export function refusalText({ token, position, why, part }) {
  const where = position > 0 ? `token ${position} of the ${part}, ` : '';
  return `The link was not replayed: could not read ${where}"${shownText(token)}" (${why}).`;
}

export const copiedText = 'The link is copied.';
export const copyThisText = (url) => `Copy this link: ${url}`;
export const stoppedText = (done, total) =>
  `The replay was stopped after ${grouped(done)} of ${plural(total, 'key')}: the address holds this scene.`;
export const progressText = (done, total) => `${grouped(done)} of ${plural(total, 'key')}`;

// What the status line says now, from what is true now: the program loading,
// a link replaying, the picture being restored, the link no longer holding the
// scene, or a note about the link (the last refusal, copy or stop).
export function statusText({ loading, replaying, lost, linkable, note }) {
  return [
    loading && 'Loading…',
    replaying && `Replaying ${plural(replaying, 'key')} from the link…`,
    lost && 'The picture is being restored…',
    linkable ? note : `More than ${plural(kLinkLimit, 'key')}: this scene can no longer be linked.`,
  ].filter(Boolean).join(' ');
}

// ---- The player: b at a rate of steps a second, which may change while it plays.

// When the next step falls (ms): one period of the rate now after the last
// step, or now if that has passed already.
export const nextStepAt = (lastStep, rate, now) => Math.max(lastStep + 1000 / rate, now);

// ---- The keyframe tables

// The marks of the gait's stored keyframe tables (its first half-cycle) while
// the pose blends keyframe now into keyframe next: per table its caption and
// mark ("now", "next" or ""). A keyframe of the second half marks the table
// it replays, with the legs of each pair swapped.
export function keyframeMarks(now, next, stored) {
  return Array.from({ length: stored }, (_, table) => {
    const marks = [[now, 'now'], [next, 'next']].filter(([keyframe]) => keyframe % stored === table)
      .map(([keyframe, mark]) => [mark, keyframe < stored ? mark : `${mark} as keyframe ${keyframe}, the legs of each pair swapped`]);
    return { caption: [`Keyframe ${table}`, ...marks.map(([, words]) => words)].join(' · '), mark: marks.map(([mark]) => mark).join(' ') };
  });
}

// The blend of the pose now, in words.
export const blendText = (now, next, substep) =>
  `Blending keyframe ${now} into keyframe ${next}: ${(substep / 10).toFixed(1)} of the way (sub-step ${substep} / 10).`;

// ---- The tables as the program's source: the lines of gait/tables.cpp from
// "// clang-format off" to "// clang-format on", byte for byte in its layout
// (each column as wide as its widest number), from { walk, run }, each a
// gait's stored keyframes of [leg][joint] angles (null: not drawn, written 0).
export function tablesSource(tables) {
  const arrays = kGaits.map(({ name, half }) => {
    const rows = tables[name].flatMap((legs, keyframe) =>
      legs.map((joints, leg) => [keyframe, leg, ...joints].map((angle) => angleText(angle ?? 0))));
    const widths = rows[0].map((_, column) => Math.max(...rows.map((row) => row[column].length)));
    const Name = name[0].toUpperCase() + name.slice(1);
    return [`// ${Name} gait, first half-cycle (${half}).`, `constexpr LegPose k${Name}HalfCycle[] = {`,
      '    /* keyframe, leg, upper, lower, shin, paw */',
      ...rows.map((row) => `    {${row.map((text, column) => text.padStart(widths[column])).join(', ')}},`), '};'].join('\n');
  });
  return `// clang-format off\n${arrays.join('\n\n')}\n// clang-format on\n`;
}
