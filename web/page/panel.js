// "Now": the scene after every frame (gait, keyframe and sub-step, head and
// tail, heading, forward motion, camera) and the pose as drawn, each leg's
// joint angles from the program's pose sampler.
import { anglesTable, byId, setText, show } from './dom.js';
import { canvas, now, theModel } from './program.js';

const degrees = (angle) => `${angle.toFixed(1)}°`;
const angleText = (angle) => (angle === null ? '–' : angle.toFixed(1));
let poseCells = [];
canvas.addEventListener('frame', () => {
  const { state, pose } = now();
  show('gait', state.gait);
  show('pose', `${state.keyframe}, ${state.substep}`);
  show('head', degrees(state.headAngle));
  show('tail', `${state.tailAngle}°`);
  show('heading', degrees(state.heading));
  show('advance', state.advance ? 'on' : 'off');
  show('camera', `${state.cameraX.toFixed(2)}, ${state.cameraZ.toFixed(2)}`);
  show('yaw', `${state.cameraYaw.toFixed(2)} rad`);
  poseCells = poseCells.length ? poseCells : anglesTable(byId('pose-now'), pose.pose, () => {}, theModel());
  pose.pose.forEach((joints, leg) => joints.forEach((angle, joint) => setText(poseCells[leg][joint], angleText(angle))));
});
