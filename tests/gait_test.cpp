// The gait: pose sampling from the mirrored half-cycle tables, the gait step
// with its head and body bob, gait switches, and the tail wag.
#include "support/gl_test.h"

#include "app/scene_state.h"
#include "gait/gait.h"
#include "input/input.h"

namespace {

class GaitTest : public SceneTest {};

const auto pressB = [](int times = 1) {
    while (times-- > 0)
        onKey('b', 0, 0);
};
const auto f1 = [] { onSpecialKey(GLUT_KEY_F1, 0, 0); };
const auto at = [](int walk, int frame, int substep) {
    scene.walkGait = walk, scene.gaitFrame = frame, scene.gaitSubstep = substep;
};

} // namespace

TEST_F(GaitTest, SecondHalfCycleSwapsEachPairOfLegs)
{
    const int partner[4] = {1, 0, 3, 2};
    for (int walk = 0; walk <= 1; ++walk) {
        const int stored = walk ? 3 : 2;
        const PoseTable& table = walk ? scene.walkPoses : scene.runPoses;
        for (int frame = 0; frame < 2 * stored; ++frame) {
            at(walk, frame, 0);
            for (int leg = 0; leg < 4; ++leg)
                for (int j = 0; j < 4; ++j) {
                    const float want = frame < stored ? table[frame][leg][j]
                                                      : table[frame - stored][partner[leg]][j];
                    ASSERT_EQ(jointAngle(leg, j), want) << walk << frame << leg << j;
                }
        }
    }
    at(1, 3, 0);
    EXPECT_EQ(jointAngle(2, 2), -4.0f);
    EXPECT_EQ(jointAngle(2, 0), 0.0f); // front legs have no upper joint
}

TEST_F(GaitTest, SubstepBlendsTowardsTheNextKeyframeAndOvershootsInTheRun)
{
    at(1, 0, 4);
    EXPECT_EQ(jointAngle(0, 1), -29.0f); // -35 towards -20
    at(1, 5, 6);
    EXPECT_EQ(jointAngle(0, 0), 11.0f); // keyframe 5 (stored 2, leg 1: 5) towards keyframe 0 (15)
    at(1, 2, 10);
    const float end = jointAngle(3, 1);
    at(1, 3, 0);
    EXPECT_EQ(jointAngle(3, 1), end); // sub-step 10 is the next keyframe
    at(0, 1, 12);
    EXPECT_EQ(jointAngle(1, 2), 27.0f); // 45 towards 30, 20 % past it
    at(0, 3, 12);
    EXPECT_NEAR(jointAngle(0, 0), -8.0f, 1e-5); // keyframe 3 wraps to 0: 10 towards -5
}

TEST_F(GaitTest, WalkAndRunCycles)
{
    for (int n = 1; n <= 72; ++n) {
        pressB();
        ASSERT_EQ(scene.gaitFrame, (n / 6) % 6) << n;
        ASSERT_EQ(scene.gaitSubstep, 2 * (n % 6)) << n;
        const int p = n % 30; // 1.5 a step up to 21, down to -1.5, back to 0
        ASSERT_EQ(scene.headAngle, p <= 14 ? 1.5f * p : 1.5f * (28 - p)) << n;
        const int s = n % 36; // up in keyframes 0 and 2, down in 1 and 3, still in 4 and 5
        const double bob = s <= 5    ? 0.01 * s
                           : s <= 11 ? 0.05 - 0.01 * (s - 6)
                           : s <= 17 ? 0.01 * (s - 12)
                           : s <= 23 ? 0.05 - 0.01 * (s - 18)
                                     : 0.0;
        ASSERT_NEAR(scene.bodyBob, bob, 1e-6) << n;
    }
    f1(); // two walk cycles end where they began, but for the head
    scene.headAngle = 0.0f;
    scene.headRising = 1;
    for (int n = 1; n <= 40; ++n) {
        pressB();
        ASSERT_EQ(scene.gaitFrame, (n / 5) % 4) << n;
        ASSERT_EQ(scene.gaitSubstep, 3 * (n % 5)) << n;
        const int p = n % 14; // 3 a step up to 18, down to -3, back to 0
        ASSERT_EQ(scene.headAngle, p <= 6 ? 3.0f * p : 3.0f * (12 - p)) << n;
        const int inFrame = n % 5, frame = (n / 5) % 4;
        ASSERT_NEAR(scene.bodyBob, frame % 2 == 0 ? 0.01 * inFrame : 0.04 - 0.01 * inFrame, 1e-6);
    }
    EXPECT_NEAR(scene.figureX, 2 * 1.08 + 2 * 2.4, 1e-4);
}

TEST_F(GaitTest, StepsFollowTheHeadingWhileForwardMotionIsOn)
{
    for (int i = 0; i < 18; ++i)
        onKey(',', 0, 0); // heading 90: the head points along -z
    pressB();
    EXPECT_NEAR(scene.figureX, 0.0, 1e-7);
    EXPECT_NEAR(scene.figureZ, 1.47, 1e-6);
    onSpecialKey(GLUT_KEY_F11, 0, 0);
    pressB(3);
    EXPECT_NEAR(scene.figureZ, 1.47, 1e-6);
    EXPECT_EQ(scene.gaitSubstep, 8);
}

TEST_F(GaitTest, SwitchesContinueTheCycleAndKeepTheHeadInRange)
{
    pressB(8); // walk keyframe 1, sub-step 4, head 12
    scene.bodyBob = 0.03f;
    f1();
    EXPECT_EQ(scene.bodyBob, 0.0f);
    pressB(); // run numbers from here on
    EXPECT_EQ(scene.gaitSubstep, 7);
    EXPECT_EQ(scene.headAngle, 15.0f);
    pressB(2); // 10, then the next keyframe; the head turns only past 15
    EXPECT_EQ(scene.gaitFrame, 2);
    EXPECT_EQ(scene.headAngle, 15.0f); // 18, then down again
    scene.gaitSubstep = 9;
    f1();
    pressB();
    EXPECT_EQ(scene.gaitSubstep, 11); // 9 + 2, reset at the next step
    pressB();
    EXPECT_EQ(scene.gaitFrame, 3);

    // A late switch to the run starts its cycle instead of reading empty keyframes.
    scene.gaitFrame = 5;
    scene.gaitSubstep = 4;
    f1();
    EXPECT_EQ(scene.gaitFrame, 0);
    EXPECT_FLOAT_EQ(jointAngle(0, 1), -25.0f + (-35.0f + 25.0f) * 0.4f);

    // Alternating switches after 7 steps once drove the head round without bound.
    resetSceneState();
    pressB(7);
    for (int pair = 0; pair < 5000; ++pair) {
        f1();
        pressB();
        ASSERT_TRUE(scene.headAngle >= -3.0f && scene.headAngle <= 21.0f) << pair;
    }
}

TEST_F(GaitTest, TailSweepsPastFifteenAndKeepsItsAngleAcrossSwitches)
{
    for (int n = 1; n <= 128; ++n) { // walk: 1 a tick, -16..16, every 64 ticks
        onTailTimer(0);
        const int p = n % 64;
        ASSERT_EQ(scene.tailAngle, p <= 16 ? p : p <= 48 ? 32 - p : p - 64) << n;
    }
    for (int n = 0; n < 15; ++n)
        onTailTimer(0);
    f1(); // run from 15: 17, 15, ... -17, -15
    const int run[] = {17, 15, 13};
    for (int want : run) {
        onTailTimer(0);
        EXPECT_EQ(scene.tailAngle, want);
    }
    for (int n = 0; n < 16; ++n)
        onTailTimer(0);
    EXPECT_EQ(scene.tailAngle, -15);
    EXPECT_EQ(scene.tailSwingUp, 1);
    scene.tailAngle = 16; // still growing: turns at once
    f1();
    onTailTimer(0);
    EXPECT_EQ(scene.tailAngle, 15);
    EXPECT_EQ(scene.tailSwingUp, 0);
}
