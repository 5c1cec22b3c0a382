// The scene's fields by the names that the browser page's panel shows them
// under (quadrupedState) and that render_frames' state mode takes, in the
// panel's order.
#pragma once

#include "app/scene_state.h"

struct SceneField {
    const char* name;
    int SceneState::* integer; // one of these two is set
    float SceneState::* real;
    const char* words[2] = {}; // if set, what an integer 0 and 1 read as
    bool settable = true;      // false: it follows from other state
};

inline constexpr SceneField kSceneFields[] = {
    {"gait", &SceneState::walkGait, nullptr, {"run", "walk"}},
    {"keyframe", &SceneState::gaitFrame, nullptr},
    {"substep", &SceneState::gaitSubstep, nullptr},
    {"headAngle", nullptr, &SceneState::headAngle},
    {"headRising", &SceneState::headRising, nullptr},
    {"bodyBob", nullptr, &SceneState::bodyBob},
    {"tailAngle", &SceneState::tailAngle, nullptr},
    {"tailSwingUp", &SceneState::tailSwingUp, nullptr},
    {"figureX", nullptr, &SceneState::figureX},
    {"figureZ", nullptr, &SceneState::figureZ},
    {"heading", nullptr, &SceneState::heading},
    {"advance", &SceneState::advanceOnStep, nullptr},
    {"lighting", &SceneState::lightingEnabled, nullptr},
    {"trees", &SceneState::treesVisible, nullptr},
    {"cameraX", nullptr, &SceneState::cameraX},
    {"cameraZ", nullptr, &SceneState::cameraZ},
    {"cameraYaw", nullptr, &SceneState::cameraAngle},
    {"aspect", nullptr, &SceneState::aspectRatio, {}, false}, // from the window's size
};
