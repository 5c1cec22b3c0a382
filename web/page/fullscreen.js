// Full screen: the toolkit puts the canvas in a box of its own, which takes
// the screen; the pad goes with it, so that a phone can still step and leave
// (F6), and comes back after.
import { byId } from './dom.js';
import { module } from './program.js';

const pad = byId('pad');
const padPlace = [pad.parentNode, pad.nextSibling];
function fullScreen(on) {
  if (on && document.fullscreenElement) document.fullscreenElement.append(pad);
  else padPlace[0].insertBefore(pad, padPlace[1]);
}
module.onFullscreen = fullScreen;
