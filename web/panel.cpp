// What the page beside the canvas reads from the running program. The page
// calls these from Module.onFrame, that is after every frame the program draws;
// they only read the scene, except the frame loop that the performance script times.
#include <emscripten/emscripten.h>

#include <cstdio>

#include "app/scene_state.h"
#include "scene/scene.h"

extern "C" {

// The scene as one JSON object, in a buffer that the next call overwrites.
// Floats are written with 9 significant digits, enough to read back the very
// same float, so that a picture can be redrawn from exactly this state.
EMSCRIPTEN_KEEPALIVE const char* quadrupedState()
{
    static char json[1024];
    std::snprintf(json, sizeof json,
                  "{\"gait\":\"%s\",\"keyframe\":%d,\"substep\":%d,"
                  "\"headAngle\":%.9g,\"headRising\":%d,\"bodyBob\":%.9g,"
                  "\"tailAngle\":%d,\"tailSwingUp\":%d,"
                  "\"figureX\":%.9g,\"figureZ\":%.9g,\"heading\":%.9g,\"advance\":%d,"
                  "\"lighting\":%d,\"trees\":%d,"
                  "\"cameraX\":%.9g,\"cameraZ\":%.9g,\"cameraYaw\":%.9g,\"aspect\":%.9g}",
                  scene.walkGait ? "walk" : "run", scene.gaitFrame, scene.gaitSubstep,
                  double(scene.headAngle), scene.headRising, double(scene.bodyBob), scene.tailAngle,
                  scene.tailSwingUp, double(scene.figureX), double(scene.figureZ),
                  double(scene.heading), scene.advanceOnStep, scene.lightingEnabled,
                  scene.treesVisible, double(scene.cameraX), double(scene.cameraZ),
                  double(scene.cameraAngle), double(scene.aspectRatio));
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
