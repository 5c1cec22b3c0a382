// The page around the program: it hands the program the canvas, keeps the
// keyboard on the canvas, shows the scene after every frame and tells when
// the program has ended. Its buttons, its player and the link's replay give
// the program keys of keys.json (the build's reading of the README's keys
// table) the way the keyboard does; the address's fragment records the keys
// the program receives. quadruped.js picks up this Module when it loads.
'use strict';

// A var, not a const: quadruped.js declares Module with var as well.
var Module = (function () {
  const canvas = document.getElementById('canvas');
  const status = document.getElementById('status');
  const title = document.title;

  // The toolkit listens for keys on the whole window; the canvas takes the
  // focus so that no control takes a key the program needs.
  canvas.focus();
  canvas.addEventListener('pointerdown', () => canvas.focus());

  // One event per frame, sent while the frame is still in the drawing buffer,
  // so a listener can read the very pixels and the state that drew them.
  const frameEvent = new Event('frame');
  // Writes text only when it changed, so that a frame that changes nothing touches nothing.
  const setText = (element, text) => element.textContent !== text && (element.textContent = text);
  const show = (id, text) => setText(document.getElementById(id), text);
  const degrees = (angle) => `${angle.toFixed(1)}°`;
  const angleText = (angle) => (angle === null ? '–' : angle.toFixed(1));
  // status is the page's one live region: it speaks only when its text changes.
  const say = (text) => {
    status.textContent = text;
    status.hidden = !text;
  };

  let frames = 0;
  let shape = `${canvas.width} / ${canvas.height}`;
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
      poseCells = anglesTable(document.getElementById('pose-now'), pose, pose.pose);
      keyframeTables = pose.stored.map((angles) => {
        const table = document.createElement('table');
        table.className = 'angles';
        anglesTable(table, pose, angles, true);
        return table;
      });
      document.getElementById('keyframes').replaceChildren(...keyframeTables);
    }
    pose.pose.forEach((joints, leg) => joints.forEach((angle, joint) => setText(poseCells[leg][joint], angleText(angle))));

    // The second half of the cycle replays the stored half with each leg on its partner's row.
    const stored = pose.stored.length;
    const [now, next] = [state.keyframe, pose.next];
    keyframeTables.forEach((table, k) => {
      const marks = [[now, 'now'], [next, 'next']].filter(([keyframe]) => keyframe % stored === k)
        .map(([keyframe, mark]) => (keyframe < stored ? mark : `${mark} as keyframe ${keyframe}, the legs of each pair swapped`));
      setText(table.caption, [`Keyframe ${k}`, ...marks].join(' · '));
      table.dataset.mark = marks.map((mark) => mark.split(' ')[0]).join(' ');
    });
    show('blend', `Blending keyframe ${now} into keyframe ${next}: ${(state.substep / 10).toFixed(1)} of the way ` +
                  `(sub-step ${state.substep} / 10).`);
    const mirror = document.getElementById('mirror');
    mirror.hidden = now < stored;
    const pairs = pose.partner.map((partner, leg) => leg < partner && `${pose.legs[leg]} ↔ ${pose.legs[partner]}`).filter(Boolean);
    show('mirror', `Second half of the ${state.gait} cycle: keyframes ${stored} to ${pose.cycle - 1} are ` +
                   `keyframes 0 to ${stored - 1} with the legs of each pair swapped (${pairs.join(', ')}).`);
  }

  // ---- The keys, from keys.json.
  const byName = new Map();
  const byKeyCode = new Map();
  // Keys that end the program or change its window: no link holds them, and
  // their buttons act on a click, never on a hold.
  const oneShot = new Set(['Escape', 'F5', 'F6']);
  const markdown = (text) =>
    text.split('`').map((part, i) => (i % 2 ? Object.assign(document.createElement('code'), { textContent: part }) : part));
  const kbd = (text) => Object.assign(document.createElement('kbd'), { textContent: text });
  const keysLoaded = fetch('keys.json')
    .then((response) => response.json())
    .then((keys) => {
      const rows = document.querySelector('#keys tbody');
      for (const { key, does, buttons } of keys.keys) {
        const row = rows.insertRow();
        const th = row.appendChild(document.createElement('th'));
        th.scope = 'row';
        buttons.forEach((button, i) => {
          byName.set(button.name, button);
          byKeyCode.set(button.keyCode, button);
          if (i > 0) th.append(' / ');
          th.appendChild(Object.assign(document.createElement('button'), { type: 'button' })).append(kbd(button.name));
          th.lastChild.dataset.key = button.name;
        });
        if (th.textContent !== key) throw new Error(`keys.json: the buttons of "${key}" read "${th.textContent}"`);
        row.insertCell().append(...markdown(does));
      }
      for (const note of keys.notes)
        document.getElementById('key-notes').appendChild(document.createElement('p')).append(...markdown(note));
      document.querySelectorAll('[data-key]').forEach(wire);
    });

  // Gives the program a key as the keyboard does, on the focused canvas, which
  // the toolkit's listener on the window hears: keydown (repeat: the
  // keyboard's auto-repeat of a held key), then keyup.
  function send(button, type, repeat = false) {
    const { key, code, keyCode } = button;
    const event = new KeyboardEvent(type, { key, code, keyCode, which: keyCode, repeat, bubbles: true, cancelable: true });
    canvas.dispatchEvent(event);
  }
  function press(button) {
    if (replaying || ended) return;
    send(button, 'keydown');
    send(button, 'keyup');
  }

  // Press and hold repeats like a keyboard: a first repeat after half a second,
  // then 30 a second, until the pointer is released, leaves the button or is
  // cancelled, or the page loses the focus or is hidden.
  const kFirstRepeatMs = 500;
  const kRepeatMs = 1000 / 30;
  let release = null;
  function hold(element, button, event) {
    if (release) release();
    if (replaying || ended || event.button !== 0) return;
    // A touch captures its pointer: let go, so that leaving the button ends the hold.
    if (element.hasPointerCapture(event.pointerId)) element.releasePointerCapture(event.pointerId);
    send(button, 'keydown');
    // An interval keeps the rate whatever a frame costs.
    let timer = setTimeout(() => {
      send(button, 'keydown', true);
      timer = setInterval(() => send(button, 'keydown', true), kRepeatMs);
    }, kFirstRepeatMs);
    release = () => {
      clearInterval(timer); // clears the first timeout as well
      release = null;
      send(button, 'keyup');
    };
  }
  const letGo = () => release && release();
  addEventListener('blur', letGo);
  addEventListener('pagehide', letGo);
  document.addEventListener('visibilitychange', letGo);

  function wire(element) {
    const button = byName.get(element.dataset.key);
    if (!button) throw new Error(`keys.json has no key "${element.dataset.key}"`);
    element.setAttribute('aria-label', `${button.label}, key ${button.name}`);
    element.addEventListener('contextmenu', (event) => event.preventDefault());
    if (oneShot.has(button.name)) {
      element.addEventListener('click', () => press(button));
      return;
    }
    element.addEventListener('pointerdown', (event) => hold(element, button, event));
    for (const type of ['pointerup', 'pointerleave', 'pointercancel']) element.addEventListener(type, letGo);
    // A click from the keyboard (Enter or Space on the button) presses once.
    element.addEventListener('click', (event) => event.detail === 0 && press(button));
  }
  // After a click or a tap the keyboard goes back to the canvas.
  document.addEventListener('click', (event) => event.detail > 0 && !ended && event.target.closest('button') && canvas.focus());

  // ---- The link: the keys the program received, as runs in the fragment.
  // #keys=12b_F1_10b_3, is 12 b, F1, 10 b, then 3 ",": tokens joined by "_",
  // each a key's name after its count (1 when left out).
  const kLinkLimit = 10000;
  const kLinkDelayMs = 200; // browsers throttle a page that rewrites its address too often
  const kReplayBatch = 25; // keys per task, so that the page stays responsive
  const runs = [];
  let received = 0;
  let linkTimer = 0;
  let replaying = false;
  function writeLink() {
    clearTimeout(linkTimer);
    linkTimer = 0;
    if (received > kLinkLimit) return;
    const fragment = runs.map(([name, count]) => `${count > 1 ? count : ''}${name}`).join('_');
    history.replaceState(null, '', fragment ? `#keys=${fragment}` : location.pathname + location.search);
  }
  function record(name) {
    if (++received > kLinkLimit) {
      if (received === kLinkLimit + 1) {
        history.replaceState(null, '', location.pathname + location.search);
        say(`More than ${kLinkLimit} keys: the link no longer holds this scene.`);
      }
      return;
    }
    const last = runs[runs.length - 1];
    if (last && last[0] === name) last[1]++;
    else runs.push([name, 1]);
    linkTimer = linkTimer || setTimeout(writeLink, kLinkDelayMs);
  }
  // Keys that stay with the page, so the keyboard reaches every control: Tab,
  // and the keys a focused control works with. The program would only redraw.
  function pagesOwn(event) {
    const target = event.target;
    if (event.key === 'Tab') return true;
    if (target instanceof HTMLButtonElement) return event.key === 'Enter' || event.key === ' ';
    return target instanceof HTMLInputElement && /^(Arrow|Home|End|Page)/.test(event.key);
  }
  // Before the toolkit's own listener: record what the program receives; hold
  // back the keyboard before the first frame and while a link replays.
  addEventListener('keydown', (event) => {
    if (pagesOwn(event)) return event.stopImmediatePropagation();
    if (event.isTrusted && (replaying || frames === 0)) {
      event.preventDefault();
      return event.stopImmediatePropagation();
    }
    const button = byKeyCode.get(event.keyCode);
    // With a modifier a character key gives the program another character, or none.
    const modified = event.shiftKey || event.ctrlKey || event.altKey || event.metaKey;
    if (button && !ended && !oneShot.has(button.name) && !(button.key.length === 1 && modified)) record(button.name);
  }, true);

  // The key names a fragment holds, in order; throws [token, why] for the first it cannot read.
  function readLink(fragment) {
    let text = fragment;
    try {
      text = decodeURIComponent(fragment);
    } catch {
      // shown as it came
    }
    if (!text) return [];
    if (!text.startsWith('keys=')) throw [text, 'a link\'s keys start with "keys="'];
    const names = [];
    for (const token of text === 'keys=' ? [] : text.slice(5).split('_')) {
      const [, count, name] = /^(\d*)(.*)$/s.exec(token);
      const times = Number(count || 1);
      const why = !byName.has(name) ? 'no such key'
        : oneShot.has(name) ? 'a link never quits or resizes the program'
        : count && !/^[1-9]\d*$/.test(count) ? 'a count is a whole number from 1'
        : names.length + times > kLinkLimit ? `more than ${kLinkLimit} keys in all`
        : '';
      if (why) throw [token, why];
      for (let i = 0; i < times; i++) names.push(name);
    }
    return names;
  }
  // Replays a link's keys into the program through the keyboard's path.
  function replay() {
    let names;
    try {
      names = readLink(location.hash.slice(1));
    } catch ([token, why]) {
      const shownToken = token.length > 40 ? `${token.slice(0, 40)}…` : token;
      return say(`The link was not replayed: could not read "${shownToken}" (${why}).`);
    }
    if (names.length === 0) return;
    replaying = true;
    say(`Replaying ${names.length} keys from the link…`);
    let next = 0;
    (function batch() {
      if (ended) return;
      for (const stop = Math.min(next + kReplayBatch, names.length); next < stop; next++) {
        send(byName.get(names[next]), 'keydown');
        send(byName.get(names[next]), 'keyup');
      }
      if (next < names.length) return setTimeout(batch);
      replaying = false;
      say('');
    })();
  }

  document.getElementById('copy-link').addEventListener('click', () => {
    writeLink();
    navigator.clipboard.writeText(location.href).then(
      () => say('The link is copied.'),
      () => say(`Copy this link: ${location.href}`),
    );
  });

  // ---- Play: b at the chosen rate, through the same path as the buttons.
  const play = document.getElementById('play');
  const rate = document.getElementById('rate');
  let player = 0;
  function playing(on) {
    clearInterval(player);
    player = on ? setInterval(() => press(byName.get('b')), 1000 / rate.value) : 0;
    play.textContent = on ? 'Pause' : 'Play';
  }
  play.addEventListener('click', () => playing(!player));
  rate.addEventListener('input', () => {
    document.getElementById('rate-shown').value = rate.value;
    if (player) playing(true);
  });

  function end(message) {
    ended = true;
    letGo();
    playing(false);
    document.querySelectorAll('[data-key], #play, #rate').forEach((control) => (control.disabled = true));
    status.hidden = true;
    // The toolkit shrinks the ended program's drawing buffer to 1 x 1: the
    // canvas keeps the shape of its last frame on the screen.
    canvas.style.aspectRatio = shape;
    canvas.classList.add('ended');
    document.getElementById('ended-message').textContent = message;
    document.getElementById('ended').hidden = false;
    document.getElementById('restart').focus();
  }
  document.getElementById('restart').addEventListener('click', () => location.reload());

  // A lost WebGL context (a driver reset, a tab put away): ask for it back;
  // once it is restored the program's GL layer draws the scene again.
  canvas.addEventListener('webglcontextlost', (event) => {
    event.preventDefault();
    say('The picture is being restored…');
  });
  canvas.addEventListener('webglcontextrestored', () => say(''));

  const module = {
    canvas,
    // As on the desktop, the program runs until it calls exit().
    noExitRuntime: true,
    onFrame() {
      if (++frames === 1) {
        say('');
        // The program names its window in Latin-1 bytes; the page's own
        // UTF-8 title stays, whatever the toolkit makes of the name.
        if (document.title !== title) document.title = title;
        // Right after the first frame, once the keys are known.
        keysLoaded.then(() => setTimeout(replay));
      }
      shape = `${canvas.width} / ${canvas.height}`;
      canvas.dispatchEvent(frameEvent);
    },
    // Called once when the program ends with exit(), with its status (exit.js).
    onExit(code) {
      end(`The program has ended (exit status ${code}).`);
    },
    onAbort(what) {
      end(`The program has stopped: ${what}`);
    },
  };
  return module;
})();
