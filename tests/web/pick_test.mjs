// The rules of pointing at the figure (web/page/cell.js) under node's test
// runner, held against the program's own pose sampler (POSE_CSV: the
// pose_csv tool) with the program's model (QUADRUPED_MODEL_TOOL): at every step of both gaits' cycles, the cell that a pick
// names and a drag changes is the stored angle that moves that joint most,
// and its weight is how far the joint moves with it.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { test } from 'node:test';
import * as cell from '../../web/page/cell.js';
import { makeModel } from '../../web/page/model.js';

const model = makeModel(execFileSync(process.env.QUADRUPED_MODEL_TOOL, { encoding: 'utf8' }));
const legs = model.legs.map(({ code }) => code), { joints } = model;

// pose_csv's rows: { keyframe, substep, angles: { 'leg.joint': degrees } }.
function poses(gait, edits = '') {
  const [head, ...rows] = execFileSync(process.env.POSE_CSV, [gait, edits], { encoding: 'utf8' }).trim().split('\n');
  const columns = head.split(',').slice(3).map((name) => {
    const words = name.split(' ');
    return `${legs[model.legs.findIndex(({ name: leg }) => leg === words.slice(0, 2).join(' '))]}.${words[2]}`;
  });
  return rows.map((row) => {
    const [, keyframe, substep, ...angles] = row.split(',').map(Number);
    return { keyframe, substep, angles: Object.fromEntries(columns.map((c, i) => [c, angles[i]])) };
  });
}

test('the cell a pick names and a drag turns, at every step of both gaits', () => {
  model.gaits.forEach(({ name, stored: storedKeyframes }, gait) => {
    const base = poses(name);
    // How much each stored cell moves each joint at each step: its edit by 10 degrees.
    const moves = new Map();
    for (let keyframe = 0; keyframe < storedKeyframes; keyframe++)
      for (const [leg, code] of legs.entries())
        for (const [joint, jointName] of joints.entries()) {
          if (!model.hasJoint(leg, joint)) continue;
          const stored = base.find((row) => row.keyframe === keyframe && row.substep === 0).angles[`${code}.${jointName}`];
          const edited = poses(name, `${model.cellCode({ gait, keyframe, leg, joint })}${stored + 10}`);
          moves.set(`${keyframe}.${leg}.${joint}`, edited.map((row, step) => row.angles));
        }
    base.forEach((row, step) => {
      for (const column of Object.keys(row.angles)) {
        const leg = legs.indexOf(column.split('.')[0]), joint = joints.indexOf(column.split('.')[1]);
        const shown = cell.shownCell(model, gait, row, leg, joint);
        let most = null, share = 0;
        for (const [key, angles] of moves) {
          const moved = (angles[step][column] - row.angles[column]) / 10;
          if (moved > share + 1e-4) [most, share] = [key, moved];
        }
        const where = `${name} step ${step} (${row.keyframe}.${row.substep}) ${column}`;
        assert.equal(`${shown.at.keyframe}.${shown.at.leg}.${shown.at.joint}`, most, where);
        assert.ok(Math.abs(shown.weight - share) < 1e-3 && shown.weight >= 0.5, `${where}: weight ${shown.weight}, moves ${share}`);
        assert.equal(shown.mirrored, shown.at.leg !== leg, where);
      }
    });
  });
});

test('a drag: the pointer\'s angle about a joint seen in perspective, and the stored angle it gives', () => {
  // A joint 3 units in front of the eye, turned 30 degrees about y and 10 about
  // z, seen through a 60-degree perspective in a 640 x 360 viewport.
  const rad = Math.PI / 180, c = Math.cos(30 * rad), s = Math.sin(30 * rad), c2 = Math.cos(10 * rad), s2 = Math.sin(10 * rad);
  const turnY = [c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0.2, -0.1, -3, 1], turnZ = [c2, s2, 0, 0, -s2, c2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1];
  const pivot = cell.multiply(turnY, turnZ);
  const f = 1 / Math.tan(30 * rad), aspect = 640 / 360, near = 0.1, far = 100;
  const projection = [f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (far + near) / (near - far), -1, 0, 0, (2 * far * near) / (near - far), 0];
  const viewport = [0, 0, 640, 360];
  for (const degrees of [-170, -90, -30, 0, 45, 120, 180]) {
    const p = cell.apply(cell.multiply(projection, pivot), [0.4 * Math.cos(degrees * rad), 0.4 * Math.sin(degrees * rad), 0, 1]);
    const x = ((p[0] / p[3] + 1) / 2) * 640, y = 360 - ((p[1] / p[3] + 1) / 2) * 360;
    const got = cell.pointerAngle(pivot, projection, viewport, x, y);
    assert.ok(Math.abs(((got - degrees + 540) % 360) - 180) < 1e-6, `${degrees}: ${got}`);
  }
  // The turn since the grab, across +-180, divided by the cell's weight, kept within the limit.
  assert.deepEqual([[70, 10, 30, 1], [70, 10, 30, 0.5], [0, 170, -170, 1], [170, 0, 40, 1], [-100, 0, -100, 0.8]]
    .map(([stored, grabbed, now, weight]) => cell.draggedAngle(stored, grabbed, now, weight)), [90, 110, 20, 180, -180]);
});
