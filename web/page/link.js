// The link: the edits of the tables and the keys the program received, kept
// in the address's fragment as the grammar writes them (grammar.js), and
// Copy link. A fragment changed by hand starts the page again with it.
import { byId } from './dom.js';
import { changing, edits } from './editor.js';
import * as grammar from './grammar.js';
import { theModel } from './program.js';
import { tell } from './status.js';
import { copiedText, copyThisText } from './words.js';

const kLinkDelayMs = 200; // browsers throttle a page that rewrites its address too often
let record = new grammar.KeyRecord();
let linkTimer = 0;
let lastWrite = -Infinity;
// The keys the program received (grammar.KeyRecord); the replay starts it from the link's.
export const keyRecord = () => record;
export const startRecord = (runs) => (record = new grammar.KeyRecord(runs));

export function writeLink() {
  clearTimeout(linkTimer);
  linkTimer = 0;
  lastWrite = performance.now();
  const fragment = record.linkable ? grammar.writeLink({ edit: edits(), keys: record.runs }, { model: theModel() }) : '';
  history.replaceState(null, '', fragment ? `#${fragment}` : location.pathname + location.search);
}
// At once, or where the address was written less than kLinkDelayMs ago, once
// that has passed. During a change (a drag) it is written once the change
// has rested kLinkDelayMs: a rewrite of the address takes a seventh of a
// display frame's time on a phone-class CPU (2.3 ms under Chromium's 4x
// throttling), taken from the drag's frames.
function writeLinkSoon() {
  if (changing()) {
    clearTimeout(linkTimer);
    linkTimer = setTimeout(writeLink, kLinkDelayMs);
  } else if (!linkTimer) linkTimer = setTimeout(writeLink, Math.max(0, lastWrite + kLinkDelayMs - performance.now()));
}
// A key the program received changes the scene: the address follows, and a
// note about the old link no longer holds.
export function recordKey(name) {
  record.add(name);
  if (record.linkable) writeLinkSoon();
  else if (record.count === grammar.kLinkLimit + 1) writeLink(); // the address no longer holds the scene
  tell({ note: '', linkable: record.linkable });
}
// The tables changed (editor.js): the address follows.
document.addEventListener('tables', writeLinkSoon);

// A fragment changed by hand (or by Back) describes a scene from the first
// frame: the page starts again with it. The page's own rewrites send no event.
addEventListener('hashchange', () => location.reload());

byId('copy-link').addEventListener('click', () => {
  if (!record.linkable) return; // the status line says so already
  writeLink();
  const href = location.href;
  navigator.clipboard.writeText(href).then(
    () => tell({ note: copiedText }),
    () => tell({ note: copyThisText(href) }),
  );
});
