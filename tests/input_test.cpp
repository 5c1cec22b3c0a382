// Key commands: what each key changes, and that every key draws one frame.
#include "support/gl_test.h"

#include <cmath>
#include <cstdlib>

#include "app/scene_state.h"
#include "camera/camera.h"
#include "input/input.h"

namespace {

class InputTest : public SceneTest {
protected:
    // Sends a key and checks the handler's frame: exactly one swap, no GL
    // error, both matrix stacks as deep as before, no redisplay requested.
    template <typename Send> void press(Send send)
    {
        const int swaps = swapCount();
        const int redisplays = redisplayRequestCount();
        send();
        EXPECT_EQ(swapCount(), swaps + 1);
        EXPECT_EQ(redisplayRequestCount(), redisplays);
        EXPECT_NO_GL_ERROR();
        EXPECT_EQ(modelviewDepth(), 1);
        EXPECT_EQ(projectionDepth(), 1);
    }
    void key(unsigned char k, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            press([k] { onKey(k, 17, 23); });
    }
    void special(int k, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            press([k] { onSpecialKey(k, 17, 23); });
    }

    // Where a world point lands in eye coordinates under the current view.
    Vec3 inEye(double x, double y, double z)
    {
        const auto m = modelviewMatrix();
        return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
                m[2] * x + m[6] * y + m[10] * z + m[14]};
    }
    // The view looks from the eye along the look direction, level.
    void expectViewFollowsCamera()
    {
        const Vec3 ahead = inEye(scene.cameraX + 10.0 * scene.lookX, scene.cameraY,
                                 scene.cameraZ + 10.0 * scene.lookZ);
        EXPECT_NEAR(ahead.x, 0.0, 1e-4);
        EXPECT_NEAR(ahead.y, 0.0, 1e-4);
        EXPECT_NEAR(ahead.z, -10.0, 1e-4);
    }
};

// Every variable that a handler may change, compared exactly.
void expectSameState(const SceneState& a, const SceneState& b)
{
#define SAME(field) EXPECT_EQ(a.field, b.field) << #field
    SAME(gaitFrame);
    SAME(gaitSubstep);
    SAME(walkGait);
    SAME(bodyBob);
    SAME(headAngle);
    SAME(headRising);
    SAME(tailAngle);
    SAME(tailSwingUp);
    SAME(advanceOnStep);
    SAME(figureX);
    SAME(figureZ);
    SAME(heading);
    SAME(lightingEnabled);
    SAME(treesVisible);
    SAME(cameraAngle);
    SAME(cameraX);
    SAME(cameraY);
    SAME(cameraZ);
    SAME(lookX);
    SAME(lookY);
    SAME(lookZ);
    SAME(aspectRatio);
#undef SAME
}

} // namespace

TEST_F(InputTest, CommaAndPeriodTurnTheFigureWithoutWrapping)
{
    key(',');
    EXPECT_EQ(scene.heading, 5.0f);
    key('.');
    EXPECT_EQ(scene.heading, 0.0f);
    key(',', 72);
    EXPECT_EQ(scene.heading, 360.0f);
    key('.', 80);
    EXPECT_EQ(scene.heading, -40.0f);
}

TEST_F(InputTest, SwitchesToggleAndTwicePressedRestore)
{
    struct {
        int key;
        int SceneState::*flag;
    } switches[] = {{GLUT_KEY_F7, &SceneState::lightingEnabled},
                    {GLUT_KEY_F8, &SceneState::treesVisible},
                    {GLUT_KEY_F11, &SceneState::advanceOnStep},
                    {GLUT_KEY_F1, &SceneState::walkGait}};
    for (const auto& s : switches) {
        SCOPED_TRACE(s.key);
        special(s.key);
        EXPECT_EQ(scene.*s.flag, 0);
        special(s.key);
        EXPECT_EQ(scene.*s.flag, 1);
    }
    // F1 leaves the body bob at 0 whatever it was.
    scene.bodyBob = 0.04f;
    special(GLUT_KEY_F1, 2);
    EXPECT_EQ(scene.bodyBob, 0.0f);
}

TEST_F(InputTest, CameraTurnsAccumulateInSinglePrecision)
{
    special(GLUT_KEY_LEFT);
    special(GLUT_KEY_RIGHT);
    EXPECT_EQ(scene.cameraAngle, 0.0f);
    EXPECT_EQ(scene.lookX, 0.0f);
    EXPECT_EQ(scene.lookZ, -1.0f);

    special(GLUT_KEY_RIGHT, 20);
    EXPECT_EQ(scene.cameraAngle, std::nextafter(1.0f, 2.0f)); // 1.00000012
    EXPECT_EQ(scene.lookX, static_cast<float>(std::sin(double(scene.cameraAngle))));
    EXPECT_EQ(scene.lookZ, static_cast<float>(-std::cos(double(scene.cameraAngle))));
    EXPECT_GT(scene.lookX, 0.8f);   // a growing yaw turns the view to the right (+x)
    EXPECT_EQ(scene.cameraX, 0.0f); // turning moves no eye
    EXPECT_EQ(scene.cameraZ, 5.0f);
    expectViewFollowsCamera();
}

TEST_F(InputTest, CameraMovesHalfAUnitAlongItsView)
{
    special(GLUT_KEY_UP);
    EXPECT_EQ(scene.cameraZ, 4.5f);
    EXPECT_EQ(scene.cameraX, 0.0f);
    expectViewFollowsCamera();

    special(GLUT_KEY_RIGHT, 10); // yaw 0.5
    const float x = scene.cameraX, z = scene.cameraZ;
    special(GLUT_KEY_UP);
    EXPECT_NEAR(scene.cameraX - x, 0.5 * std::sin(0.5), 1e-6);
    EXPECT_NEAR(scene.cameraZ - z, -0.5 * std::cos(0.5), 1e-6);
    special(GLUT_KEY_DOWN);
    EXPECT_NEAR(scene.cameraX, x, 1e-6);
    EXPECT_NEAR(scene.cameraZ, z, 1e-6);
    EXPECT_EQ(scene.cameraY, 0.75f);
    EXPECT_EQ(scene.lookY, 0.0f);
    expectViewFollowsCamera();
}

TEST_F(InputTest, ReshapeKeepsTheViewAndGuardsAZeroHeight)
{
    special(GLUT_KEY_RIGHT, 3);
    special(GLUT_KEY_UP);
    const auto view = modelviewMatrix();
    onReshape(300, 0);
    EXPECT_EQ(scene.aspectRatio, 300.0f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 300);
    EXPECT_EQ(viewport[3], 1);
    EXPECT_EQ(modelviewMatrix(), view);
    onReshape(640, 360);
    EXPECT_FLOAT_EQ(scene.aspectRatio, 640.0f / 360.0f);
    EXPECT_EQ(modelviewMatrix(), view);
}

TEST_F(InputTest, KeysWithoutACommandOnlyRedraw)
{
    const unsigned char plain[] = {'a', ' ', 'B', '<', '>', 'q', 0, 255, '\r'};
    const int specials[] = {GLUT_KEY_F2,
                            GLUT_KEY_F3,
                            GLUT_KEY_F4,
                            GLUT_KEY_F9,
                            GLUT_KEY_F10,
                            GLUT_KEY_F12,
                            GLUT_KEY_PAGE_UP,
                            GLUT_KEY_HOME,
                            GLUT_KEY_END,
                            GLUT_KEY_INSERT,
                            112 /* Shift */,
                            114 /* Ctrl */,
                            0,
                            -1,
                            1000};
    scene.bodyBob = 0.02f;
    const SceneState before = scene;
    for (unsigned char k : plain)
        key(k);
    for (int k : specials)
        special(k);
    expectSameState(scene, before);
}

TEST_F(InputTest, FullScreenAndStartSizeAreRequestsThatStillRedraw)
{
    const SceneState before = scene;
    special(GLUT_KEY_F5);
    special(GLUT_KEY_F6);
    expectSameState(scene, before);
    // The toolkit acts on them later, through a reshape of the real window.
    for (int i = 0; i < 20; ++i)
        glutMainLoopEvent();
    EXPECT_EQ(glutGet(GLUT_WINDOW_WIDTH), 640);
    EXPECT_EQ(glutGet(GLUT_WINDOW_HEIGHT), 360);
}

TEST_F(InputTest, EscapeEndsTheProcessWithoutDrawing)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static int swapsAtEscape;
            swapsAtEscape = swapCount();
            std::atexit([] {
                std::fprintf(stderr, "frames after Escape: %d\n", swapCount() - swapsAtEscape);
            });
            onKey(27, 0, 0);
            std::fprintf(stderr, "Escape returned\n");
        },
        ::testing::ExitedWithCode(0), "frames after Escape: 0\n$");
}
