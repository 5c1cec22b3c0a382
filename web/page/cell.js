// Which stored angle a joint of the pose on the canvas shows, and how a drag
// turns it: pure rules, no page (node's tests run them as they are).
//
// The program draws a joint at a blend of two keyframes of the cycle (its
// keyframe and the next, by the sub-step in tenths), and a keyframe of the
// second half-cycle reads the partner leg's row of the stored keyframe it
// mirrors (gait/pose.cpp). A drag changes the one stored cell that weighs
// most in the blend: the nearer keyframe's, the earlier at a tie.

// model: the program's facts (model.js); gait: 0 walk, 1 run; point:
// { keyframe, substep }. Gives { at: { gait, keyframe, leg, joint } (the
// stored cell), shown (the cycle's keyframe it stands for), weight (its share
// of the blend, 0.5 to 1), mirrored (whether it is the partner's row),
// between (the two keyframes blended, null on a keyframe) }.
export function shownCell(model, gait, point, leg, joint) {
  const { cycle, stored } = model.gaits[gait];
  const t = point.substep / 10;
  const next = point.keyframe === cycle - 1 ? 0 : point.keyframe + 1;
  const shown = t <= 0.5 ? point.keyframe : next;
  const mirrored = shown >= stored;
  return {
    at: { gait, keyframe: mirrored ? shown - stored : shown, leg: mirrored ? model.legs[leg].partner : leg, joint },
    shown, weight: t <= 0.5 ? 1 - t : t, mirrored, between: t > 0 ? [point.keyframe, next] : null,
  };
}

// The cell in words, e.g. "walk keyframe 0, hind left, shin (keyframe 3
// mirrors it), the nearer of keyframes 2 and 3 (weight 0.6)".
export function cellWords({ at, shown, weight, mirrored, between }, model) {
  return model.cellName(at) + (mirrored ? ` (keyframe ${shown} mirrors it)` : '') +
    (between ? `, the nearer of keyframes ${between[0]} and ${between[1]} (weight ${weight.toFixed(1)})` : '');
}

// A turn in degrees brought into -180 to 180.
const wrapped = (degrees) => degrees - 360 * Math.round(degrees / 360);

// The stored angle after a drag: the pointer turned from `grabbed` to `now`
// degrees about the joint, and the stored angle was `stored` at the grab; the
// joint shows the cell by `weight`, so the cell turns by the turn / weight for
// the piece to follow the pointer. Kept within +-limit.
export function draggedAngle(stored, grabbed, now, weight, limit = 180) {
  return Math.max(-limit, Math.min(limit, stored + wrapped(now - grabbed) / weight));
}

// The pointer's angle in degrees about a joint, in the joint's plane: pivot
// and projection are the part's matrices (column by column) in the frame it
// hangs in (origin the joint, z its axis), viewport [x, y, width, height],
// and (x, y) a canvas pixel from the top left. The ray through the pixel
// meets the plane z = 0 at a point whose angle from +x towards +y is the
// answer; null when the ray runs along the plane.
export function pointerAngle(pivot, projection, viewport, x, y) {
  const inverse = invert(multiply(projection, pivot));
  if (!inverse) return null;
  const [vx, vy, vw, vh] = viewport;
  const nx = ((x - vx) / vw) * 2 - 1, ny = ((vy + vh - y - vy) / vh) * 2 - 1;
  const [near, far] = [-1, 1].map((nz) => {
    const p = apply(inverse, [nx, ny, nz, 1]);
    return [p[0] / p[3], p[1] / p[3], p[2] / p[3]];
  });
  const dz = near[2] - far[2];
  if (Math.abs(dz) < 1e-9) return null;
  const s = near[2] / dz;
  const hit = [0, 1].map((k) => near[k] + (far[k] - near[k]) * s);
  return (Math.atan2(hit[1], hit[0]) * 180) / Math.PI;
}

// 4 x 4 matrices as 16 numbers column by column.
export function multiply(a, b) {
  const out = new Array(16).fill(0);
  for (let c = 0; c < 4; c++) for (let r = 0; r < 4; r++) for (let k = 0; k < 4; k++) out[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
  return out;
}
export const apply = (m, v) => [0, 1, 2, 3].map((r) => m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3]);

// The inverse by Gauss-Jordan elimination with partial pivoting; null if singular.
function invert(m) {
  const a = [0, 1, 2, 3].map((r) => [0, 1, 2, 3].map((c) => m[c * 4 + r]).concat([0, 1, 2, 3].map((c) => Number(c === r))));
  for (let c = 0; c < 4; c++) {
    let p = c;
    for (let r = c + 1; r < 4; r++) if (Math.abs(a[r][c]) > Math.abs(a[p][c])) p = r;
    if (Math.abs(a[p][c]) < 1e-12) return null;
    [a[c], a[p]] = [a[p], a[c]];
    const d = a[c][c];
    a[c] = a[c].map((v) => v / d);
    for (let r = 0; r < 4; r++) if (r !== c) { const f = a[r][c]; a[r] = a[r].map((v, k) => v - f * a[c][k]); }
  }
  const out = new Array(16);
  for (let r = 0; r < 4; r++) for (let c = 0; c < 4; c++) out[c * 4 + r] = a[r][4 + c];
  return out;
}
