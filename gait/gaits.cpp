#include "gait/gait.h"

// clang-format off
const Gait kWalkGait = {
    "walk",                 /* name */
    6,                      /* cycleKeyframes */
    3,                      /* storedKeyframes */
    &SceneState::walkPoses, /* poses */
    2,                      /* substepIncrement */
    20.0,                   /* headLimit */
    1.5,                    /* headStep */
    0.03,                   /* forwardStep */
    1,                      /* tailStep */
    0.0f,                   /* tailLift */
    1,                      /* tailSwingDivisor */
    false,                  /* bodyBobShown */
};

const Gait kRunGait = {
    "run",                  /* name */
    4,                      /* cycleKeyframes */
    2,                      /* storedKeyframes */
    &SceneState::runPoses,  /* poses */
    3,                      /* substepIncrement */
    15.0,                   /* headLimit */
    3.0,                    /* headStep */
    0.12,                   /* forwardStep */
    2,                      /* tailStep */
    5.0f,                   /* tailLift */
    2,                      /* tailSwingDivisor */
    true,                   /* bodyBobShown */
};
// clang-format on

const Gait& currentGait()
{
    return scene.walkGait ? kWalkGait : kRunGait;
}
