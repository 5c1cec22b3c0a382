// The program's keys: keys.json (the build's reading of the README's keys
// table) loaded and shown as the keys table; a key given to the program as
// the keyboard gives it; and the gate every keydown passes before the
// toolkit's own listener, which holds keys back until the page is ready and
// while a link replays, keeps the page's own keys (keyrules.pageKeeps) from
// the program, and has the link record what the program receives.
import { byId } from './dom.js';
import * as keyrules from './keyrules.js';
import { recordKey } from './link.js';
import { canvas, hasStopped, running } from './program.js';
import * as replay from './replay.js';
import { unloadedText } from './words.js';
import { fail, keepPicture } from './ending.js';

let keys = null; // keyrules.keyTable, once keys.json is there
export const keyTable = () => keys;

const markdown = (text) =>
  text.split('`').map((part, i) => (i % 2 ? Object.assign(document.createElement('code'), { textContent: part }) : part));
const kbd = (text) => Object.assign(document.createElement('kbd'), { textContent: text });
function showKeys(json) {
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
    if (th.textContent !== key) throw new Error(`the buttons of "${key}" read "${th.textContent}"`);
    row.insertCell().append(...markdown(does));
  }
  for (const note of json.notes) byId('key-notes').appendChild(document.createElement('p')).append(...markdown(note));
  keys = keyrules.keyTable(json);
  return keys;
}
// The keys table once keys.json is there and shown; null where it could not be loaded (the status line says why).
export const loaded = fetch('keys.json')
  .then((response) => (response.ok ? response.json() : Promise.reject(new Error(`${response.status} ${response.statusText}`.trim()))))
  .then(showKeys)
  .catch((error) => {
    fail(unloadedText('keys.json', error.message));
    return null;
  });

// Keys reach the program once its first frame and the keys table are both
// there, so that every key it receives is recorded; until the program ends.
export const ready = () => running() && keys !== null;

// Gives the program a key as the keyboard does, on the focused canvas, which
// the toolkit's listener on the window hears: keydown (repeat: the
// keyboard's auto-repeat of a held key), then keyup.
export function send(name, type, repeat = false) {
  const { key, code, keyCode } = keys.byName.get(name);
  canvas.dispatchEvent(new KeyboardEvent(type, { key, code, keyCode, which: keyCode, repeat, bubbles: true, cancelable: true }));
}
// A press of a button or the player; a replay takes none but Quit.
export function press(name) {
  if (!ready() || (replay.active() && name !== 'Escape')) return;
  send(name, 'keydown');
  send(name, 'keyup');
}

const controlOf = (target) => (target instanceof HTMLButtonElement ? 'button'
  : target instanceof HTMLInputElement && target.type === 'range' ? 'slider'
  : target instanceof HTMLInputElement || target instanceof HTMLSelectElement ? 'field' : null);
// The page's own handler of a key it keeps (the editor's field keys), by the module that owns it.
const pageKeyHandlers = [];
export const onPageKey = (handler) => pageKeyHandlers.push(handler);
// Keys a module takes for itself while claims(event) says so (pointing.js's
// turns of the selected joint): they reach neither the program nor the record.
const keyClaims = [];
export const onClaimedKey = (claims) => keyClaims.push(claims);
// Before the toolkit's own listener: record what the program receives; hold
// back every key until the page is ready and while a link replays, but Quit.
const mac = /Mac|iPhone|iPad/.test(navigator.platform);
addEventListener('keydown', (event) => {
  if (keyClaims.some((claims) => claims(event))) {
    event.preventDefault();
    return event.stopImmediatePropagation();
  }
  const undoing = keyrules.undoKey(event, mac);
  if (undoing) {
    event.preventDefault();
    pageKeyHandlers.forEach((handler) => handler(event, undoing));
    return event.stopImmediatePropagation();
  }
  if (keyrules.pageKeeps(event.key, controlOf(event.target))) {
    pageKeyHandlers.forEach((handler) => handler(event));
    return event.stopImmediatePropagation();
  }
  if (replay.givingKey() || hasStopped()) return;
  const name = keys && keyrules.keyName(keys, event);
  if (!ready() || (replay.active() && name !== 'Escape')) {
    // As the toolkit would: no browser action for a key it takes (F5 does not reload).
    if (keyrules.toolkitKey(event) !== null) event.preventDefault();
    return event.stopImmediatePropagation();
  }
  if (name === 'Escape') {
    replay.stop();
    keepPicture(true);
  }
  if (keyrules.recorded(name)) recordKey(name);
}, true);
