// What the page beside the canvas reads from the running program. The page
// calls these from Module.onFrame, that is after every frame the program draws;
// they only read the scene, except the frame loop that the performance script times.
#include <emscripten/emscripten.h>

#include <cstdio>

#include "app/scene_fields.h"
#include "app/scene_state.h"
#include "scene/scene.h"

extern "C" {

// The scene as one JSON object, in a buffer that the next call overwrites.
// Floats are written with 9 significant digits, enough to read back the very
// same float, so that a picture can be redrawn from exactly this state.
EMSCRIPTEN_KEEPALIVE const char* quadrupedState()
{
    static char json[1024]; // some 400 bytes are used
    int used = 0;
    const auto add = [&used](const char* format, auto... values) {
        used += std::snprintf(json + used, sizeof json - used, format, values...);
    };
    for (const SceneField& field : kSceneFields) {
        add(used == 0 ? "{\"%s\":" : ",\"%s\":", field.name);
        if (field.real != nullptr)
            add("%.9g", double(scene.*field.real));
        else if (field.words[0] != nullptr)
            add("\"%s\"", field.words[scene.*field.integer != 0]);
        else
            add("%d", scene.*field.integer);
    }
    add("%s", "}");
    return json;
}

// Draws count frames of the current scene, as the desktop benchmark does, so
// that the page can time frames without a key press or the tail timer.
EMSCRIPTEN_KEEPALIVE void quadrupedDrawFrames(int count)
{
    for (int i = 0; i < count; ++i)
        renderFrame();
}
}
