// The gait: pose sampling from the mirrored half-cycle tables, the gait step
// with its head and body bob, gait switches, and the tail wag.
#include "support/gl_test.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "app/scene_state.h"
#include "gait/gait.h"
#include "tools/edits.h"

namespace {

class GaitTest : public SceneTest {};

const auto at = [](int walk, int frame, int substep) {
    scene.walkGait = walk, scene.gaitFrame = frame, scene.gaitSubstep = substep;
};

} // namespace

TEST_F(GaitTest, PosesSwapEachPairOfLegsInTheSecondHalfAndBlendBySubstep)
{
    // Each leg takes its partner's angles from half a cycle earlier (hind legs
    // 0 and 1, front legs 2 and 3), read from the table the scene holds.
    for (const Gait* gait : {&kRunGait, &kWalkGait})
        for (int k = 0; k < gait->cycleKeyframes; ++k)
            for (int leg = 0; leg < 4; ++leg)
                for (int j = 0; j < 4; ++j) {
                    at(gait == &kWalkGait, k, 0);
                    const int row = k < gait->storedKeyframes ? leg : leg ^ 1;
                    ASSERT_EQ(jointAngle(leg, j),
                              (scene.*gait->poses)[k % gait->storedKeyframes][row][j])
                        << k << leg << j;
                }
    // Between keyframes: the next one by tenths, 20 % past it at the run's sub-step 12.
    at(1, 0, 4);
    EXPECT_EQ(jointAngle(0, 1), -29.0f); // -35 towards -20
    at(1, 5, 6);
    EXPECT_EQ(jointAngle(0, 0), 11.0f); // keyframe 5 (stored 2, leg 1: 5) towards keyframe 0 (15)
    at(1, 2, 10);
    EXPECT_EQ(jointAngle(3, 1), 7.0f); // sub-step 10 is keyframe 3 (stored 0, leg 2: 7)
    at(0, 1, 12);
    EXPECT_EQ(jointAngle(1, 2), 27.0f); // 45 towards 30, 20 % past it
    at(0, 3, 12);
    EXPECT_NEAR(jointAngle(0, 0), -8.0f, 1e-5); // keyframe 3 wraps to 0: 10 towards -5
}

// The edit grammar's cases (tests/edit_cases.txt), which the page's reader
// passes too: each sets the cells it lists and no other, or is refused. What
// no edit can name, the table refuses too: a keyframe below 0, no such leg or
// joint, a NaN.
TEST_F(GaitTest, EditsReadAsThePageReadsThem)
{
    const SceneState start = scene;
    const auto tablesAre = [](const SceneState& expected) { // -0 and 0 alike, as the page has them
        for (PoseTable SceneState::* table : {&SceneState::walkPoses, &SceneState::runPoses}) {
            const float* angles = &(scene.*table)[0][0][0];
            if (!std::equal(angles, angles + sizeof(PoseTable) / sizeof(float),
                            &(expected.*table)[0][0][0]))
                return false;
        }
        return true;
    };
    EXPECT_FALSE(setStoredAngle(kRunGait, -1, 0, 0, 1) || setStoredAngle(kWalkGait, 0, 4, 1, 1) ||
                 setStoredAngle(kWalkGait, 0, 0, 4, 1) ||
                 setStoredAngle(kRunGait, 0, 0, 0, std::nan("")));
    EXPECT_TRUE(tablesAre(start));
    std::ifstream cases(EDIT_CASES);
    int count = 0;
    for (std::string line; std::getline(cases, line);) {
        const std::size_t arrow = line.find(" => ");
        if (line[0] == '#' || arrow == std::string::npos)
            continue;
        const std::string edits = line.substr(0, arrow) == "-" ? "" : line.substr(0, arrow);
        std::istringstream wanted(line.substr(arrow + 4));
        scene = start;
        const bool read = applyEdits(edits.c_str());
        ++count;
        if (wanted.str().rfind("refused", 0) == 0) {
            EXPECT_FALSE(read) << line;
            continue;
        }
        SceneState expected = start;
        for (double g, k, leg, joint, degrees; wanted >> g >> k >> leg >> joint >> degrees;
             wanted.ignore(1)) // the comma
            (expected.*(g == 0 ? kWalkGait : kRunGait).poses)[int(k)][int(leg)][int(joint)] =
                float(degrees);
        EXPECT_TRUE(read && tablesAre(expected)) << line;
    }
    EXPECT_GT(count, 30);
}

TEST_F(GaitTest, WalkAndRunCycles)
{
    for (int n = 1; n <= 72; ++n) {
        press(false, 'b');
        ASSERT_EQ(scene.gaitFrame, (n / 6) % 6) << n;
        ASSERT_EQ(scene.gaitSubstep, 2 * (n % 6)) << n;
        const int p = n % 30; // 1.5 a step up to 21, down to -1.5, back to 0
        ASSERT_EQ(scene.headAngle, p <= 14 ? 1.5f * p : 1.5f * (28 - p)) << n;
        const int s = n % 36; // up in keyframes 0 and 2, down in 1 and 3, still in 4 and 5
        const int bob = s >= 24 ? 0 : s / 6 % 2 ? 5 - s % 6 : s % 6;
        ASSERT_NEAR(scene.bodyBob, 0.01 * bob, 1e-6) << n;
    }
    press(true, GLUT_KEY_F1); // two walk cycles end where they began, but for the head
    scene.headAngle = 0.0f;
    scene.headRising = 1;
    for (int n = 1; n <= 40; ++n) {
        press(false, 'b');
        ASSERT_EQ(scene.gaitFrame, (n / 5) % 4) << n;
        ASSERT_EQ(scene.gaitSubstep, 3 * (n % 5)) << n;
        const int p = n % 14; // 3 a step up to 18, down to -3, back to 0
        ASSERT_EQ(scene.headAngle, p <= 6 ? 3.0f * p : 3.0f * (12 - p)) << n;
        ASSERT_NEAR(scene.bodyBob, 0.01 * (n / 5 % 2 ? 4 - n % 5 : n % 5), 1e-6) << n;
    }
    EXPECT_NEAR(scene.figureX, 2 * 1.08 + 2 * 2.4, 1e-4);
}

TEST_F(GaitTest, StepsFollowTheHeadingWhileForwardMotionIsOn)
{
    press(false, ',', 18); // heading 90: the head points along -z
    press(false, 'b');
    EXPECT_NEAR(scene.figureX, 0.0, 1e-7);
    EXPECT_NEAR(scene.figureZ, 1.47, 1e-6);
    press(true, GLUT_KEY_F11);
    press(false, 'b', 3);
    EXPECT_NEAR(scene.figureZ, 1.47, 1e-6);
}

TEST_F(GaitTest, SwitchesContinueTheCycleAndKeepTheHeadInRange)
{
    press(false, 'b', 8); // walk keyframe 1, sub-step 4, head 12
    press(true, GLUT_KEY_F1);
    press(false, 'b'); // run numbers from here on
    EXPECT_EQ(scene.gaitSubstep, 7);
    EXPECT_EQ(scene.headAngle, 15.0f);
    press(false, 'b', 2); // 10, then the next keyframe; the head turns only past 15
    EXPECT_EQ(scene.gaitFrame, 2);
    EXPECT_EQ(scene.headAngle, 15.0f); // 18, then down again
    scene.gaitSubstep = 9;
    press(true, GLUT_KEY_F1);
    press(false, 'b');
    EXPECT_EQ(scene.gaitSubstep, 11); // 9 + 2, reset at the next step
    press(false, 'b');
    EXPECT_EQ(scene.gaitFrame, 3);

    // A late switch to the run starts its cycle instead of reading empty keyframes.
    scene.gaitFrame = 5;
    scene.gaitSubstep = 4;
    press(true, GLUT_KEY_F1);
    EXPECT_EQ(scene.gaitFrame, 0);
    EXPECT_FLOAT_EQ(jointAngle(0, 1), -25.0f + (-35.0f + 25.0f) * 0.4f);

    // A head past either end of its range turns back into it whichever way it
    // was going (a switch to the run leaves it above 15, where it once flipped
    // on every step and ran away).
    for (const float head : {19.5f, -1.5f}) {
        scene.headAngle = head, scene.headRising = head < 0;
        gaitStep();
        EXPECT_EQ(scene.headAngle, head < 0 ? 1.5f : 16.5f);
    }
}

TEST_F(GaitTest, TailSweepsPastFifteenAndKeepsItsAngleAcrossSwitches)
{
    for (int n = 1; n <= 143; ++n) { // walk: 1 a tick, -16..16, every 64 ticks
        onTailTimer(0);
        const int p = n % 64;
        ASSERT_EQ(scene.tailAngle, p <= 16 ? p : p <= 48 ? 32 - p : p - 64) << n;
    }
    press(true, GLUT_KEY_F1); // run from 15, rising: 17, then 2 a tick down to -17, turning at -15
    for (int n = 1; n <= 19; ++n) {
        onTailTimer(0);
        ASSERT_EQ(scene.tailAngle, n <= 18 ? 19 - 2 * n : -15) << n;
    }
}
