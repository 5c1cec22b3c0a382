#include "app/legs.h"
#include "app/scene_state.h"
#include "gait/gait.h"

namespace {

// A joint's angle in the current keyframe, or in the one after it, with the
// second half of the cycle read from the partner leg of the stored half.
float poseAngle(int leg, int joint, bool current)
{
    if (joint < 0 || joint >= kJointCount)
        return 0.0f;
    const Gait& gait = currentGait();
    const PoseTable& table = scene.*gait.poses;
    const int k = current ? scene.gaitFrame : nextKeyframe();
    if (k < 0)
        return 0.0f;
    if (k < gait.storedKeyframes)
        return (leg >= 0 && leg < kLegCount) ? table[k][leg][joint] : 0.0f;
    const int stored = k - gait.storedKeyframes;
    const int partner = partnerLeg(leg);
    // Keyframes past the table's storage (never reached by the gait step) read as zero.
    if (partner < 0 || stored >= kTableKeyframes)
        return 0.0f;
    return table[stored][partner][joint];
}

} // namespace

int nextKeyframe()
{
    return (scene.gaitFrame == currentGait().cycleKeyframes - 1) ? 0 : scene.gaitFrame + 1;
}

float jointAngle(int leg, int joint)
{
    const double t = static_cast<float>(scene.gaitSubstep * 0.1);
    const double a = poseAngle(leg, joint, true);
    const double b = poseAngle(leg, joint, false);
    return static_cast<float>(a + (b - a) * t);
}
