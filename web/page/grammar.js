// A link's grammar: "#edit=w2.hr.lower-50&keys=12b_F1_10b_3," sets walk
// keyframe 2, hind right, lower to -50 degrees, then gives 12 b, F1, 10 b and
// 3 ",". A link is made of parts "name=value" joined by "&", in kLinkParts'
// order; it holds no more than kLinkLimit keys and kEditLimit edits. The
// edits are the grammar that tools/edits.cpp reads too: both pass the cases of
// tests/edit_cases.txt. Plain functions over plain data (no DOM); the legs,
// joints and gaits are the program's model (model.js).
import { kOneShot } from './keyrules.js';
import { plural } from './words.js';

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
function readKeys(value, { keys: table }) {
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

// An angle as the tables and the links write it: to one decimal, "-0" as "0".
export const angleText = (degrees) => String(Math.round(degrees * 10) / 10 || 0);

// One edit: a cell's code and its angle in degrees, at most one decimal
// ("w2.hr.lower-50", "r1.fl.paw20.5"), as { gait, keyframe, leg, joint,
// degrees }; or why it cannot be read. The one edit grammar.
export function readEdit(token, model) {
  const { gaits, legs, joints, mostDegrees } = model;
  const [, letter, keyframe, legName, jointName, angle] = /^([a-z]*)(\d*)\.([a-z]*)\.([a-z]*)(.*)$/s.exec(token) ?? [];
  const edit = { gait: gaits.findIndex((gait) => gait.letter === letter), keyframe: Number(keyframe),
    leg: legs.findIndex(({ code }) => code === legName), joint: joints.indexOf(jointName), degrees: Number(angle) };
  const gait = gaits[edit.gait];
  const or = (names) => `${names.slice(0, -1).join(', ')} or ${names.at(-1)}`;
  const why = token === '' ? 'an empty token'
    : letter === undefined ? 'an edit reads like w2.hr.lower-50'
    : !gait ? `no such gait: ${or(gaits.map(({ letter, name }) => `${letter} (${name})`))}`
    : !/^(0|[1-9]\d*)$/.test(keyframe) || edit.keyframe >= gait.stored ? `no such keyframe: the ${gait.name} stores 0 to ${gait.stored - 1}`
    : edit.leg < 0 ? `no such leg: ${or(legs.map(({ code }) => code))}`
    : edit.joint < 0 ? `no such joint: ${or(joints)}`
    : !model.hasJoint(edit.leg, edit.joint) ? `the ${legs[edit.leg].name} leg has no ${jointName} joint`
    : !/^-?(0|[1-9]\d*)(\.\d)?$/.test(angle) ? 'an angle is degrees with at most one decimal'
    : Math.abs(edit.degrees) > mostDegrees ? `an angle goes from -${mostDegrees} to ${mostDegrees}`
    : '';
  return why ? { why } : edit;
}

// The edit part: edits joined by "_", read as a Map from cellCode to edit; a
// later edit of a cell takes the place of an earlier one.
export function readEdits(value, { model }) {
  const edits = new Map();
  (value ? value.split('_') : []).forEach((token, i) => {
    const edit = i >= kEditLimit ? { why: `more than ${kEditLimit} edits` } : readEdit(token, model);
    if (edit.why) throw new Refusal(token, i + 1, edit.why, 'edits');
    edits.delete(model.cellCode(edit)); // the Map's order is the order of the last edits
    edits.set(model.cellCode(edit), edit);
  });
  return edits;
}
const writeEdits = (edits, { model }) => [...edits.values()].map((edit) => `${model.cellCode(edit)}${angleText(edit.degrees)}`).join('_');

// The parts a link may hold, in the order they are written: the edits go in before the keys.
const kLinkParts = [{ name: 'edit', read: readEdits, write: writeEdits }, { name: 'keys', read: readKeys, write: writeKeys }];

// A fragment (without its "#", percent-encoded or not) as { edit: Map, keys:
// runs }, a part left out read as empty; throws a Refusal for the first thing
// it cannot read. with: { keys (keyrules.keyTable), model }.
export function readLink(fragment, with_) {
  let text = fragment;
  try {
    text = decodeURIComponent(fragment);
  } catch {
    // shown as it came
  }
  const link = Object.fromEntries(kLinkParts.map((part) => [part.name, part.read('', with_)]));
  const seen = new Set();
  for (const piece of text ? text.split('&') : []) {
    const [, name, value] = /^([^=]*)=(.*)$/s.exec(piece) ?? [];
    const part = kLinkParts.find((known) => known.name === name);
    if (!part || seen.has(name)) throw new Refusal(piece, 0, part ? `"${name}=" twice` : 'a link holds "edit=" and "keys="');
    seen.add(name);
    link[name] = part.read(value, with_);
  }
  return link;
}

// A link as the page writes it into the address (without the "#"); "" for none.
export const writeLink = (link, with_) => kLinkParts.map((part) => [part.name, link[part.name] && part.write(link[part.name], with_)])
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
