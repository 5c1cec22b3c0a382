// What the page says: counts in words, text from outside the page made safe
// to show, the status line's words for what is true now, and the page's
// failures. Plain functions (no DOM), checked by node's test runner.
import { kLinkLimit } from './grammar.js';

// 10000 as "10,000", without the cost of the first toLocaleString (ICU's number formats).
const grouped = (count) => String(count).replace(/\B(?=(\d{3})+$)/g, ',');
// "1 key", "10,000 keys".
export const plural = (count, noun) => `${grouped(count)} ${noun}${count === 1 ? '' : 's'}`;

const kShownLength = 40; // characters of a token that a message shows
let graphemes = null; // an Intl.Segmenter, made on first use: it costs the page's start some 25 ms
// Characters that show nothing, or change the direction or shape of the text
// around them: control, format (the bidirectional controls among them),
// private, unassigned and separator characters other than the space.
const kUnseen = /[\p{C}\p{Zl}\p{Zp}]|(?! )\p{Zs}/gu;

// Text from outside the page as a message may show it: cut after its first 40
// characters (whole ones, as the reader sees them), and every unseen character
// escaped as \uXXXX, so that the text can neither hide nor reorder anything.
export function shownText(text) {
  graphemes ??= new Intl.Segmenter('en', { granularity: 'grapheme' });
  const characters = Array.from(graphemes.segment(text), ({ segment }) => segment);
  const escape = (c) => {
    const code = c.codePointAt(0).toString(16).toUpperCase();
    return code.length > 4 ? `\\u{${code}}` : `\\u${code.padStart(4, '0')}`;
  };
  return characters.slice(0, kShownLength).join('').replace(kUnseen, escape) + (characters.length > kShownLength ? '…' : '');
}

// The status line's words for a link the page could not read.
export function refusalText({ token, position, why, part }) {
  const where = position > 0 ? `token ${position} of the ${part}, ` : '';
  return `The link was not replayed: could not read ${where}"${shownText(token)}" (${why}).`;
}

export const copiedText = 'The link is copied.';
export const copyThisText = (url) => `Copy this link: ${url}`;
export const stoppedText = (done, total) =>
  `The replay was stopped after ${grouped(done)} of ${plural(total, 'key')}: the address holds this scene.`;
export const progressText = (done, total) => `${grouped(done)} of ${plural(total, 'key')}`;

// What the status line says now, from what is true now: a failure that
// stops the page alone, else the program loading, a link replaying, the
// picture being restored, the link no longer holding the scene, or a note
// (the last refusal, copy, stop, undo or redo).
export function statusText({ failure, loading, replaying, lost, linkable, note }) {
  if (failure) return failure;
  return [
    loading && 'Loading…',
    replaying && `Replaying ${plural(replaying, 'key')} from the link…`,
    lost && 'The picture is being restored…',
    linkable ? note : `More than ${plural(kLinkLimit, 'key')}: this scene can no longer be linked.`,
  ].filter(Boolean).join(' ');
}


// The page's failures, each the whole status line.
export const noWebGLText = 'This page needs WebGL, which this browser has turned off or cannot start. ' +
  'Try another browser, or turn WebGL (or hardware acceleration) on in this one\'s settings.';
export const lostText = 'The picture was lost and has not come back. Reload the page to start again.';
export const unloadedText = (file, why) => `The page could not load ${file} (${why}). Reload the page, or check that the server has ${file}.`;

// The blend of the pose now, in words.
export const blendText = (now, next, substep) =>
  `Blending keyframe ${now} into keyframe ${next}: ${(substep / 10).toFixed(1)} of the way (sub-step ${substep} / 10).`;
