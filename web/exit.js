// Linked after Emscripten's runtime (--post-js): how exit() ends the page's
// copy of the program, which leaves with exit(0) on Escape.
//
// In Emscripten 3.1.6 exit() ends the runtime only when nothing keeps it
// alive: never without EXIT_RUNTIME (this build), and with it not while a
// timer is pending, which the program's tail timer always is. So exit() would
// only throw ExitStatus out of the toolkit's key listener, an uncaught error,
// and the timer would go on drawing frames. Instead the first exit() ends the
// program for good: no timer, redraw or key reaches it again, and
// Module.onExit hears the status.
quit_ = function (status, toThrow) {
  if (!ABORT) {
    ABORT = true;
    if (Module['onExit']) Module['onExit'](status);
  }
  throw toThrow;
};

// The toolkit calls the program straight from its key listeners. Run those
// calls as Emscripten runs timer callbacks: not at all after the end, and
// with the ExitStatus that unwinds the program's stack caught.
['onKeydown', 'onKeyup'].forEach(function (name) {
  var listener = GLUT[name];
  GLUT[name] = function (event) {
    callUserCallback(function () {
      listener(event);
    });
  };
});
