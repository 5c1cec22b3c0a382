// The replay of a link, from the program's first frame: its edits, then its
// keys through the keyboard's path, with the progress and Stop. The address
// holds the whole link from the start.
import { byId, show } from './dom.js';
import { beginChange, endChange, setAngle } from './editor.js';
import * as grammar from './grammar.js';
import { keyTable, ready, send } from './keys.js';
import { keyRecord, startRecord, writeLink } from './link.js';
import { canvas, hasStopped, module, theModel } from './program.js';
import { tell, told } from './status.js';
import { progressText, refusalText, stoppedText } from './words.js';

const kReplayTaskMs = 12; // how long a task gives keys for, so that the page stays responsive
let replay = null; // { names, done }
let givingReplayKey = false; // a replay's own key is on its way
export const active = () => replay !== null;
export const givingKey = () => givingReplayKey;

// Once the first frame and the keys are both there: the link's edits, and its keys replayed.
export function begin() {
  if (!ready() || !told('loading')) return;
  tell({ loading: false });
  let link;
  try {
    link = grammar.readLink(location.hash.slice(1), { keys: keyTable(), model: theModel() });
  } catch (refusal) {
    if (!(refusal instanceof grammar.Refusal)) throw refusal;
    return tell({ note: refusalText(refusal) });
  }
  beginChange('the link\'s edits');
  for (const edit of link.edit.values()) setAngle(edit, edit.degrees);
  endChange();
  startRecord(link.keys);
  writeLink(); // the link as the page writes it: "1b_b" reads as "2b"
  if (keyRecord().count === 0) return;
  replay = { names: keyRecord().names(), done: 0 };
  byId('replay').hidden = false;
  tell({ replaying: replay.names.length });
  showProgress();
  setTimeout(replayTask);
}
function showProgress() {
  const progress = byId('replay-progress');
  progress.max = replay.names.length;
  progress.value = replay.done;
  show('replay-count', progressText(replay.done, replay.names.length));
}
// One task's keys: every frame but the last is left undrawn (Module.skipFrames),
// since only the last frame drawn in a task reaches the screen.
function replayTask() {
  if (!replay) return;
  const start = performance.now();
  const { names } = replay;
  givingReplayKey = true;
  try {
    for (let last = false; !last && !hasStopped();) {
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
  if (hasStopped()) return;
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
canvas.addEventListener('end', () => replay && endReplay());
// Stop: the scene stays where the replay got to, and the address says so.
export function stop() {
  if (!replay) return;
  const { done, names } = replay;
  keyRecord().truncate(done);
  endReplay();
  writeLink();
  tell({ note: stoppedText(done, names.length) });
}
byId('stop').addEventListener('click', stop);
