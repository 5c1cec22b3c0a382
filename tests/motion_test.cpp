// The gait step and the tail wag, driven through the real handlers.
#include "support/gl_test.h"

#include "app/scene_state.h"
#include "gait/gait.h"
#include "input/input.h"

namespace {

class MotionTest : public SceneTest {
protected:
    void pressB(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            onKey('b', 0, 0);
    }
    void switchGait()
    {
        onSpecialKey(GLUT_KEY_F1, 0, 0);
    }
};

} // namespace

TEST_F(MotionTest, WalkCycleTakesSixStepsPerKeyframe)
{
    for (int n = 1; n <= 72; ++n) {
        pressB();
        ASSERT_EQ(scene.gaitFrame, (n / 6) % 6) << "step " << n;
        ASSERT_EQ(scene.gaitSubstep, 2 * (n % 6)) << "step " << n;
        // Head: 1.5 a step up to 21, down to -1.5, back to 0 every 30 steps.
        const int p = n % 30;
        ASSERT_EQ(scene.headAngle, p <= 14 ? 1.5f * p : 1.5f * (28 - p)) << "step " << n;
        // Body: up 0.05 in keyframe 0, down in 1, up in 2, down in 3, still in 4 and 5.
        const int frameStep = n % 36;
        const double bob = frameStep <= 5    ? 0.01 * frameStep
                           : frameStep <= 11 ? 0.05 - 0.01 * (frameStep - 6)
                           : frameStep <= 17 ? 0.01 * (frameStep - 12)
                           : frameStep <= 23 ? 0.05 - 0.01 * (frameStep - 18)
                                             : 0.0;
        ASSERT_NEAR(scene.bodyBob, bob, 1e-6) << "step " << n;
    }
    EXPECT_NEAR(scene.figureX, 2 * 1.08, 1e-5); // 0.03 a step along +x
    EXPECT_EQ(scene.figureZ, 1.5f);
}

TEST_F(MotionTest, RunCycleTakesFiveStepsPerKeyframeAndOvershoots)
{
    switchGait();
    for (int n = 1; n <= 40; ++n) {
        pressB();
        ASSERT_EQ(scene.gaitFrame, (n / 5) % 4) << "step " << n;
        ASSERT_EQ(scene.gaitSubstep, 3 * (n % 5)) << "step " << n;
        // Head: 3 a step up to 18, down to -3, back to 0 every 14 steps.
        const int p = n % 14;
        ASSERT_EQ(scene.headAngle, p <= 6 ? 3.0f * p : 3.0f * (12 - p)) << "step " << n;
        // Body: up 0.04 in keyframes 0 and 2, down 0.04 in 1 and 3.
        const int inFrame = n % 5, frame = (n / 5) % 4;
        const double bob = frame % 2 == 0 ? 0.01 * inFrame : 0.04 - 0.01 * inFrame;
        ASSERT_NEAR(scene.bodyBob, bob, 1e-6) << "step " << n;
    }
    EXPECT_NEAR(scene.figureX, 2 * 2.4, 1e-5);
}

TEST_F(MotionTest, HeadBobTurnsOnlyAfterSteppingPastItsLimits)
{
    switchGait(); // run: limit 15, step 3
    scene.headAngle = 15.0f;
    pressB();
    EXPECT_EQ(scene.headAngle, 18.0f);
    EXPECT_EQ(scene.headRising, 1);
    pressB();
    EXPECT_EQ(scene.headAngle, 15.0f);
    EXPECT_EQ(scene.headRising, 0);

    scene.headAngle = 0.0f;
    pressB();
    EXPECT_EQ(scene.headAngle, -3.0f);
    pressB();
    EXPECT_EQ(scene.headAngle, 0.0f);
    EXPECT_EQ(scene.headRising, 1);
}

TEST_F(MotionTest, GaitSwitchContinuesTheCycleWhereItStands)
{
    pressB(8); // walk keyframe 1, sub-step 4, head 12
    scene.bodyBob = 0.03f;
    switchGait();
    EXPECT_EQ(scene.walkGait, 0);
    EXPECT_EQ(scene.bodyBob, 0.0f);
    EXPECT_EQ(scene.gaitFrame, 1);
    EXPECT_EQ(scene.gaitSubstep, 4);
    EXPECT_EQ(scene.headAngle, 12.0f);

    pressB(); // run constants from here on
    EXPECT_EQ(scene.gaitSubstep, 7);
    EXPECT_EQ(scene.headAngle, 15.0f);
    EXPECT_NEAR(scene.bodyBob, -0.01, 1e-7);
    pressB();
    EXPECT_EQ(scene.gaitSubstep, 10);
    pressB();
    EXPECT_EQ(scene.gaitFrame, 2);
    EXPECT_EQ(scene.gaitSubstep, 0);
    EXPECT_EQ(scene.headAngle, 15.0f); // turned down from 18

    // Switching back keeps everything but the bob; sub-step 9 + 2 reaches 11.
    scene.gaitSubstep = 9;
    switchGait();
    EXPECT_EQ(scene.walkGait, 1);
    pressB();
    EXPECT_EQ(scene.gaitSubstep, 11);
    pressB();
    EXPECT_EQ(scene.gaitSubstep, 0);
    EXPECT_EQ(scene.gaitFrame, 3);
}

TEST_F(MotionTest, LateSwitchToRunStartsTheRunCycle)
{
    pressB(32); // walk keyframe 5, sub-step 4
    ASSERT_EQ(scene.gaitFrame, 5);
    switchGait();
    EXPECT_EQ(scene.gaitFrame, 0);
    EXPECT_EQ(scene.gaitSubstep, 4);
    // The legs blend from the run's first stored keyframe, never from empty slots.
    EXPECT_FLOAT_EQ(jointAngle(0, 1), -25.0f + (-35.0f + 25.0f) * 0.4f);
    pressB();
    EXPECT_EQ(scene.gaitFrame, 0);
    EXPECT_EQ(scene.gaitSubstep, 7);

    switchGait(); // back to the walk: every run keyframe exists there
    pressB(3);    // sub-steps 9, 11, then the next keyframe
    EXPECT_EQ(scene.gaitFrame, 1);
    switchGait();
    EXPECT_EQ(scene.gaitFrame, 1);
}

TEST_F(MotionTest, HeadStaysInRangeThroughAlternatingGaitSwitches)
{
    pressB(7);
    for (int pair = 0; pair < 5000; ++pair) {
        switchGait();
        pressB();
        ASSERT_GE(scene.headAngle, -3.0f) << "pair " << pair;
        ASSERT_LE(scene.headAngle, 21.0f) << "pair " << pair;
    }
    // Left past the run's limit by the walk, the head comes back down.
    scene.walkGait = 1;
    scene.headAngle = 19.5f;
    scene.headRising = 1;
    switchGait();
    pressB();
    EXPECT_EQ(scene.headAngle, 16.5f);
    EXPECT_EQ(scene.headRising, 0);
}

TEST_F(MotionTest, StepsMoveTheFigureAlongItsHeadingWhileMotionIsOn)
{
    pressB();
    EXPECT_FLOAT_EQ(scene.figureX, 0.03f);
    EXPECT_EQ(scene.figureZ, 1.5f);

    for (int i = 0; i < 18; ++i)
        onKey(',', 0, 0); // heading 90: the head points along -z
    const float x = scene.figureX;
    pressB();
    EXPECT_NEAR(scene.figureX, x, 1e-7);
    EXPECT_NEAR(scene.figureZ, 1.47, 1e-6);

    onSpecialKey(GLUT_KEY_F11, 0, 0);
    const SceneState before = scene;
    pressB(3);
    EXPECT_EQ(scene.figureX, before.figureX);
    EXPECT_EQ(scene.figureZ, before.figureZ);
    EXPECT_NE(scene.gaitSubstep, before.gaitSubstep);
    EXPECT_NE(scene.headAngle, before.headAngle);
}

TEST_F(MotionTest, TailSweepsAndTurnsPastFifteen)
{
    // Walk: 1 a tick, -16..16, every 64 ticks.
    for (int n = 1; n <= 128; ++n) {
        onTailTimer(0);
        const int p = n % 64;
        ASSERT_EQ(scene.tailAngle, p <= 16 ? p : p <= 48 ? 32 - p : p - 64) << "tick " << n;
    }
    // Run from an even angle: 2 a tick, -16..16, every 32 ticks.
    switchGait();
    for (int n = 1; n <= 64; ++n) {
        onTailTimer(0);
        const int p = n % 32;
        ASSERT_EQ(scene.tailAngle, p <= 8    ? 2 * p
                                   : p <= 24 ? 2 * (16 - p)
                                             : 2 * (p - 32))
            << "tick " << n;
    }
}

TEST_F(MotionTest, TailKeepsAnOddAngleAcrossAGaitSwitch)
{
    for (int n = 0; n < 15; ++n)
        onTailTimer(0);
    ASSERT_EQ(scene.tailAngle, 15);
    switchGait(); // run from 15: 17, 15, 13, ... -17, ... every 34 ticks
    const int expected[] = {17, 15, 13};
    for (int want : expected) {
        onTailTimer(0);
        EXPECT_EQ(scene.tailAngle, want);
    }
    EXPECT_EQ(scene.tailSwingUp, 0);
    for (int n = 0; n < 15; ++n)
        onTailTimer(0);
    EXPECT_EQ(scene.tailAngle, -17);
    onTailTimer(0);
    EXPECT_EQ(scene.tailAngle, -15);
    EXPECT_EQ(scene.tailSwingUp, 1);

    // Back in the walk gait an angle of 17 steps down to 16.
    scene.tailAngle = 17;
    switchGait();
    onTailTimer(0);
    EXPECT_EQ(scene.tailAngle, 16);
    // 16 still growing turns at once.
    scene.tailAngle = 16;
    scene.tailSwingUp = 1;
    onTailTimer(0);
    EXPECT_EQ(scene.tailAngle, 15);
    EXPECT_EQ(scene.tailSwingUp, 0);
}

TEST_F(MotionTest, EveryTailTickDrawsOneFrame)
{
    for (int walk = 0; walk <= 1; ++walk) {
        scene.walkGait = walk;
        const int swaps = swapCount();
        const auto view = modelviewMatrix();
        onTailTimer(0);
        EXPECT_EQ(swapCount(), swaps + 1);
        EXPECT_EQ(modelviewMatrix(), view);
        EXPECT_NO_GL_ERROR();
    }
    EXPECT_EQ(redisplayRequestCount(), 0);
}
