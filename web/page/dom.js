// Small helpers the page's modules share for its elements.
import { capital } from './model.js';

export const byId = (id) => document.getElementById(id);
// Writes text only when it changed, so that a frame that changes nothing
// touches nothing; into the element's one text node where it has one, which
// the browser then lays out again, rather than a new node for the old.
export function setText(element, text) {
  if (element.textContent === text) return;
  const only = element.firstChild;
  if (only && only === element.lastChild && only.nodeType === Node.TEXT_NODE) only.data = text;
  else element.textContent = text;
}
export const show = (id, text) => setText(byId(id), text);
// Hides or shows an element only when that changes: the same attribute
// written again still makes the browser work the page's style out again.
export const hide = (element, hidden) => element.hidden !== hidden && (element.hidden = hidden);

// Whether an element is on the screen now, as a function; seen() runs each
// time it comes on. What follows a drag out of sight waits for seen(), or
// for the drag's end.
export function sight(element, seen) {
  let onScreen = true;
  new IntersectionObserver((entries) => {
    onScreen = entries.at(-1).isIntersecting;
    if (onScreen) seen();
  }).observe(element);
  return () => onScreen;
}

// A table of one cell per leg and joint of the model, rows headed by the
// legs' names; fill fills each cell of a joint the leg has (angle null: none,
// shown "–"). Returns the cells by [leg][joint].
export function anglesTable(table, angles, fill, { legs, joints }) {
  table.replaceChildren();
  const head = table.createTHead().insertRow();
  for (const name of ['leg', ...joints]) {
    const th = head.appendChild(document.createElement('th'));
    th.scope = 'col';
    th.textContent = capital(name);
  }
  const body = table.createTBody();
  return angles.map((angles, leg) => {
    const row = body.insertRow();
    const th = row.appendChild(document.createElement('th'));
    th.scope = 'row';
    th.textContent = legs[leg].name;
    return angles.map((angle, joint) => {
      const cell = row.insertCell();
      if (angle === null) cell.textContent = '–';
      else fill(cell, angle, leg, joint);
      return cell;
    });
  });
}
