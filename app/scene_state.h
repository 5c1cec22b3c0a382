// The one scene state shared by every toolkit handler.
#pragma once

#include "app/legs.h"

struct GLUquadric;

// Keyframe table shape: [keyframe][leg][joint], angles in degrees.
constexpr int kTableKeyframes = 6;
using PoseTable = float[kTableKeyframes][kLegCount][kJointCount];

// Every variable the handlers share, with its start value. Floats hold
// single-precision results; flags are ints holding 0 or 1.
struct SceneState {
    // Gait and animation.
    int gaitFrame = 0;    // current keyframe of the gait cycle
    int gaitSubstep = 0;  // tenths of the way to the next keyframe
    int walkGait = 1;     // 1 walk, 0 run
    float bodyBob = 0.0f; // vertical offset of the figure, run gait only
    float headAngle = 0.0f;
    int headRising = 1;
    int tailAngle = 0;
    int tailSwingUp = 1;
    int advanceOnStep = 1; // gait steps move the figure along its heading

    // Figure placement.
    float figureX = 0.0f;
    float figureZ = 1.5f;
    float heading = 0.0f; // degrees, never wrapped

    // Display switches.
    int lightingEnabled = 1;
    int treesVisible = 1;

    // Camera: eye, horizontal view direction and yaw (radians, never wrapped).
    float cameraAngle = 0.0f;
    float cameraX = 0.0f;
    float cameraY = 0.75f;
    float cameraZ = 5.0f;
    float lookX = 0.0f;
    float lookY = 0.0f;
    float lookZ = -1.0f;
    float aspectRatio = 0.0f;

    // The one quadric every cylinder is drawn with; created before main.
    GLUquadric* quadric = nullptr;

    // Gait keyframe tables and the head's fixed neck angle, filled at start-up.
    PoseTable walkPoses = {};
    PoseTable runPoses = {};
    float neckAngle = 0.0f;
};

// The process's one scene state.
extern SceneState scene;

// Puts the state back to how the event loop first sees it: start values,
// filled gait tables, and the same quadric (which is never recreated).
void resetSceneState();
