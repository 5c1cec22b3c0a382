#include "support/gl_test.h"

#include <algorithm>
#include <cstdlib>

#include "app/app.h"
#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"

namespace {

constexpr int kFeedbackViewport = 1000;
constexpr double kFeedbackHalfSize = 5.0;

} // namespace

ToolkitCalls toolkitCalls;
std::function<void()> beforeSwap;

extern "C" {
void __real_glutSwapBuffers();
void __wrap_glutSwapBuffers()
{
    ++toolkitCalls.swaps;
    if (beforeSwap)
        beforeSwap();
    __real_glutSwapBuffers();
}
void __real_glutPostRedisplay();
void __wrap_glutPostRedisplay()
{
    ++toolkitCalls.redisplays;
    __real_glutPostRedisplay();
}
void __real_glutTimerFunc(unsigned ms, void (*callback)(int), int value);
void __wrap_glutTimerFunc(unsigned ms, void (*callback)(int), int value)
{
    toolkitCalls.timerMs = ms;
    __real_glutTimerFunc(ms, callback, value);
}
}

GLint stackDepth(GLenum which)
{
    GLint depth = 0;
    glGetIntegerv(which, &depth);
    return depth;
}

std::array<int, 3> backPixel(int x, int y)
{
    GLubyte rgb[3] = {};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

bool near(const std::array<int, 3>& p, const std::array<int, 3>& rgb)
{
    return std::abs(p[0] - rgb[0]) <= 3 && std::abs(p[1] - rgb[1]) <= 3 &&
           std::abs(p[2] - rgb[2]) <= 3;
}

Vec3 toEye(const Vec3& w)
{
    const auto m = glFloats<16>(GL_MODELVIEW_MATRIX);
    return {m[0] * w.x + m[4] * w.y + m[8] * w.z + m[12],
            m[1] * w.x + m[5] * w.y + m[9] * w.z + m[13],
            m[2] * w.x + m[6] * w.y + m[10] * w.z + m[14]};
}

std::vector<FeedbackVertex> feedbackVertices(const std::function<void()>& draw)
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_LIGHTING);
    glViewport(0, 0, kFeedbackViewport, kFeedbackViewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    const double h = kFeedbackHalfSize;
    glOrtho(-h, h, -h, h, -h, h);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    std::vector<GLfloat> buffer(8 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    EXPECT_GE(used, 0) << "feedback buffer overflow";

    // Only polygons are drawn; window coordinates go back to the ortho box.
    std::vector<FeedbackVertex> vertices;
    for (GLint i = 0; i < used;) {
        EXPECT_EQ(buffer[i++], GL_POLYGON_TOKEN);
        const int count = static_cast<int>(buffer[i++]);
        for (int v = 0; v < count; ++v, i += 7) {
            const GLfloat* w = &buffer[i];
            const double s = 2 * h / kFeedbackViewport;
            vertices.push_back({{-h + w[0] * s, -h + w[1] * s, -(2.0 * w[2] - 1.0) * h},
                                {w[3], w[4], w[5], w[6]}});
        }
    }
    return vertices;
}

std::pair<Vec3, Vec3> bounds(const std::vector<FeedbackVertex>& v)
{
    Vec3 lo = v.at(0).p, hi = lo;
    for (const FeedbackVertex& f : v) {
        lo = {std::min(lo.x, f.p.x), std::min(lo.y, f.p.y), std::min(lo.z, f.p.z)};
        hi = {std::max(hi.x, f.p.x), std::max(hi.y, f.p.y), std::max(hi.z, f.p.z)};
    }
    return {lo, hi};
}

void SceneTest::SetUp()
{
    resetSceneState();
    glMatrixMode(GL_MODELVIEW);
    onReshape(640, 360);
    while (glGetError() != GL_NO_ERROR) {
    }
}

void SceneTest::TearDown()
{
    EXPECT_NO_GL_ERROR();
    EXPECT_EQ(stackDepth(GL_MODELVIEW_STACK_DEPTH), 1);
    EXPECT_EQ(stackDepth(GL_PROJECTION_STACK_DEPTH), 1);
}

// The real window, opened through the program's own start-up once per test
// process. Without a display glutInit exits with status 1: the binary fails.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    int glutArgc = 1;
    setUpWindow(&glutArgc, argv);
    registerHandlers();
    initGaitTables();
    return RUN_ALL_TESTS();
}
