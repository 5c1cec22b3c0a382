// The page's side of the browser's GL layer (see web/layer.h), and how the
// program's exit() ends the page's copy of it.
#include <GL/glut.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include "web/layer.h"

namespace {

constexpr const char* kCanvas = "#canvas"; // the page's canvas, Module.canvas

bool lost = false;
void (*remakeObjects)() = nullptr;

// Until it comes back the layer draws nothing.
EM_BOOL onLost(int, const void*, void*)
{
    lost = true;
    return EM_FALSE; // the page asks for the context back
}

// The layer's WebGL objects are made again, and the current scene drawn.
EM_BOOL onRestored(int, const void*, void*)
{
    lost = false;
    remakeObjects();
    glutPostRedisplay();
    return EM_FALSE;
}

} // namespace

namespace host {

void stop(const char* message)
{
    EM_ASM({ abort(UTF8ToString($0)); }, message);
    __builtin_unreachable();
}

void watchContext(void (*remake)())
{
    remakeObjects = remake;
    emscripten_set_webglcontextlost_callback(kCanvas, nullptr, false, onLost);
    emscripten_set_webglcontextrestored_callback(kCanvas, nullptr, false, onRestored);
}

bool contextLost()
{
    return lost;
}

void frameDrawn()
{
    EM_ASM({
        if (Module['onFrame'])
            Module['onFrame']();
    });
}

} // namespace host

// Linked in place of exit() (-Wl,--wrap=exit): exit() alone keeps the runtime
// alive while a timer is pending, and the tail timer always is. Forced, the
// runtime ends: the toolkit takes its listeners away, no timer or redraw
// reaches the program again, and Module.onExit hears the status.
extern "C" [[noreturn]] void __wrap_exit(int status)
{
    emscripten_force_exit(status);
}
