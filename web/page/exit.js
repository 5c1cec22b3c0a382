// Linked after Emscripten's runtime (--post-js). The program leaves with
// exit(0) on Escape, from inside the toolkit's key listener, and exit()
// unwinds the program's stack by throwing an ExitStatus, which would leave
// that listener as an uncaught error once the runtime has ended.
// Emscripten 3.1.6 has no supported way to catch it: its GLUT calls the key
// callbacks without the guard that its timers and redraws get.
var glutKeydown = GLUT.onKeydown;
GLUT.onKeydown = function (event) {
  try {
    glutKeydown(event);
  } catch (e) {
    if (!(e instanceof ExitStatus)) throw e;
  }
};
