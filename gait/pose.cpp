#include "app/scene_state.h"
#include "gait/gait.h"

namespace {

// A gait's cycle: the last keyframe index and the last stored one (the table
// holds only the first half; the second half swaps each pair of legs).
struct Cycle {
    int lastKeyframe;
    int lastStored;
    const PoseTable& table;
};

Cycle currentCycle()
{
    if (scene.walkGait)
        return {5, 2, scene.walkPoses};
    return {3, 1, scene.runPoses};
}

// The other leg of a leg's pair (0-1 hind, 2-3 front); -1 for no leg.
int partnerLeg(int leg)
{
    switch (leg) {
    case 0: return 1;
    case 1: return 0;
    case 2: return 3;
    case 3: return 2;
    default: return -1;
    }
}

// A joint's angle in the current keyframe, or in the one after it, with the
// second half of the cycle read from the partner leg of the stored half.
float poseAngle(int leg, int joint, bool current)
{
    if (joint < 0 || joint >= kJointCount)
        return 0.0f;
    const Cycle cycle = currentCycle();
    int k = scene.gaitFrame;
    if (!current)
        k = (scene.gaitFrame == cycle.lastKeyframe) ? 0 : scene.gaitFrame + 1;

    if (k < 0)
        return 0.0f;
    if (k <= cycle.lastStored)
        return (leg >= 0 && leg < kLegCount) ? cycle.table[k][leg][joint] : 0.0f;
    const int stored = k - cycle.lastStored - 1;
    const int partner = partnerLeg(leg);
    // Keyframes past the table's storage (never reached by the gait step) read as zero.
    if (partner < 0 || stored >= kTableKeyframes)
        return 0.0f;
    return cycle.table[stored][partner][joint];
}

} // namespace

float jointAngle(int leg, int joint)
{
    const double t = static_cast<float>(scene.gaitSubstep * 0.1);
    const double a = poseAngle(leg, joint, true);
    const double b = poseAngle(leg, joint, false);
    return static_cast<float>(a + (b - a) * t);
}
