// Linked after Emscripten's runtime (--post-js). The toolkit reads the
// canvas's box on every mouse move (and every touch move, which it turns into
// one) to hand the pointer's place to motion callbacks. The program registers
// none, and that read, after the page's own writes of a drag, makes the
// browser lay out the whole page again on each move: without a motion
// callback the move is left alone (the key callbacks' x and y, which the
// program ignores, then keep the place of the last button press).
var glutMousemove = GLUT.onMousemove;
GLUT.onMousemove = function (event) {
  if (GLUT.motionFunc || GLUT.passiveMotionFunc) glutMousemove(event);
};
