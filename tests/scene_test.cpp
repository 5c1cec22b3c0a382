// Start-up, the key commands and whole frames, through the program's own
// handlers and its real window.
#include "support/gl_test.h"

#include <cmath>
#include <cstdlib>
#include <tuple>

#include "app/app.h"
#include "app/scene_state.h"
#include "gait/gait.h"
#include "input/input.h"
#include "scene/scene.h"

namespace {

class SceneCommands : public SceneTest {};

// Every member of the scene but the gait tables, which no key writes.
auto members(const SceneState& s)
{
    return std::tie(s.gaitFrame, s.gaitSubstep, s.walkGait, s.bodyBob, s.headAngle, s.headRising,
                    s.tailAngle, s.tailSwingUp, s.advanceOnStep, s.figureX, s.figureZ, s.heading,
                    s.lightingEnabled, s.treesVisible, s.cameraAngle, s.cameraX, s.cameraY,
                    s.cameraZ, s.lookX, s.lookY, s.lookZ, s.aspectRatio, s.quadric, s.neckAngle);
}

} // namespace

TEST_F(SceneCommands, StartArmsTheTailTimerNeedsTheQuadricAndEscapeEndsWithoutDrawing)
{
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EXIT(requireQuadric(nullptr), ::testing::ExitedWithCode(EXIT_FAILURE),
                "quadruped: cannot create the GLU quadric");
    registerHandlers();
    EXPECT_EQ(timerMs, 100u);
    onTailTimer(0);
    EXPECT_EQ(timerMs, 50u);
    beforeSwap = [] { std::_Exit(2); };
    EXPECT_EXIT(onKey(27, 0, 0), ::testing::ExitedWithCode(0), "");
    beforeSwap = nullptr;
}

TEST_F(SceneCommands, TurnsAndSwitches)
{
    press(false, ',', 72);
    EXPECT_EQ(scene.heading, 360.0f); // 5 degrees a press, never folded back
    press(false, '.');
    EXPECT_EQ(scene.heading, 355.0f);

    const struct {
        int key;
        int SceneState::* flag;
    } switches[] = {{GLUT_KEY_F7, &SceneState::lightingEnabled},
                    {GLUT_KEY_F8, &SceneState::treesVisible},
                    {GLUT_KEY_F11, &SceneState::advanceOnStep},
                    {GLUT_KEY_F1, &SceneState::walkGait}};
    for (const auto& s : switches) {
        scene.bodyBob = 0.04f;
        press(true, s.key);
        EXPECT_EQ(scene.*s.flag, 0) << s.key;
        press(true, s.key);
        EXPECT_EQ(scene.*s.flag, 1) << s.key;
    }
    EXPECT_EQ(scene.bodyBob, 0.0f); // F1 drops the body bob
}

TEST_F(SceneCommands, CameraTurnsInSinglePrecisionAndMovesHalfAUnit)
{
    press(true, GLUT_KEY_LEFT);
    press(true, GLUT_KEY_RIGHT);
    EXPECT_EQ(scene.cameraAngle, 0.0f);
    press(true, GLUT_KEY_UP);
    EXPECT_EQ(scene.cameraZ, 4.5f);
    press(true, GLUT_KEY_RIGHT, 20);
    EXPECT_EQ(scene.cameraAngle, std::nextafter(1.0f, 2.0f)); // 1.00000012
    press(true, GLUT_KEY_UP); // a growing yaw turns the view to the right
    EXPECT_NEAR(scene.cameraX, 0.5 * std::sin(1.0), 1e-6);
    EXPECT_NEAR(scene.cameraZ, 4.5 - 0.5 * std::cos(1.0), 1e-6);
    press(true, GLUT_KEY_DOWN);
    EXPECT_NEAR(scene.cameraX, 0.0, 1e-6);
}

TEST_F(SceneCommands, KeysWithoutACommandOnlyRedraw)
{
    scene.bodyBob = 0.02f;
    const SceneState before = scene;
    for (int k : {int('a'), int(' '), int('B'), int('<'), int('>'), 0, 255})
        press(false, k);
    for (int k :
         {GLUT_KEY_F2, GLUT_KEY_F12, GLUT_KEY_HOME, 112, -1, 1000, GLUT_KEY_F5, GLUT_KEY_F6})
        press(true, k);
    EXPECT_EQ(members(scene), members(before));
}

TEST_F(SceneCommands, FramePixels)
{
    glNormal3f(0.0f, 0.0f, -1.0f); // the lit ground shades the same whatever normal is left
    renderFrame();
    EXPECT_TRUE(pixelNear(320, 5, {28, 139, 28}));
    EXPECT_TRUE(pixelNear(320, 135, {167, 124, 93})); // the tree behind the figure
    EXPECT_TRUE(pixelNear(320, 329, {56, 167, 52}));  // its crown
    EXPECT_TRUE(pixelNear(300, 190, {184, 122, 31})); // the body

    scene.treesVisible = 0; // the trunk between the legs gives way to ground
    renderFrame();
    EXPECT_TRUE(pixelNear(320, 135, {28, 139, 28}));
    EXPECT_TRUE(pixelNear(300, 190, {184, 122, 31}));

    scene.lightingEnabled = 0;
    renderFrame();
    EXPECT_TRUE(pixelNear(320, 5, {13, 64, 13}));
    EXPECT_TRUE(pixelNear(20, 355, {0, 0, 0}));
}
