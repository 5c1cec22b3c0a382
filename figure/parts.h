// The figure's legs and pieces: the leg numbering that the gait tables and the
// pose sampler share with the drawing code, and the figure's own routines.
#pragma once

// Hind legs 0 and 1, front legs 2 and 3; legs 0 and 2 stand on the +z side,
// which is the figure's right, since it faces +x with +y up.
constexpr int kHindRightLeg = 0;
constexpr int kHindLeftLeg = 1;
constexpr int kFrontRightLeg = 2;
constexpr int kFrontLeftLeg = 3;

// Hind legs start their chain at the upper segment; front legs have none.
constexpr bool isHindLeg(int leg)
{
    return leg == kHindRightLeg || leg == kHindLeftLeg;
}

// Whether a leg's chain has the joint: the front legs' starts at joint 1.
constexpr bool legHasJoint(int leg, int joint)
{
    return isHindLeg(leg) || joint > 0;
}

// Names of the legs in the numbering above and of their joints, root first,
// as the pictures and the page call them.
constexpr const char* kLegNames[] = {"hind right", "hind left", "front right", "front left"};
constexpr const char* kJointNames[] = {"upper", "lower", "shin", "paw"};

// The other leg of a leg's pair, on the other side; -1 for no leg.
constexpr int partnerLeg(int leg)
{
    switch (leg) {
    case kHindRightLeg: return kHindLeftLeg;
    case kHindLeftLeg: return kHindRightLeg;
    case kFrontRightLeg: return kFrontLeftLeg;
    case kFrontLeftLeg: return kFrontRightLeg;
    default: return -1;
    }
}

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
