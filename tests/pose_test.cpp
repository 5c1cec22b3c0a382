// Keyframe tables and pose sampling: mirrored half cycles and the blend.
#include "support/gl_test.h"

#include "app/scene_state.h"
#include "gait/gait.h"

namespace {

class PoseTest : public SceneTest {};

void setMoment(int walk, int frame, int substep)
{
    scene.walkGait = walk;
    scene.gaitFrame = frame;
    scene.gaitSubstep = substep;
}

} // namespace

TEST_F(PoseTest, TablesHoldTheFirstHalfCycleAndZerosElsewhere)
{
    const float walk13[4] = {0, -8, -6, -4};
    const float run01[4] = {33, -75, 95, -5};
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(scene.walkPoses[1][3][j], walk13[j]);
        EXPECT_EQ(scene.runPoses[0][1][j], run01[j]);
    }
    for (int k = 0; k < kTableKeyframes; ++k) {
        for (int leg = 0; leg < kLegCount; ++leg) {
            if (leg >= 2) {
                EXPECT_EQ(scene.walkPoses[k][leg][0], 0.0f);
                EXPECT_EQ(scene.runPoses[k][leg][0], 0.0f);
            }
            for (int j = 0; j < kJointCount; ++j) {
                if (k >= 3) {
                    EXPECT_EQ(scene.walkPoses[k][leg][j], 0.0f) << k << leg << j;
                }
                if (k >= 2) {
                    EXPECT_EQ(scene.runPoses[k][leg][j], 0.0f) << k << leg << j;
                }
            }
        }
    }
    EXPECT_EQ(scene.neckAngle, 90.0f);
}

TEST_F(PoseTest, SecondHalfOfEachCycleSwapsThePairsOfLegs)
{
    // Walk keyframes 3..5 read stored 0..2 from the partner leg; run 2..3 read 0..1.
    const int partner[4] = {1, 0, 3, 2};
    for (int frame = 3; frame <= 5; ++frame) {
        setMoment(1, frame, 0);
        for (int leg = 0; leg < 4; ++leg)
            for (int j = 0; j < 4; ++j)
                EXPECT_EQ(jointAngle(leg, j), scene.walkPoses[frame - 3][partner[leg]][j])
                    << "walk frame " << frame << " leg " << leg << " joint " << j;
    }
    for (int frame = 2; frame <= 3; ++frame) {
        setMoment(0, frame, 0);
        for (int leg = 0; leg < 4; ++leg)
            for (int j = 0; j < 4; ++j)
                EXPECT_EQ(jointAngle(leg, j), scene.runPoses[frame - 2][partner[leg]][j])
                    << "run frame " << frame << " leg " << leg << " joint " << j;
    }
    setMoment(1, 3, 0);
    EXPECT_EQ(jointAngle(2, 2), -4.0f);
}

TEST_F(PoseTest, SubstepBlendsTowardsTheNextKeyframe)
{
    setMoment(1, 0, 4);
    EXPECT_EQ(jointAngle(0, 1), -29.0f); // -35 towards -20
    setMoment(1, 5, 6);
    EXPECT_EQ(jointAngle(0, 0), 11.0f); // keyframe 5 (stored 2, leg 1: 5) towards keyframe 0 (15)

    // Sub-step 10 lands exactly on the next keyframe, which the next keyframe's
    // sub-step 0 then repeats.
    for (int frame = 0; frame <= 5; ++frame) {
        for (int leg = 0; leg < 4; ++leg) {
            for (int j = 0; j < 4; ++j) {
                setMoment(1, frame, 10);
                const float end = jointAngle(leg, j);
                setMoment(1, frame == 5 ? 0 : frame + 1, 0);
                EXPECT_EQ(end, jointAngle(leg, j)) << frame << leg << j;
            }
        }
    }
}

TEST_F(PoseTest, RunGaitOvershootsTheNextKeyframeAtSubstepTwelve)
{
    // Leg 1 joint 2 reads 45 now and 30 next (cycle keyframe 2 reads leg 0).
    setMoment(0, 1, 12);
    EXPECT_EQ(jointAngle(1, 2), 27.0f);
    // Keyframe 3 wraps to keyframe 0: leg 0 joint 0 from stored 1 leg 1 (10) to -5.
    setMoment(0, 3, 12);
    EXPECT_NEAR(jointAngle(0, 0), -8.0f, 1e-5); // 10 - 15 x 1.2, t rounded to float
}

TEST_F(PoseTest, FrontLegsNeverBendAtTheUpperJoint)
{
    for (int walk = 0; walk <= 1; ++walk)
        for (int frame = 0; frame <= 5; ++frame)
            for (int sub = 0; sub <= 12; ++sub) {
                setMoment(walk, frame, sub);
                EXPECT_EQ(jointAngle(2, 0), 0.0f);
                EXPECT_EQ(jointAngle(3, 0), 0.0f);
            }
}
