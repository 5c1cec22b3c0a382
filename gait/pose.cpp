#include "app/legs.h"
#include "app/scene_state.h"
#include "gait/gait.h"

namespace {

// A joint's angle in keyframe k of the cycle, with the second half of the
// cycle read from the partner leg of the stored half.
float poseAngle(const Gait& gait, const PoseTable& table, int k, int leg, int joint)
{
    if (joint < 0 || joint >= kJointCount || k < 0)
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

int nextKeyframe(const Gait& gait, int keyframe)
{
    return (keyframe == gait.cycleKeyframes - 1) ? 0 : keyframe + 1;
}

float sampleAngle(const Gait& gait, const PoseTable& table, CyclePoint point, int leg, int joint)
{
    const double t = static_cast<float>(point.substep * 0.1);
    const double a = poseAngle(gait, table, point.keyframe, leg, joint);
    const double b = poseAngle(gait, table, nextKeyframe(gait, point.keyframe), leg, joint);
    return static_cast<float>(a + (b - a) * t);
}

float jointAngle(int leg, int joint)
{
    const Gait& gait = currentGait();
    return sampleAngle(gait, scene.*gait.poses, {scene.gaitFrame, scene.gaitSubstep}, leg, joint);
}
