// Play: b at the chosen rate, through the same path as the buttons.
import { byId } from './dom.js';
import { press } from './keys.js';
import { nextStepAt } from './keyrules.js';
import { canvas } from './program.js';

const play = byId('play');
const rate = byId('rate');
let player = 0;
let lastStep = 0;
function nextStep() {
  const now = performance.now();
  const due = nextStepAt(lastStep, Number(rate.value), now);
  player = setTimeout(() => {
    lastStep = due;
    press('b');
    nextStep();
  }, due - now);
}
function playing(on) {
  clearTimeout(player);
  player = 0;
  lastStep = performance.now();
  if (on) nextStep();
  play.textContent = on ? 'Pause' : 'Play';
}
play.addEventListener('click', () => playing(!player));
rate.addEventListener('input', () => {
  byId('rate-shown').value = rate.value;
  if (player) clearTimeout(player), nextStep();
});
canvas.addEventListener('end', () => playing(false));
