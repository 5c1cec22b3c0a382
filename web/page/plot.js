// The plot: the shown gait's joint angles over its whole cycle, from the
// program's own sampler (quadrupedCycle), for one leg or all four, with the
// step now marked. Each panel's data lie in a group whose transform maps
// (step, degrees) to the picture, so that a polyline's points are the steps
// and the angles themselves.
import { byId, sight } from './dom.js';
import { changing, shownGait, tablesNow } from './editor.js';
import { canvas, now, read, theModel } from './program.js';

const kPlotPanel = { width: 300, height: 130, left: 34, right: 8, top: 18, bottom: 16, gap: 12 }; // SVG units
const kPlotStep = 30; // degrees between the grid's lines
const svg = (name, attributes = {}, ...children) => {
  const element = document.createElementNS('http://www.w3.org/2000/svg', name);
  for (const [attribute, value] of Object.entries(attributes)) element.setAttribute(attribute, value);
  element.append(...children);
  return element;
};
const select = byId('plot-leg');
let nowMarks = [];
let cycle = null;
let drawn = { view: '', low: 0, high: 0, layout: '', lines: [] }; // what the plot shows: its gait, legs and steps, range, layout's key, lines with their leg and joint
function plot() {
  if (!tablesNow()) return;
  const { legs: legNames, joints, gaits } = theModel();
  if (select.options.length === 1) {
    select.append(...legNames.map(({ name }, leg) => new Option(name, String(leg))));
    byId('joint-legend').append(...joints.flatMap((joint, i) => [i ? ' ' : '', Object.assign(document.createElement('span'), { className: joint, textContent: joint })]));
  }
  const shownGait_ = shownGait();
  cycle = read('quadrupedCycle', Number(shownGait_ === 0));
  const picked = select.value;
  const legs = picked === 'all' ? legNames.map((_, leg) => leg) : [Number(picked)];
  const columns = legs.length > 1 ? 2 : 1;
  const scale = 2 / columns; // one leg alone is drawn twice as large
  const { width, height, left, right, top, bottom, gap } = kPlotPanel;
  const [w, h] = [width * scale, height * scale];
  const all = cycle.angles.flat(2).filter((angle) => angle !== null);
  const steps = cycle.keyframe.length - 1;
  const view = [shownGait_, picked, steps].join();
  // During a change (a drag) the range only widens, so that an angle going
  // back and forth over a grid line does not lay the whole plot out again
  // on every move; the change's end fits it to the angles again.
  const keep = changing() && view === drawn.view;
  const low = Math.min(-3 * kPlotStep, Math.floor(Math.min(...all) / kPlotStep) * kPlotStep, keep ? drawn.low : 0);
  const high = Math.max(3 * kPlotStep, Math.ceil(Math.max(...all) / kPlotStep) * kPlotStep, keep ? drawn.high : 0);
  const [sx, sy] = [(w - left - right) / steps, h / (high - low)];
  const pointsOf = (leg, joint) => cycle.angles[leg][joint].map((angle, step) => `${step},${angle}`).join(' ');
  const layout = [view, low, high].join();
  if (layout === drawn.layout) {
    // Only angles changed (an edit, a drag): the lines move and the rest stays
    // as laid out, rather than the whole plot made again on every move.
    for (const { line, leg, joint } of drawn.lines) {
      const points = pointsOf(leg, joint);
      if (line.getAttribute('points') !== points) line.setAttribute('points', points);
    }
    return showNow();
  }
  drawn = { view, low, high, layout, lines: [] };
  nowMarks = [];
  const panels = legs.map((leg, i) => {
    const [x0, y0] = [(i % columns) * (w + gap), Math.floor(i / columns) * (h + top + bottom + gap) + top];
    const data = svg('g', { class: 'data', transform: `translate(${x0 + left} ${y0 + sy * high}) scale(${sx} ${-sy})` });
    const grid = [];
    for (let angle = low; angle <= high; angle += kPlotStep) {
      data.append(svg('line', { class: angle === 0 ? 'axis' : 'grid', x1: 0, x2: steps, y1: angle, y2: angle }));
      if (angle === low || angle === 0 || angle === high) grid.push(svg('text', { x: x0 + left - 4, y: y0 + sy * (high - angle) + 4, class: 'label end' }, String(angle)));
    }
    cycle.substep.forEach((substep, step) => {
      if (substep !== 0) return;
      data.append(svg('line', { class: 'keyframe', x1: step, x2: step, y1: low, y2: high }));
      grid.push(svg('text', { x: x0 + left + sx * step, y: y0 + h + bottom - 3, class: 'label middle' }, String(cycle.keyframe[step])));
    });
    cycle.angles[leg].forEach((angles, joint) => {
      if (!angles) return;
      const line = svg('polyline', { 'data-leg': legNames[leg].name, 'data-joint': joints[joint], class: joints[joint], points: pointsOf(leg, joint) });
      drawn.lines.push({ line, leg, joint });
      data.append(line);
    });
    const mark = svg('line', { class: 'now', y1: low, y2: high });
    nowMarks.push(mark);
    data.append(mark);
    return svg('g', {}, svg('text', { x: x0 + left, y: y0 - 5, class: 'label' }, legNames[leg].name), ...grid, data);
  });
  const rows = Math.ceil(legs.length / columns);
  const plotted = byId('plot');
  plotted.setAttribute('viewBox', `0 0 ${columns * (w + gap) - gap} ${rows * (h + top + bottom + gap)}`);
  plotted.replaceChildren(...panels);
  byId('plot-says').textContent = `The ${gaits[shownGait_].name}'s joint angles over its ${steps} steps, ${legs.length > 1 ? 'each leg' : legNames[legs[0]].name}` +
    `, from ${low} to ${high} degrees, keyframes marked below.`;
  showNow();
}
select.addEventListener('change', plot);
document.addEventListener('shown', plot);
// During a change (a drag) a plot out of sight waits, rather than reading the
// whole cycle again and redrawing its lines on every move: it is drawn when
// it comes into sight, and when the change ends.
let waiting = false;
const inSight = sight(byId('plot').parentNode, () => waiting && follow());
function follow() {
  waiting = changing() && !inSight();
  if (!waiting) plot();
}
document.addEventListener('tables', follow);
// The mark of the step now, where the plotted gait is the program's: the step
// its keyframe starts at, and the sub-steps past it, in the gait's steps.
function showNow() {
  const { state } = now();
  if (!state) return;
  const start = cycle?.keyframe.findIndex((keyframe, step) => keyframe === state.keyframe && cycle.substep[step] === 0);
  const step = start + state.substep / (cycle?.substep[1] ?? 1);
  const shown = cycle && theModel().gaits[shownGait()].name === state.gait && start >= 0;
  const visibility = shown ? 'visible' : 'hidden';
  for (const mark of nowMarks) {
    if (mark.getAttribute('visibility') !== visibility) mark.setAttribute('visibility', visibility);
    if (shown && mark.getAttribute('x1') !== String(step)) mark.setAttribute('x1', step), mark.setAttribute('x2', step);
  }
}
canvas.addEventListener('frame', showNow);
