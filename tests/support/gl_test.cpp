#include "support/gl_test.h"

#include "app/app.h"
#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"
#include "input/input.h"

int redisplays = 0;
unsigned timerMs = 0;

extern "C" {
void __real_glutPostRedisplay();
void __wrap_glutPostRedisplay()
{
    ++redisplays;
    __real_glutPostRedisplay();
}
void __real_glutTimerFunc(unsigned ms, void (*callback)(int), int value);
void __wrap_glutTimerFunc(unsigned ms, void (*callback)(int), int value)
{
    timerMs = ms;
    __real_glutTimerFunc(ms, callback, value);
}
}

GLint glInteger(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

void SceneTest::SetUp()
{
    resetSceneState();
    onReshape(kStartWidth, kStartHeight);
    while (glGetError() != GL_NO_ERROR) {
    }
}

void SceneTest::press(bool special, int key, int times)
{
    for (int i = 0; i < times; ++i) {
        const int swaps = swapCount, redisplaysBefore = redisplays;
        special ? onSpecialKey(key, 17, 23) : onKey(static_cast<unsigned char>(key), 17, 23);
        ASSERT_EQ(swapCount, swaps + 1) << key;
        ASSERT_EQ(redisplays, redisplaysBefore) << key;
    }
}

void SceneTest::TearDown()
{
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(glInteger(GL_MODELVIEW_STACK_DEPTH), 1);
    EXPECT_EQ(glInteger(GL_PROJECTION_STACK_DEPTH), 1);
}

// The real window, opened through the program's own start-up once per test
// process. Without a display glutInit exits with status 1: the binary fails.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // no fork of a process holding X and GL
    int glutArgc = 1;
    setUpWindow(&glutArgc, argv);
    registerHandlers();
    initGaitTables();
    return RUN_ALL_TESTS();
}
