// The page around the program: it hands the program the canvas, keeps the
// keyboard on the canvas, shows the scene after every frame and tells when
// the program has ended. quadruped.js picks up this Module when it loads.
'use strict';

// A var, not a const: quadruped.js declares Module with var as well.
var Module = (function () {
  const canvas = document.getElementById('canvas');
  const status = document.getElementById('status');
  const title = document.title;

  // The toolkit listens for keys on the whole window, but a focused button or
  // link would still take Space or Enter for itself: the canvas keeps focus.
  canvas.focus();
  canvas.addEventListener('pointerdown', () => canvas.focus());

  // One event per frame, sent while the frame is still in the drawing buffer,
  // so a listener can read the very pixels and the state that drew them.
  const frameEvent = new Event('frame');
  const shown = new Map();
  function show(id, text) {
    if (shown.get(id) !== text) {
      shown.set(id, text);
      document.getElementById(id).textContent = text;
    }
  }
  const degrees = (angle) => `${angle.toFixed(1)}°`;

  let frames = 0;
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
  }
  canvas.addEventListener('frame', showState);

  function end(message) {
    status.hidden = true;
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
    status.textContent = 'The picture is being restored…';
    status.hidden = false;
  });
  canvas.addEventListener('webglcontextrestored', () => (status.hidden = true));

  const module = {
    canvas,
    // As on the desktop, the program runs until it calls exit().
    noExitRuntime: true,
    onFrame() {
      if (++frames === 1) {
        status.hidden = true;
        // The program names its window in Latin-1 bytes; the page's own
        // UTF-8 title stays, whatever the toolkit makes of the name.
        if (document.title !== title) document.title = title;
      }
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
