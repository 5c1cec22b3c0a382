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

// The figure's parts, as the page names and picks them: the body (with the
// hip and shoulder spheres), the head (neck and head), the tail, and each
// leg's segments and paw, a part for each of the leg's joints, since each
// joint turns the piece below it (with the knee sphere at its lower end).
constexpr int kNoPart = -1; // the ground, the trees, anything but the figure
constexpr int kBodyPart = 0;
constexpr int kHeadPart = 1;
constexpr int kTailPart = 2;
constexpr int kFirstLegPart = 3;
constexpr int kPartCount = kFirstLegPart + kLegCount * kJointCount; // a front leg's upper unused

// The part that a leg's joint turns.
constexpr int legPart(int leg, int joint)
{
    return kFirstLegPart + leg * kJointCount + joint;
}
