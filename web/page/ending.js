// The end: the program ended (exit), stopped (abort), or the page cannot go
// on (no WebGL, the picture lost for good, a file that did not load). Every
// control that needs the program (those inside a [data-program] element) is
// turned off, and the modules hear 'end' (program.stop).
import { byId } from './dom.js';
import { canvas, drawFrame, module, stop } from './program.js';
import { tell } from './status.js';
import { lostText, noWebGLText, unloadedText } from './words.js';

const picture = byId('last-frame');
const programControls = () => document.querySelectorAll('[data-program] :is(button, input, select)');

// The toolkit empties the canvas as the program ends: just before, the page
// keeps the last frame as a picture. A shown frame's drawing buffer is gone,
// so the program draws its scene once more (redraw), in the task that reads
// it; a program that has stopped keeps what it drew.
export function keepPicture(redraw) {
  if (picture.src) return;
  if (redraw) drawFrame();
  picture.src = canvas.toDataURL();
}
function end(message) {
  stop();
  if (document.fullscreenElement) document.exitFullscreen();
  programControls().forEach((control) => (control.disabled = true));
  byId('status').hidden = true;
  canvas.hidden = true;
  picture.hidden = false;
  byId('ended-message').textContent = message;
  byId('ended').hidden = false;
  byId('restart').focus();
}
byId('restart').addEventListener('click', () => location.reload());
// Called once when the program ends with exit(), with its status (exit.js).
module.onExit = (code) => end(`The program has ended (exit status ${code}).`);
module.onAbort = (what) => {
  keepPicture(false);
  end(`The program has stopped: ${what}`);
};

// The page cannot go on: the status line says why, in words, and every control that needs the program is off.
export function fail(words) {
  stop();
  programControls().forEach((control) => (control.disabled = true));
  tell({ failure: words });
}

module.onNoWebGL = () => fail(noWebGLText);
module.onUnloaded = (file, why) => fail(unloadedText(file, why));

// A lost WebGL context (a driver reset, a tab put away): ask for it back;
// once it is restored the program's GL layer draws the scene again. One not
// back within kLostForGoodMs is taken for gone.
const kLostForGoodMs = 10000;
let lostTimer = 0;
canvas.addEventListener('webglcontextlost', (event) => {
  event.preventDefault();
  tell({ lost: true });
  lostTimer = setTimeout(() => fail(lostText), kLostForGoodMs);
});
canvas.addEventListener('webglcontextrestored', () => {
  clearTimeout(lostTimer);
  tell({ lost: false });
});
