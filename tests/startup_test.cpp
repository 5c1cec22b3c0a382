// Start-up: the window the program opens, its floating-point set-up, the
// quadric check, and the start values of the scene state.
#include "support/gl_test.h"

#include <cfenv>
#include <cmath>
#include <cstring>

#include "app/app.h"
#include "app/scene_state.h"
#include "input/input.h"

namespace {

class StartupTest : public SceneTest {};

} // namespace

TEST_F(StartupTest, WindowIsDoubleBufferedRgbWithDepthAtTheStartSize)
{
    EXPECT_EQ(glutGet(GLUT_WINDOW_WIDTH), 640);
    EXPECT_EQ(glutGet(GLUT_WINDOW_HEIGHT), 360);
    EXPECT_EQ(glutGet(GLUT_WINDOW_DOUBLEBUFFER), 1);
    EXPECT_EQ(glutGet(GLUT_WINDOW_RGBA), 1);
    EXPECT_GT(glutGet(GLUT_WINDOW_DEPTH_SIZE), 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_LESS);
}

TEST_F(StartupTest, TitleIsHeldAsLatin1Bytes)
{
    const char* title = SceneState::windowTitle;
    ASSERT_EQ(std::strlen(title), 30u);
    EXPECT_EQ(std::strncmp(title, "Trabalho de computa", 19), 0);
    EXPECT_EQ(static_cast<unsigned char>(title[19]), 0xE7);
    EXPECT_EQ(static_cast<unsigned char>(title[20]), 0xE3);
    EXPECT_EQ(static_cast<unsigned char>(title[25]), 0xE1);
    EXPECT_STREQ(title + 26, "fica");
}

TEST_F(StartupTest, NoFloatingPointOperationTraps)
{
    EXPECT_EQ(fegetexcept(), 0);
    // Operations that would raise every exception complete with IEEE results.
    volatile float zero = 0.0f, big = 3e38f, tiny = 1e-38f;
    EXPECT_TRUE(std::isinf(1.0f / zero));
    EXPECT_TRUE(std::isnan(zero / zero));
    EXPECT_TRUE(std::isinf(big * 10.0f));
    EXPECT_GE(tiny / 1e10f, 0.0f);
}

TEST_F(StartupTest, QuadricExistsAndAMissingOneStopsTheProgram)
{
    EXPECT_NE(scene.quadric, nullptr);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(requireQuadric(nullptr), ::testing::ExitedWithCode(EXIT_FAILURE),
                "quadruped: cannot create the GLU quadric");
}

TEST_F(StartupTest, ResetRestoresEveryStartValueButKeepsTheQuadric)
{
    GLUquadric* const quadric = scene.quadric;
    for (int i = 0; i < 7; ++i)
        onKey('b', 0, 0);
    onSpecialKey(GLUT_KEY_F1, 0, 0);
    onSpecialKey(GLUT_KEY_RIGHT, 0, 0);
    onSpecialKey(GLUT_KEY_UP, 0, 0);
    onSpecialKey(GLUT_KEY_F7, 0, 0);
    onKey(',', 0, 0);
    scene.walkPoses[0][0][0] = 99.0f;

    resetSceneState();
    const SceneState start;
    EXPECT_EQ(scene.quadric, quadric);
    EXPECT_EQ(scene.gaitFrame, 0);
    EXPECT_EQ(scene.gaitSubstep, 0);
    EXPECT_EQ(scene.walkGait, 1);
    EXPECT_EQ(scene.headAngle, 0.0f);
    EXPECT_EQ(scene.headRising, 1);
    EXPECT_EQ(scene.tailSwingUp, 1);
    EXPECT_EQ(scene.figureX, 0.0f);
    EXPECT_EQ(scene.figureZ, 1.5f);
    EXPECT_EQ(scene.heading, 0.0f);
    EXPECT_EQ(scene.lightingEnabled, 1);
    EXPECT_EQ(scene.treesVisible, 1);
    EXPECT_EQ(scene.advanceOnStep, 1);
    EXPECT_EQ(scene.cameraAngle, start.cameraAngle);
    EXPECT_EQ(scene.cameraX, 0.0f);
    EXPECT_EQ(scene.cameraY, 0.75f);
    EXPECT_EQ(scene.cameraZ, 5.0f);
    EXPECT_EQ(scene.lookX, 0.0f);
    EXPECT_EQ(scene.lookZ, -1.0f);
    EXPECT_EQ(scene.aspectRatio, 0.0f);
    EXPECT_EQ(scene.walkPoses[0][0][0], 15.0f);
    EXPECT_EQ(scene.neckAngle, 90.0f);
}
