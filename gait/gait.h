// Gait animation: keyframe tables, pose sampling, the gait step and the tail wag.
#pragma once

// Fills the first half-cycle of both gaits' keyframe tables and the neck angle.
void initGaitTables();

// Angle in degrees to draw a leg's joint at now: the current and the next
// keyframe blended by the sub-step (second half-cycles mirror the legs).
float jointAngle(int leg, int joint);

// One gait step: head bob, sub-step or keyframe, body bob, forward motion.
void gaitStep();

// Walk to run or back: the body bob drops to 0 and the cycle goes on where it
// stands, but a walk keyframe past the run cycle's last starts it at 0.
void switchGait();

// One wag of the tail, by 1 degree (walk) or 2 (run), turning past +-15.
void tailTick();

// Tail timer handler: a wag, a frame, and the next tick armed 50 ms on.
void onTailTimer(int value);
