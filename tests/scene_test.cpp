// Start-up, the key commands and whole frames, through the program's own
// handlers and its real window.
#include "support/gl_test.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"
#include "input/input.h"
#include "scene/scene.h"

namespace {

class SceneCommands : public SceneTest {
protected:
    // Sends a key; the handler must draw exactly one frame at once and ask for
    // no redisplay (the fuzz test sees to the GL state after every event).
    void press(bool special, int k, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            const int swaps = toolkitCalls.swaps, redisplays = toolkitCalls.redisplays;
            special ? onSpecialKey(k, 17, 23) : onKey(static_cast<unsigned char>(k), 17, 23);
            ASSERT_EQ(toolkitCalls.swaps, swaps + 1) << k;
            ASSERT_EQ(toolkitCalls.redisplays, redisplays) << k;
        }
    }
};

} // namespace

TEST_F(SceneCommands, StartUpOpensTheWindowAndArmsTheTailTimer)
{
    EXPECT_EQ(glutGet(GLUT_WINDOW_WIDTH), 640);
    EXPECT_EQ(glutGet(GLUT_WINDOW_HEIGHT), 360);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_NE(scene.quadric, nullptr);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(requireQuadric(nullptr), ::testing::ExitedWithCode(EXIT_FAILURE),
                "quadruped: cannot create the GLU quadric");
    registerHandlers();
    EXPECT_EQ(toolkitCalls.timerMs, 100u);
    onTailTimer(0);
    EXPECT_EQ(toolkitCalls.timerMs, 50u);
}

TEST_F(SceneCommands, TurnsAndSwitches)
{
    press(false, ',');
    EXPECT_EQ(scene.heading, 5.0f);
    press(false, '.');
    EXPECT_EQ(scene.heading, 0.0f);
    press(false, ',', 72);
    EXPECT_EQ(scene.heading, 360.0f); // never folded back

    const struct {
        int key;
        int SceneState::*flag;
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
    EXPECT_GT(scene.lookX, 0.8f); // a growing yaw turns the view to the right
    EXPECT_EQ(scene.cameraX, 0.0f);

    const float x = scene.cameraX, z = scene.cameraZ;
    press(true, GLUT_KEY_UP);
    EXPECT_NEAR(scene.cameraX - x, 0.5 * std::sin(1.0), 1e-6);
    EXPECT_NEAR(scene.cameraZ - z, -0.5 * std::cos(1.0), 1e-6);
    press(true, GLUT_KEY_DOWN);
    EXPECT_NEAR(scene.cameraX, x, 1e-6);
    EXPECT_EQ(scene.cameraY, 0.75f);
}

TEST_F(SceneCommands, KeysWithoutACommandAndRequestsOnlyRedraw)
{
    scene.bodyBob = 0.02f;
    const SceneState before = scene;
    for (int k : {int('a'), int(' '), int('B'), int('<'), int('>'), 0, 255})
        press(false, k);
    for (int k :
         {GLUT_KEY_F2, GLUT_KEY_F12, GLUT_KEY_HOME, 112, -1, 1000, GLUT_KEY_F5, GLUT_KEY_F6})
        press(true, k);
    // Every variable a key may change lies before the quadric, packed without gaps.
    EXPECT_EQ(std::memcmp(&scene, &before, offsetof(SceneState, quadric)), 0);
    EXPECT_EQ(scene.bodyBob, 0.02f);
    // The toolkit acts on F5 and F6 later; F6 leaves the window at the start size.
    for (int i = 0; i < 20; ++i)
        glutMainLoopEvent();
    EXPECT_EQ(glutGet(GLUT_WINDOW_WIDTH), 640);
}

TEST_F(SceneCommands, EscapeEndsTheProcessWithoutDrawing)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static int swapsAtEscape;
            swapsAtEscape = toolkitCalls.swaps;
            std::atexit([] {
                std::fprintf(stderr, "frames after Escape: %d\n",
                             toolkitCalls.swaps - swapsAtEscape);
            });
            onKey(27, 0, 0);
        },
        ::testing::ExitedWithCode(0), "frames after Escape: 0\n$");
}

TEST_F(SceneCommands, FramePixels)
{
    // Whatever normal the last primitive left, the lit ground shades the same.
    glNormal3f(0.0f, 0.0f, -1.0f);
    const auto view = glFloats<16>(GL_MODELVIEW_MATRIX);
    renderFrame();
    EXPECT_EQ(glFloats<16>(GL_MODELVIEW_MATRIX), view);
    const auto lit = backPixel(320, 5), trunk = backPixel(320, 135), body = backPixel(300, 190);
    glNormal3f(1.0f, 0.0f, 0.0f);
    renderFrame();
    EXPECT_EQ(backPixel(320, 5), lit);
    EXPECT_TRUE(near(lit, {28, 139, 28}));
    EXPECT_TRUE(near(trunk, {167, 124, 93}));

    scene.treesVisible = 0; // the trunk between the legs gives way to ground
    renderFrame();
    EXPECT_TRUE(near(backPixel(320, 135), {28, 139, 28}));
    EXPECT_EQ(backPixel(300, 190), body);

    scene.lightingEnabled = 0;
    renderFrame();
    EXPECT_TRUE(near(backPixel(320, 5), {13, 64, 13}));
    EXPECT_TRUE(near(backPixel(20, 355), {0, 0, 0}));
}
