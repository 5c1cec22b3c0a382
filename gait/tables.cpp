#include <cmath>
#include <cstddef>

#include "app/legs.h"
#include "app/scene_state.h"
#include "gait/gait.h"

namespace {

// One leg's row of a keyframe: its joint angles in degrees.
struct LegPose {
    int keyframe, leg;
    float upper, lower, shin, paw;
};

// clang-format off
// Walk gait, first half-cycle (keyframes 0 to 2).
constexpr LegPose kWalkHalfCycle[] = {
    /* keyframe, leg, upper, lower, shin, paw */
    {0, 0,  15, -35,  70,  0},
    {0, 1, -20, -26,  39,  0},
    {0, 2,   0,   7, -33,  0},
    {0, 3,   0,   4,  -4,  0},
    {1, 0,   5, -20,  38,  0},
    {1, 1, -27, -25,  30,  0},
    {1, 2,   0,  43, -81,  0},
    {1, 3,   0,  -8,  -6, -4},
    {2, 0,  20, -60,  38,  0},
    {2, 1,   5, -70,  40,  0},
    {2, 2,   0,  35, -30,  0},
    {2, 3,   0, -20,   0,  0},
};

// Run gait, first half-cycle (keyframes 0 and 1).
constexpr LegPose kRunHalfCycle[] = {
    /* keyframe, leg, upper, lower, shin, paw */
    {0, 0,  -5, -25,  30, -20},
    {0, 1,  33, -75,  95,  -5},
    {0, 2,   0,  70, -70, -50},
    {0, 3,   0, -15,   0, -10},
    {1, 0, -25, -35,  75,   0},
    {1, 1,  10,  -5,  45,   0},
    {1, 2,   0,  45,   0,   0},
    {1, 3,   0,  25, -75,  15},
};
// clang-format on

constexpr float kNeckAngle = 90.0f;
// Writes the rows into the table. The front legs' chain starts at joint 1, so
// their joint 0 is never written and keeps the zero of the cleared storage.
template <std::size_t N> void fill(PoseTable& table, const LegPose (&rows)[N])
{
    for (const LegPose& row : rows) {
        float* joints = table[row.keyframe][row.leg];
        if (legHasJoint(row.leg, kUpperJoint))
            joints[kUpperJoint] = row.upper;
        joints[kLowerJoint] = row.lower;
        joints[kShinJoint] = row.shin;
        joints[kPawJoint] = row.paw;
    }
}

} // namespace

void initGaitTables()
{
    fill(scene.walkPoses, kWalkHalfCycle);
    fill(scene.runPoses, kRunHalfCycle);
    scene.neckAngle = kNeckAngle;
}

bool setStoredAngle(const Gait& gait, int keyframe, int leg, int joint, double degrees)
{
    const bool stored = keyframe >= 0 && keyframe < gait.storedKeyframes && leg >= 0 &&
                        leg < kLegCount && joint >= 0 && joint < kJointCount &&
                        legHasJoint(leg, joint);
    // Written this way round, a NaN is refused too.
    if (!stored || !(std::fabs(degrees) <= kMostStoredDegrees))
        return false;
    (scene.*gait.poses)[keyframe][leg][joint] = static_cast<float>(degrees);
    return true;
}
