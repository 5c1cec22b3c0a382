// The status line, the page's one live region: it shows what is true now
// (words.statusText) from the facts the modules tell it, and speaks only when
// its words change.
import { hide, setText } from './dom.js';
import { statusText } from './words.js';

const status = document.getElementById('status');
const facts = { failure: '', loading: true, replaying: 0, lost: false, linkable: true, note: '' };

// Takes the changed facts ({ note: '' }, { lost: true }, ...) and shows the line.
export function tell(changes) {
  Object.assign(facts, changes);
  const text = statusText(facts);
  setText(status, text);
  hide(status, !text);
}

// A fact as last told.
export const told = (name) => facts[name];
