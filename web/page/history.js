// The editor's undo history: each step a change of one or more cells of the
// tables, named in words, with each cell's angle before and after. Plain data
// (no DOM), checked by node's test runner.
export class History {
  constructor() {
    this.done = []; // steps, the last done last
    this.undone = []; // steps undone, the next to redo last
    this.open = null; // the step being gathered between begin and end
  }

  // Every change until end() is one step, named by words.
  begin(words) {
    this.open ??= { words, cells: new Map() };
  }

  end() {
    const step = this.open;
    this.open = null;
    if (step?.cells.size) this.push(step);
  }

  // A cell (by code) went from before to after; outside begin/end, a step of its own named by words.
  record(code, at, before, after, words) {
    if (before === after) return;
    const step = this.open ?? { words, cells: new Map() };
    const cell = step.cells.get(code);
    step.cells.set(code, { at, before: cell ? cell.before : before, after });
    if (!this.open) this.push(step);
  }

  push(step) {
    this.done.push(step);
    this.undone = [];
  }

  // The step undone: { words, angles: [{ at, degrees }] } to write back, or null.
  undo() {
    const step = this.done.pop();
    if (!step) return null;
    this.undone.push(step);
    return { words: step.words, angles: [...step.cells.values()].map(({ at, before }) => ({ at, degrees: before })) };
  }

  redo() {
    const step = this.undone.pop();
    if (!step) return null;
    this.done.push(step);
    return { words: step.words, angles: [...step.cells.values()].map(({ at, after }) => ({ at, degrees: after })) };
  }
}
