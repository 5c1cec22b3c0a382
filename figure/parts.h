// The figure's pieces: what they share (tessellation, colours) and the
// routines that draw them.
#pragma once

// How finely the figure's round pieces are cut: the spheres (body ends and
// joints) in slices around their axis and stacks along it, and likewise the
// tubes (body, leg and tail segments).
constexpr int kSphereSlices = 8;
constexpr int kSphereStacks = 8;
constexpr int kTubeSlices = 15;
constexpr int kTubeStacks = 2;

// Colours every piece shares (RGB).
constexpr float kJointColour[3] = {0.6f, 0.5f, 0.3f};
constexpr float kLimbColour[3] = {1.0f, 0.8f, 0.0f};

// Torso: two ellipsoid ends and an elliptical tube along x. In the run gait it
// first shifts the current matrix by the body bob along y and leaves it so.
void drawBody();

// Joint sphere at the current origin; leaves the limb colour current.
void drawJoint();

// One leg's chain hanging down from the current origin (its hip).
void drawLeg(int leg);

// Neck piece nodding by the head angle, head piece at the neck angle from it.
void drawHead();

// Three-segment tail from the current origin; leaves the matrix at its tip.
void drawTail();
