// The program: the Module that quadruped.js takes its settings from, the
// program's exports read as JSON, its model (read once), and the events the
// page's modules follow on the canvas:
//   'start'  once, before the first frame is shown;
//   'frame'  after every drawn frame, while it is still in the drawing buffer,
//            so that a listener can read the very pixels and state that drew it;
//   'end'    once, when the program has ended or the page has stopped it.
import { makeModel } from './model.js';

export const canvas = document.getElementById('canvas');
const title = document.title;
const frameEvent = new Event('frame');
let frames = 0;
let stopped = false;
let drawing = false; // in drawFrame

export const module = {
  canvas,
  // As on the desktop, the program runs until it calls exit().
  noExitRuntime: true,
  // Set by the replay around the keys whose frames are left undrawn. A frame
  // asked for while the toolkit has a redraw coming (a drag's, an edit's) is
  // left undrawn too, but for the page's own (drawFrame): that redraw, before
  // the display's next frame, shows its scene, so the display never had the
  // frame to show.
  replaySkips: false,
  get skipFrames() {
    return module.replaySkips || (!drawing && Boolean(globalThis.GLUT?.requestedAnimationFrame));
  },
  set skipFrames(skip) {
    module.replaySkips = skip;
  },
  onFrame() {
    if (module.skipFrames || stopped) return; // nothing of an undrawn frame is shown
    if (++frames === 1) {
      // The program names its window in Latin-1 bytes; the page's own
      // UTF-8 title stays, whatever the toolkit makes of the name.
      if (document.title !== title) document.title = title;
      canvas.dispatchEvent(new Event('start'));
    }
    canvas.dispatchEvent(frameEvent);
  },
  // The program's WebAssembly, fetched and compiled as it streams in; where it
  // cannot be had, the page says so (onUnloaded) and the program never starts.
  instantiateWasm(imports, receive) {
    fetch('quadruped.wasm', { credentials: 'same-origin' })
      .then((response) => (response.ok ? WebAssembly.instantiateStreaming(response, imports)
        : Promise.reject(new Error(`${response.status} ${response.statusText}`.trim()))))
      .then(({ instance, module: compiled }) => receive(instance, compiled), (error) => module.onUnloaded('quadruped.wasm', error.message));
    return {};
  },
  // Set by the modules that take them: fullscreen.js (onFullscreen); ending.js
  // (onExit, onAbort, onNoWebGL: nowebgl.js, onUnloaded(file, why)).
  onFullscreen: null,
  onExit: null,
  onAbort: null,
  onNoWebGL: null,
  onUnloaded: null,
};

// An export's JSON, read: read('quadrupedState'), read('quadrupedCycle', 1).
export const read = (name, ...args) => JSON.parse(module.UTF8ToString(module[`_${name}`](...args)));

let model = null;
// The program's facts (model.js), read once the program runs.
export const theModel = () => (model ??= makeModel(module.UTF8ToString(module._quadrupedModel())));

let nowRead = { frame: 0 };
// The state and the pose of the frame shown last, read once per frame.
export function now() {
  if (nowRead.frame !== frames) nowRead = { frame: frames, state: read('quadrupedState'), pose: read('quadrupedPose') };
  return nowRead;
}

// The program draws its scene now, a frame the page needs in this task.
export function drawFrame() {
  drawing = true;
  try {
    module._quadrupedDrawFrames(1);
  } finally {
    drawing = false;
  }
}

// Whether the program has drawn its first frame and still runs.
export const running = () => frames > 0 && !stopped;
export const hasStopped = () => stopped;

// The program has ended, or the page stops it: no frame is shown after, and
// the modules hear 'end'.
export function stop() {
  if (stopped) return;
  stopped = true;
  canvas.dispatchEvent(new Event('end'));
}

// quadruped.js takes its settings from the global Module when it runs.
export function load() {
  window.Module = module;
  const script = Object.assign(document.createElement('script'), { src: 'quadruped.js' });
  // A script that fails to load tells no why: asked again, the server does.
  script.addEventListener('error', () => fetch(script.src).then((response) => (response.ok ? 'it did not run' : `${response.status} ${response.statusText}`.trim()),
    (error) => error.message).then((why) => module.onUnloaded('quadruped.js', why)));
  document.body.appendChild(script);
}
