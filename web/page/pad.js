// The buttons that give the program a key of keys.json (every data-key
// element: the pad under the canvas and the keys table): a click presses
// once; press and hold repeats like a keyboard. After a click or a tap the
// keyboard goes back to the canvas.
import { keyTable, loaded, press, ready, send } from './keys.js';
import { kOneShot } from './keyrules.js';
import { canvas, hasStopped } from './program.js';
import * as replay from './replay.js';

// Press and hold repeats like a keyboard: a first repeat after half a second,
// then 30 a second, until that pointer is released, leaves the button or is
// cancelled, or the page loses the focus or is hidden. Each pointer holds one
// button of its own.
const kFirstRepeatMs = 500;
const kRepeatMs = 1000 / 30;
const holds = new Map(); // pointerId -> its hold's release
function hold(element, name, event) {
  letGo(event);
  if (!ready() || replay.active() || event.button !== 0) return;
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
canvas.addEventListener('end', letGoAll);

function wire(element) {
  const name = element.dataset.key;
  const button = keyTable().byName.get(name);
  if (!button) throw new Error(`keys.json has no key "${name}"`);
  element.setAttribute('aria-label', `${button.label}, key ${name}`);
  element.addEventListener('contextmenu', (event) => event.preventDefault());
  if (kOneShot.has(name)) {
    element.addEventListener('click', () => press(name));
    return;
  }
  element.addEventListener('pointerdown', (event) => hold(element, name, event));
  for (const type of ['pointerup', 'pointerleave', 'pointercancel']) element.addEventListener(type, letGo);
  // A click from the keyboard (Enter or Space on the button) presses once.
  element.addEventListener('click', (event) => event.detail === 0 && press(name));
}
loaded.then((keys) => keys && document.querySelectorAll('[data-key]').forEach(wire));
// After a click or a tap the keyboard goes back to the canvas.
document.addEventListener('click', (event) => event.detail > 0 && !hasStopped() && event.target.closest('button') && canvas.focus());
