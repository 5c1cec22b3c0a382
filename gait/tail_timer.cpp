#include "app/toolkit.h"

#include "app/scene_state.h"
#include "gait/gait.h"
#include "scene/scene.h"

namespace {

constexpr int kTailLimit = 15; // degrees; the wag turns after stepping past it
constexpr unsigned kTickMs = 50;

} // namespace

void tailTick()
{
    const int step = currentGait().tailStep;
    if (scene.tailAngle > kTailLimit) {
        scene.tailSwingUp = 0;
        scene.tailAngle -= step;
    } else if (scene.tailAngle < -kTailLimit) {
        scene.tailSwingUp = 1;
        scene.tailAngle += step;
    } else {
        scene.tailAngle += scene.tailSwingUp ? step : -step;
    }
}

void onTailTimer(int /*value*/)
{
    tailTick();
    renderFrame();
    glutTimerFunc(kTickMs, onTailTimer, 0);
}
