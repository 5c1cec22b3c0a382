// The services the layer asks of the place it runs in. The browser host
// (browser_host.cpp) gives them from Emscripten and the page; the Mesa host
// (mesa_host.cpp) on the desktop, where the tests run the very layer the
// page runs.
#pragma once

namespace host {

// Ends the program at once with one message (the page says "The program has
// stopped: " and the message).
[[noreturn]] void stop(const char* message);
// From now on, calls remake when a lost WebGL context comes back, and asks for
// a frame after it; in between, contextLost() is true.
void watchContext(void (*remake)());
bool contextLost();
// Whether the frame now being drawn will be replaced by a later frame in the
// same task (the page replaying a long run of keys): then none of it is drawn.
bool frameSkipped();
// A frame is drawn and still in the drawing buffer: the page may read it.
void frameDrawn();

} // namespace host
