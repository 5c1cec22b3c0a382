// How the program's exit() ends it in the browser.
#include <emscripten/emscripten.h>

// Linked in place of exit() (-Wl,--wrap=exit): exit() alone keeps the runtime
// alive while a timer is pending, and the tail timer always is. Forced, the
// runtime ends: the toolkit takes its listeners away, no timer or redraw
// reaches the program again, and Module.onExit hears the status.
extern "C" [[noreturn]] void __wrap_exit(int status)
{
    emscripten_force_exit(status);
}
