// The page around the program. It hands the program the canvas, keeps the
// keyboard on the canvas, shows the scene after every frame, lets buttons, a
// player and links give the program its keys, edits the program's keyframe
// tables, and tells when the program has ended or cannot run. This entry
// module only starts the others, then loads quadruped.js, which picks up the
// Module that program.js makes.
//
// The modules, one job each. They talk through the program's exports and the
// canvas's events ('start', 'frame' after every drawn frame, 'end'; see
// program.js), and the editor's document events ('tables', 'shown'):
//   program.js     the Module, the exports read as JSON, the model, the events
//   status.js      the status line
//   keys.js        keys.json and the keys table; a key given as the keyboard
//                  gives it; the gate every keydown passes
//   pad.js         the buttons that give keys: click, press and hold
//   player.js      Play and its rate
//   link.js        the address: the edits and keys received; Copy link
//   replay.js      a link's replay at the start, Stop
//   panel.js       "Now": the scene and the pose after every frame
//   editor.js      the keyframe tables: fields, steps, Reset, marks, C++
//   plot.js        the angles over the cycle
//   fullscreen.js  the pad in full screen
//   ending.js      the end, and the failures that stop the page
//   dom.js         small helpers for the page's elements
// and the rules, plain functions with no DOM that node's test runner checks
// (tests/web/logic_test.mjs):
//   model.js       the program's facts as the page uses them
//   keyrules.js    what a key event gives the program; keys a link records,
//                  keys the page keeps; the player's timing
//   grammar.js     a link's grammar, its edits and keys
//   words.js       what the page says
//   source.js      the keyframe tables' marks and their C++ source
// A new control goes in the module of its job; one that needs the running
// program sits inside a [data-program] element of index.html, so that the
// end turns it off.
import { begin } from './replay.js';
import { canvas, load } from './program.js';
import { build } from './editor.js';
import { loaded } from './keys.js';
import './pad.js';
import './player.js';
import './panel.js';
import './plot.js';
import './fullscreen.js';

// The toolkit listens for keys on the whole window; the canvas takes the
// focus so that no control takes a key the program needs.
canvas.focus();
canvas.addEventListener('pointerdown', () => canvas.focus());

// The first frame makes the editor; once it and the keys are both there, a
// link's edits and keys replay.
canvas.addEventListener('start', () => {
  build();
  begin();
});
loaded.then(begin);
load();
