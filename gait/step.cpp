#include <cmath>

#include "app/scene_state.h"
#include "gait/gait.h"

namespace {

constexpr int kLastSubstep = 9; // a sub-step above this ends the keyframe
constexpr double kBodyBobStep = 0.01;
constexpr double kRadiansPerDegree = 0.017453292519943295;

// Swings the head angle; the limits are tested before the step, so the angle
// first steps past a limit and turns on the next step. A head out of range
// turns towards the range rather than flipping its direction: after a gait
// switch it may lie past the new gait's limit while still going down.
void stepHeadBob(const Gait& gait)
{
    if (scene.headAngle > gait.headLimit)
        scene.headRising = 0;
    else if (!(scene.headAngle >= 0.0f))
        scene.headRising = 1;
    const double step = scene.headRising ? gait.headStep : -gait.headStep;
    scene.headAngle = static_cast<float>(scene.headAngle + step);
}

// Advances the sub-step, or the keyframe once the sub-step has passed 9; the
// body rises in keyframes 0 and 2 and sinks in 1 and 3 while the sub-step grows.
void stepPose(const Gait& gait)
{
    const CyclePoint next = nextCyclePoint(gait, {scene.gaitFrame, scene.gaitSubstep});
    const bool substepGrows = next.substep > scene.gaitSubstep;
    scene.gaitFrame = next.keyframe;
    scene.gaitSubstep = next.substep;
    if (!substepGrows)
        return;
    switch (scene.gaitFrame) {
    case 0:
    case 2: scene.bodyBob = static_cast<float>(scene.bodyBob + kBodyBobStep); break;
    case 1:
    case 3: scene.bodyBob = static_cast<float>(scene.bodyBob - kBodyBobStep); break;
    default: break;
    }
}

// Moves the figure one step the way its head points (heading 0 is +x).
void stepForward(const Gait& gait)
{
    const float speed = static_cast<float>(gait.forwardStep);
    const float angle = static_cast<float>(scene.heading * kRadiansPerDegree);
    scene.figureX = static_cast<float>(scene.figureX + std::cos(double(angle)) * speed);
    scene.figureZ = static_cast<float>(scene.figureZ - std::sin(double(angle)) * speed);
}

} // namespace

CyclePoint nextCyclePoint(const Gait& gait, CyclePoint point)
{
    if (point.substep > kLastSubstep)
        return {point.keyframe < gait.cycleKeyframes - 1 ? point.keyframe + 1 : 0, 0};
    return {point.keyframe, point.substep + gait.substepIncrement};
}

int cycleSteps(const Gait& gait)
{
    int steps = 0;
    CyclePoint point{0, 0};
    do {
        point = nextCyclePoint(gait, point);
        ++steps;
    } while (point.keyframe != 0 || point.substep != 0);
    return steps;
}

void switchGait()
{
    scene.bodyBob = 0.0f;
    scene.walkGait = !scene.walkGait;
    // The run cycle is shorter: a walk keyframe past its end starts it afresh.
    if (scene.gaitFrame >= currentGait().cycleKeyframes)
        scene.gaitFrame = 0;
}

void gaitStep()
{
    const Gait& gait = currentGait();
    stepHeadBob(gait);
    stepPose(gait);
    if (scene.advanceOnStep)
        stepForward(gait);
}
