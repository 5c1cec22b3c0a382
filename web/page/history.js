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
    this.open ??= { words, cells: new Map(), typing: null };
  }

  end() {
    const step = this.open;
    this.open = null;
    if (step?.cells.size) this.push(step);
  }

  // A cell (by code) went from before to after; outside begin/end, a step of
  // its own named by words. Records with the same typing token (a field being
  // typed in) join one step until seal(): typing "-49" is one step, not two.
  record(code, at, before, after, words, typing = null) {
    const last = this.done.at(-1);
    if (!this.open && typing && last?.typing === typing && last.cells.has(code)) {
      const cell = last.cells.get(code);
      if (cell.before === after) this.done.pop(); // typed back to where it was
      else Object.assign(last, { words }).cells.set(code, { ...cell, after });
      this.undone = [];
      return;
    }
    if (before === after) return;
    const step = this.open ?? { words, cells: new Map(), typing: null };
    const cell = step.cells.get(code);
    step.cells.set(code, { at, before: cell ? cell.before : before, after });
    if (!this.open) this.push(Object.assign(step, { typing }));
  }

  // The typing goes on no more: the next record is a step of its own.
  seal() {
    const last = this.done.at(-1);
    if (last) last.typing = null;
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
