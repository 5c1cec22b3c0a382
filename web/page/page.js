// The page around the program: it hands the program the canvas, keeps the
// keyboard on the canvas, shows the scene after every frame and tells when
// the program has ended. Its buttons, its player and the link's replay give
// the program keys of keys.json (the build's reading of the README's keys
// table) the way the keyboard does; the address's fragment records the keys
// the program receives. The rules live in logic.js; this module wires them to
// the page, then loads quadruped.js, which picks up the Module made here.
import * as logic from './logic.js';

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
let keyframeTables = [];
let tablesGait = '';
// A table of one angle per leg and joint, rows headed by the legs' names.
function anglesTable(table, pose, angles, caption) {
  table.replaceChildren();
  if (caption) table.createCaption();
  const head = table.createTHead().insertRow();
  for (const name of ['leg', ...pose.joints]) {
    const th = head.appendChild(document.createElement('th'));
    th.scope = 'col';
    th.textContent = name[0].toUpperCase() + name.slice(1);
  }
  const body = table.createTBody();
  return angles.map((joints, leg) => {
    const row = body.insertRow();
    const th = row.appendChild(document.createElement('th'));
    th.scope = 'row';
    th.textContent = pose.legs[leg];
    return joints.map((angle) => Object.assign(row.insertCell(), { textContent: angleText(angle) }));
  });
}
function showPose(state, pose) {
  if (tablesGait !== state.gait) {
    tablesGait = state.gait;
    poseCells = anglesTable(byId('pose-now'), pose, pose.pose);
    keyframeTables = pose.stored.map((angles) => {
      const table = document.createElement('table');
      table.className = 'angles';
      anglesTable(table, pose, angles, true);
      return table;
    });
    byId('keyframes').replaceChildren(...keyframeTables);
  }
  pose.pose.forEach((joints, leg) => joints.forEach((angle, joint) => setText(poseCells[leg][joint], angleText(angle))));

  // The second half of the cycle replays the stored half with each leg on its partner's row.
  const stored = pose.stored.length;
  logic.keyframeMarks(state.keyframe, pose.next, stored).forEach(({ caption, mark }, k) => {
    setText(keyframeTables[k].caption, caption);
    keyframeTables[k].dataset.mark = mark;
  });
  show('blend', logic.blendText(state.keyframe, pose.next, state.substep));
  byId('mirror').hidden = state.keyframe < stored;
  const pairs = pose.partner.map((partner, leg) => leg < partner && `${pose.legs[leg]} ↔ ${pose.legs[partner]}`).filter(Boolean);
  show('mirror', `Second half of the ${state.gait} cycle: keyframes ${stored} to ${pose.cycle - 1} are ` +
                 `keyframes 0 to ${stored - 1} with the legs of each pair swapped (${pairs.join(', ')}).`);
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

// ---- The link: the keys the program received, in the address's fragment.
const kLinkDelayMs = 200; // browsers throttle a page that rewrites its address too often
let record = new logic.KeyRecord();
let linkTimer = 0;
let lastWrite = -Infinity;
function writeLink() {
  clearTimeout(linkTimer);
  linkTimer = 0;
  lastWrite = performance.now();
  const fragment = record.linkable ? logic.writeLink({ keys: record.runs }) : '';
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

const controlOf = (target) =>
  target instanceof HTMLButtonElement ? 'button' : target instanceof HTMLInputElement && target.type === 'range' ? 'slider' : null;
// Before the toolkit's own listener: record what the program receives; hold
// back every key until the page is ready and while a link replays, but Quit.
let givingReplayKey = false; // a replay's own key is on its way
addEventListener('keydown', (event) => {
  if (logic.pageKeeps(event.key, controlOf(event.target))) return event.stopImmediatePropagation();
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

// ---- The replay of a link, from the program's first frame, through the
// keyboard's path. The address holds the whole link from the start.
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
  record = new logic.KeyRecord(link.keys);
  if (record.count === 0) return;
  writeLink(); // the link as the page writes it: "1b_b" reads as "2b"
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
  document.querySelectorAll('[data-key], #play, #rate, #copy-link').forEach((control) => (control.disabled = true));
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
