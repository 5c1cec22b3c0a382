// Gait animation: keyframe tables, pose sampling, the gait step and the tail wag.
#pragma once

#include "app/scene_state.h"

// Everything that sets one gait apart from the other; every routine that
// depends on the gait reads its numbers from here.
struct Gait {
    const char* name;              // as the page, the tools and the links call it
    int cycleKeyframes;            // a whole cycle; its second half mirrors the first
    int storedKeyframes;           // the first half, which the table holds
    PoseTable SceneState::* poses; // the gait's keyframe table in the scene state
    int substepIncrement;          // tenths of a keyframe per step
    double headLimit;              // degrees; the head bob turns after stepping past it
    double headStep;               // degrees per step
    double forwardStep;            // scene units per step along the heading
    int tailStep;                  // degrees per tail tick
    float tailLift;                // degrees the tail is carried higher
    int tailSwingDivisor;          // the tail swings its angle divided by this, towards zero
    bool bodyBobShown;             // the whole figure rides on the body bob
};

// The most a stored angle turns either way, in degrees: a whole turn in all.
constexpr double kMostStoredDegrees = 180.0;

extern const Gait kWalkGait;
extern const Gait kRunGait;

// The gait the scene is in now.
const Gait& currentGait();

// A place in a gait's cycle: a keyframe and the sub-step from it towards the next.
struct CyclePoint {
    int keyframe;
    int substep; // tenths of the way
};

// Fills the first half-cycle of both gaits' keyframe tables and the neck angle.
void initGaitTables();

// Sets one stored angle of a gait's table, in degrees; false, changing
// nothing, for a keyframe the table does not store, a joint that is not
// drawn, or an angle outside -180 to 180.
bool setStoredAngle(const Gait& gait, int keyframe, int leg, int joint, double degrees);

// The keyframe the pose blends towards from keyframe: the one after it, or
// the first after the cycle's last.
int nextKeyframe(const Gait& gait, int keyframe);

// Angle in degrees of a leg's joint at a point of gait's cycle, from table:
// the point's keyframe and the next blended by the sub-step (second
// half-cycles mirror the legs). Reads nothing else.
float sampleAngle(const Gait& gait, const PoseTable& table, CyclePoint point, int leg, int joint);

// Angle in degrees to draw a leg's joint at now: sampleAngle at the scene's
// gait, table, keyframe and sub-step.
float jointAngle(int leg, int joint);

// Where one gait step leads from point: the sub-step grows by the gait's
// increment, or once it has passed 9 the next keyframe starts (the first
// after the cycle's last, or any keyframe past it).
CyclePoint nextCyclePoint(const Gait& gait, CyclePoint point);

// Gait steps in a whole cycle, from keyframe 0, sub-step 0 round to there.
int cycleSteps(const Gait& gait);

// One gait step: head bob, sub-step or keyframe, body bob, forward motion.
void gaitStep();

// Walk to run or back: the body bob drops to 0 and the cycle goes on where it
// stands, but a walk keyframe past the run cycle's last starts it at 0.
void switchGait();

// One wag of the tail, by the gait's tail step, turning past +-15.
void tailTick();

// Tail timer handler: a wag, a frame, and the next tick armed 50 ms on.
void onTailTimer(int value);
