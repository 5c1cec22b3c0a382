// Gait animation: keyframe tables, pose sampling, the gait step and the tail wag.
#pragma once

#include "app/scene_state.h"

// Everything that sets one gait apart from the other; every routine that
// depends on the gait reads its numbers from here.
struct Gait {
    int cycleKeyframes;           // a whole cycle; its second half mirrors the first
    int storedKeyframes;          // the first half, which the table holds
    PoseTable SceneState::*poses; // the gait's keyframe table in the scene state
    int substepIncrement;         // tenths of a keyframe per step
    double headLimit;             // degrees; the head bob turns after stepping past it
    double headStep;              // degrees per step
    double forwardStep;           // scene units per step along the heading
    int tailStep;                 // degrees per tail tick
    float tailLift;               // degrees the tail is carried higher
    int tailSwingDivisor;         // the tail swings its angle divided by this, towards zero
    bool bodyBobShown;            // the whole figure rides on the body bob
};

extern const Gait kWalkGait;
extern const Gait kRunGait;

// The gait the scene is in now.
const Gait& currentGait();

// Fills the first half-cycle of both gaits' keyframe tables and the neck angle.
void initGaitTables();

// The keyframe the pose blends towards: the one after the current, or the
// first after the cycle's last.
int nextKeyframe();

// Angle in degrees to draw a leg's joint at now: the current and the next
// keyframe blended by the sub-step (second half-cycles mirror the legs).
float jointAngle(int leg, int joint);

// One gait step: head bob, sub-step or keyframe, body bob, forward motion.
void gaitStep();

// Walk to run or back: the body bob drops to 0 and the cycle goes on where it
// stands, but a walk keyframe past the run cycle's last starts it at 0.
void switchGait();

// One wag of the tail, by the gait's tail step, turning past +-15.
void tailTick();

// Tail timer handler: a wag, a frame, and the next tick armed 50 ms on.
void onTailTimer(int value);
