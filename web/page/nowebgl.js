// Linked after Emscripten's runtime (--post-js). Where the browser gives no
// WebGL context (turned off, blocked, or unable to start), Emscripten's GLUT
// would hand the program a window without one, and the program's first GL
// call would throw. Instead the page hears of it (Module.onNoWebGL) and the
// program's main() ends there, as quietly as a main() that returns to the
// browser's event loop ('unwind', which the runtime takes as no error).
var browserCreateContext = Browser.createContext;
Browser.createContext = function () {
  var context = browserCreateContext.apply(this, arguments);
  if (!context) {
    Module.onNoWebGL();
    throw 'unwind';
  }
  return context;
};
