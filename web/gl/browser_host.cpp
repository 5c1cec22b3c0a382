// The browser host of the GL layer (see host.h): Emscripten and the page.
#include <GL/glut.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include "web/gl/host.h"

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

// Module.skipFrames holds while the page replays keys whose frames a later
// frame of the same task replaces, and while a redraw of the toolkit's is
// coming before the display's next frame (see web/page/program.js).
bool frameSkipped()
{
    return EM_ASM_INT({ return Module['skipFrames'] ? 1 : 0; }) != 0;
}

void frameDrawn()
{
    EM_ASM({
        if (Module['onFrame'])
            Module['onFrame']();
    });
}

} // namespace host
