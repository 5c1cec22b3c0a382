// Pointing at the figure: the part under a mouse, pen or finger is named with
// what turns it, marked over the picture, and its chain of transforms listed;
// a leg segment or paw dragged, stepped from the keyboard or from the thumb
// control turns its joint, writing the stored cell that the pose shows
// (cell.js) through the keyframe editor. What the program drew is read from
// its GL layer's record of the last frame (web/picking.cpp); the mark is a
// tint that the layer draws after the program's frame, whose calls stay as
// they were.
import * as rules from './cell.js';
import { byId, hide, setText } from './dom.js';
import * as editor from './editor.js';
import { onClaimedKey } from './keys.js';
import { canvas, hasStopped, module, now as shownNow, read, theModel } from './program.js';

// Keys that turn the selected joint, kept from the program: degrees a press.
export const kTurnKeys = { '[': -1, ']': 1, '{': -10, '}': 10 };

// The mark's tints: red, green, blue and alpha from 0 to 1.
const kSelectedTint = [0, 170 / 255, 1, 0.6];
const kHoverTint = [1, 1, 1, 0.35];

// Set up once the program runs; the words, the chain and the thumb control
// go below the pad.
canvas.addEventListener('start', () => {
  const model = theModel();
  const { parts } = model;

  // The words, the chain and the thumb control.
  const panel = document.createElement('div');
  panel.id = 'pointing';
  panel.dataset.program = ''; // the end turns its controls off
  panel.innerHTML = `<p id="pointed" aria-live="polite">Point at the figure to name a part; drag a leg to pose it.</p>
    <div id="thumb" role="group" aria-labelledby="thumb-label" hidden>
      <span id="thumb-label"></span>
      <button type="button" id="thumb-down" aria-label="Turn the joint 1 degree back">−</button>
      <input type="range" id="thumb-angle" min="-180" max="180" step="1" aria-labelledby="thumb-label">
      <button type="button" id="thumb-up" aria-label="Turn the joint 1 degree on">+</button>
      <output id="thumb-shown" for="thumb-angle"></output>
    </div>
    <details id="chain-box"><summary>The chain of transforms that places it</summary><ol id="chain"></ol></details>`;
  byId('pad').parentNode.append(panel); // below the pad, which a phone keeps in view

  let hovered = -1; // the part under a hovering pointer
  let selected = null; // { part, cell } of the last part pointed at with a press
  const drags = new Map(); // pointerId -> { at, weight, grabbed, stored, pivot, projection, viewport }

  // Everything the rules need from the program now: its state, the pose and the gait (0 walk, 1 run).
  function now() {
    const { state, pose } = shownNow();
    return { state, pose, gait: model.gaits.findIndex(({ name }) => name === state.gait) };
  }
  const isLegPart = (part) => part >= 0 && parts[part]?.leg !== undefined;
  // The stored cell a leg part's joint shows now.
  function cellOf(part, facts = now()) {
    const { leg, joint } = parts[part];
    return rules.shownCell(model, facts.gait, facts.state, leg, joint);
  }
  // "hind right shin, turned by the shin joint: 70.0°, ..." for a part.
  function describe(part) {
    if (part < 0) return 'Nothing of the figure there (the ground or a tree).';
    const name = parts[part].name;
    if (!isLegPart(part)) return `The ${name}: no joint of the keyframe tables turns it; it goes where the figure's place, heading${part === 0 ? ' and the body bob (run gait)' : ''} take it.`;
    const facts = now(), cell = cellOf(part, facts);
    const joint = parts[part].joint;
    return `${name}, turned by the ${model.joints[joint]} joint: ${facts.pose.pose[parts[part].leg][joint].toFixed(1)}°; ` +
      `a drag changes ${rules.cellWords(cell, model)}: ${editor.angleOf(cell.at).toFixed(1)}°.`;
  }

  // Canvas pixels (the drawing buffer's) of a pointer event. The canvas's box
  // in the document is read again only after a change of size: read after
  // the page's own writes of a frame, it would make the browser lay out the
  // whole page again on every move (a scroll moves the event's page
  // coordinates with it).
  let box = null;
  const unbox = () => (box = null);
  for (const type of ['resize', 'fullscreenchange']) addEventListener(type, unbox);
  new ResizeObserver(unbox).observe(canvas);
  function pixel(event) {
    if (!box) {
      const { left, top, width, height } = canvas.getBoundingClientRect();
      box = { left: left + scrollX, top: top + scrollY, width, height };
    }
    return [((event.pageX - box.left) * canvas.width) / box.width, ((event.pageY - box.top) * canvas.height) / box.height];
  }
  const pick = (event) => module._quadrupedPick(...pixel(event));
  const record = (part) => read('quadrupedPart', part);

  function showWords() {
    const part = hovered >= 0 ? hovered : selected ? selected.part : -1;
    const text = hovered >= 0 || selected ? describe(part) : byId('pointed').textContent;
    setText(byId('pointed'), text);
  }

  // The mark: the selected part in blue, the hovered one lightly, tinted by
  // the GL layer where each frame from the next draws it; a change of either
  // asks for that frame, and the frames of a drag carry it along by themselves.
  function mark() {
    if (hasStopped()) return;
    const part = selected?.part ?? -1;
    module._quadrupedTint(0, part, ...kSelectedTint);
    module._quadrupedTint(1, hovered === part ? -1 : hovered, ...kHoverTint);
  }

  // The chain of the selected part, from the scene down, each row in words.
  function showChain() {
    const list = byId('chain');
    const placed = selected ? record(selected.part) : null;
    if (!placed) return list.replaceChildren();
    const rows = chainRows(selected.part, placed, now());
    list.replaceChildren(...rows.map(({ text, at }) => {
      const item = document.createElement('li');
      item.textContent = text;
      if (at) {
        const link = Object.assign(document.createElement('a'), { href: '#keyframes', textContent: ' (its cell)' });
        link.addEventListener('click', (event) => {
          event.preventDefault();
          editor.focusCell(at);
        });
        item.append(link);
      }
      return item;
    }));
  }
  // Labels for the program's own operations, in the order the figure code
  // makes them: the view, the figure's place and heading, the body bob (run
  // gait), where the piece hangs on the body, then for a leg each joint's turn,
  // its gap and the drop to the next joint; the rest is the piece's own shape.
  function chainRows(part, { chain, own }, facts) {
    const { leg } = parts[part];
    let joint = leg === undefined ? null : parts[parts.findIndex((p) => p?.leg === leg)].joint;
    let step = 'place';
    return chain.map(([kind, ...v], i) => {
      const numbers = v.map((n) => +n.toFixed(3)).join(', ');
      const is = (wanted, what) => step === wanted && kind === what;
      if (kind === 'view') return { text: "the camera's view (gluLookAt)" };
      if (is('place', 'translate')) return (step = 'heading'), { text: `the figure's place: translate ${numbers}` };
      if (is('heading', 'rotate')) return (step = model.gaits[facts.gait].bodyBob ? 'bob' : 'hang'), { text: `its heading: ${v[0].toFixed(1)}° about y` };
      if (is('bob', 'translate')) return (step = 'hang'), { text: `the body bob (run gait): ${v[1].toFixed(3)} up` };
      if (is('hang', 'translate') && part !== 0) {
        step = 'joint';
        return { text: leg === undefined ? `where the ${parts[part].name} hangs on the body: translate ${numbers}`
          : `the ${model.legs[leg].name} ${joint === 0 ? 'hip' : 'shoulder'} offset: translate ${numbers}` };
      }
      if (is('joint', 'rotate') && leg !== undefined) {
        step = 'gap';
        const cell = rules.shownCell(model, facts.gait, facts.state, leg, joint);
        return { text: `turned by the ${model.joints[joint]} joint: ${v[0].toFixed(1)}° about z, from ${rules.cellWords(cell, model)}`, at: cell.at };
      }
      if (is('gap', 'translate')) return (step = i < own ? 'drop' : 'shape'), { text: `down the joint's gap: translate ${numbers}` };
      if (is('drop', 'translate')) return (step = 'joint'), joint++, { text: `down the segment to the next joint: translate ${numbers}` };
      return { text: `the ${parts[part].name}'s own shape: ${kind} ${numbers}` };
    });
  }

  // Selection: a press on a part (or on nothing, which clears it) is announced.
  function select(part) {
    selected = part >= 0 ? { part, cell: isLegPart(part) ? cellOf(part) : null } : null;
    document.dispatchEvent(new CustomEvent('select', { detail: { at: selected?.cell?.at ?? null } }));
    showThumb();
    showChain();
  }
  function showThumb() {
    const thumb = byId('thumb');
    hide(thumb, !selected?.cell);
    if (thumb.hidden) return;
    const { at } = selected.cell;
    setText(byId('thumb-label'), `${parts[selected.part].name}: ${rules.cellWords(selected.cell, model)}`);
    byId('thumb-angle').value = editor.angleOf(at);
    setText(byId('thumb-shown'), `${editor.angleOf(at).toFixed(1)}°`);
  }
  // One change of the selected cell, as one step of the editor's history.
  function turnSelected(degrees, words) {
    if (!selected?.cell) return;
    const { at } = selected.cell;
    editor.beginChange?.(words);
    editor.setAngle(at, Math.max(-model.mostDegrees, Math.min(model.mostDegrees, degrees)));
    editor.endChange?.();
    showThumb();
  }
  const stepWords = (what) => `${what} of ${model.cellName(selected.cell.at)}`;
  byId('thumb-down').addEventListener('click', () => turnSelected(editor.angleOf(selected.cell.at) - 1, stepWords('a step')));
  byId('thumb-up').addEventListener('click', () => turnSelected(editor.angleOf(selected.cell.at) + 1, stepWords('a step')));
  byId('thumb-angle').addEventListener('input', (event) => turnSelected(event.target.valueAsNumber, stepWords('a slide')));

  // The keyboard: [ and ] turn the selected joint by a degree, { and } by ten;
  // these keys never reach the program.
  onClaimedKey((event) => {
    if (!(event.key in kTurnKeys) || !selected?.cell || event.target instanceof HTMLInputElement || event.ctrlKey || event.metaKey || event.altKey) return false;
    turnSelected(editor.angleOf(selected.cell.at) + kTurnKeys[event.key], stepWords('a key step'));
    return true;
  });

  // Pointers: a hover names, a press selects and, on a leg part, grabs it;
  // each pointer drags on its own (captured until it is lifted).
  canvas.style.touchAction = 'none';
  canvas.addEventListener('pointermove', (event) => {
    const drag = drags.get(event.pointerId);
    if (drag) {
      const angle = rules.pointerAngle(drag.pivot, drag.projection, drag.viewport, ...pixel(event));
      if (angle !== null) editor.setAngle(drag.at, rules.draggedAngle(drag.stored, drag.grabbed, angle, drag.weight, model.mostDegrees));
      showThumb();
      return;
    }
    if (event.pointerType === 'touch') return;
    hovered = pick(event);
    showWords();
    mark();
  });
  canvas.addEventListener('pointerleave', () => {
    hovered = -1;
    showWords();
    mark();
  });
  canvas.addEventListener('pointerdown', (event) => {
    if (event.button !== 0) return;
    const part = pick(event);
    select(part);
    if (isLegPart(part)) {
      const placed = record(part);
      const grabbed = rules.pointerAngle(placed.pivot, placed.projection, placed.viewport, ...pixel(event));
      if (grabbed !== null) {
        const { at, weight } = selected.cell;
        editor.beginChange?.(`drag of ${model.cellName(at)}`);
        drags.set(event.pointerId, { at, weight, grabbed, stored: editor.angleOf(at), ...placed });
        canvas.setPointerCapture(event.pointerId);
      }
    }
    hovered = event.pointerType === 'touch' ? -1 : part;
    showWords();
    mark();
  });
  const letGo = (event) => {
    if (drags.delete(event.pointerId)) editor.endChange?.();
    showChain();
  };
  canvas.addEventListener('pointerup', letGo);
  canvas.addEventListener('pointercancel', letGo);

  // After every frame: the words and the chain follow what was drawn.
  canvas.addEventListener('frame', () => {
    if (hovered >= 0 || selected) showWords();
    if (selected && drags.size === 0) showChain();
  });
});
