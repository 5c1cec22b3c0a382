#include "support/gl_test.h"

#include <algorithm>
#include <cstdio>

#include "app/app.h"
#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"

namespace {

int swaps = 0;
int redisplays = 0;

// Opens the real window through the program's own start-up, once per process.
// Without a display glutInit exits with status 1: the test binary fails.
class WindowEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static char name[] = "quadruped-test";
        static char* argv[] = {name, nullptr};
        int argc = 1;
        setUpWindow(&argc, argv);
        registerHandlers();
        initGaitTables();
    }
};

constexpr int kFeedbackViewport = 1000;
constexpr double kFeedbackHalfSize = 5.0; // the ortho box is +-5 on every axis

} // namespace

std::function<void()> beforeSwap;

extern "C" {
void __real_glutSwapBuffers();
void __wrap_glutSwapBuffers()
{
    ++swaps;
    if (beforeSwap)
        beforeSwap();
    __real_glutSwapBuffers();
}
void __real_glutPostRedisplay();
void __wrap_glutPostRedisplay()
{
    ++redisplays;
    __real_glutPostRedisplay();
}
}

int swapCount()
{
    return swaps;
}

int redisplayRequestCount()
{
    return redisplays;
}

GLint modelviewDepth()
{
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    return depth;
}

GLint projectionDepth()
{
    GLint depth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    return depth;
}

std::array<GLfloat, 16> modelviewMatrix()
{
    std::array<GLfloat, 16> m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

std::array<GLfloat, 4> currentColour()
{
    std::array<GLfloat, 4> c{};
    glGetFloatv(GL_CURRENT_COLOR, c.data());
    return c;
}

std::array<int, 3> backPixel(int x, int y)
{
    GLubyte rgb[3] = {};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

std::vector<FeedbackVertex> feedbackVertices(const std::function<void()>& draw)
{
    // Culling would drop back faces before feedback; the box holds the figure.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_CULL_FACE);
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

    // Window coordinates back to the ortho box's object coordinates.
    constexpr int kValuesPerVertex = 3 + 4; // x, y, z and RGBA
    const auto vertexAt = [h](const GLfloat* w) {
        const double scale = 2 * h / kFeedbackViewport;
        return FeedbackVertex{{-h + w[0] * scale, -h + w[1] * scale, -(2.0 * w[2] - 1.0) * h},
                              {w[3], w[4], w[5], w[6]}};
    };
    std::vector<FeedbackVertex> vertices;
    for (GLint i = 0; i < used;) {
        const auto token = static_cast<GLint>(buffer[i++]);
        int count = 0;
        switch (token) {
        case GL_POLYGON_TOKEN: count = static_cast<int>(buffer[i++]); break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN: count = 2; break;
        case GL_POINT_TOKEN:
        case GL_BITMAP_TOKEN:
        case GL_DRAW_PIXEL_TOKEN:
        case GL_COPY_PIXEL_TOKEN: count = 1; break;
        case GL_PASS_THROUGH_TOKEN: i += 1; continue;
        default: ADD_FAILURE() << "unknown feedback token " << token; return vertices;
        }
        for (int v = 0; v < count; ++v, i += kValuesPerVertex)
            vertices.push_back(vertexAt(&buffer[i]));
    }
    return vertices;
}

Vec3 minCorner(const std::vector<FeedbackVertex>& v)
{
    Vec3 m = v.at(0).p;
    for (const FeedbackVertex& f : v)
        m = {std::min(m.x, f.p.x), std::min(m.y, f.p.y), std::min(m.z, f.p.z)};
    return m;
}

Vec3 maxCorner(const std::vector<FeedbackVertex>& v)
{
    Vec3 m = v.at(0).p;
    for (const FeedbackVertex& f : v)
        m = {std::max(m.x, f.p.x), std::max(m.y, f.p.y), std::max(m.z, f.p.z)};
    return m;
}

Vec3 boundsCentre(const std::vector<FeedbackVertex>& v)
{
    const Vec3 lo = minCorner(v), hi = maxCorner(v);
    return {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
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
    EXPECT_EQ(modelviewDepth(), 1);
    EXPECT_EQ(projectionDepth(), 1);
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new WindowEnvironment);
    return RUN_ALL_TESTS();
}
