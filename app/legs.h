// The legs and their joints, numbered as the keyframe tables, the pose sampler,
// the figure and the page's panel all count them.
#pragma once

constexpr int kLegCount = 4;
constexpr int kJointCount = 4;

// Hind legs 0 and 1, front legs 2 and 3; legs 0 and 2 stand on the +z side,
// which is the figure's right, since it faces +x with +y up.
constexpr int kHindRightLeg = 0;
constexpr int kHindLeftLeg = 1;
constexpr int kFrontRightLeg = 2;
constexpr int kFrontLeftLeg = 3;

// A leg's joints from the body down: each turns the piece below it.
constexpr int kUpperJoint = 0;
constexpr int kLowerJoint = 1;
constexpr int kShinJoint = 2;
constexpr int kPawJoint = 3;

// Names of the legs and joints above, in their order, as the pictures and the
// page call them.
constexpr const char* kLegNames[kLegCount] = {"hind right", "hind left", "front right",
                                              "front left"};
constexpr const char* kJointNames[kJointCount] = {"upper", "lower", "shin", "paw"};

// Hind legs start their chain at the upper segment; front legs have none.
constexpr bool isHindLeg(int leg)
{
    return leg == kHindRightLeg || leg == kHindLeftLeg;
}

// Whether a leg's chain has the joint: the front legs' starts at the lower one.
constexpr bool legHasJoint(int leg, int joint)
{
    return isHindLeg(leg) || joint > kUpperJoint;
}

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
