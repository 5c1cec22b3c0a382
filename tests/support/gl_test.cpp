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

extern "C" {
void __real_glutSwapBuffers();
void __wrap_glutSwapBuffers()
{
    ++swaps;
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

std::vector<Vec3> feedbackVertices(const std::function<void()>& draw)
{
    // Culling would drop back faces before feedback; the box holds the figure.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_CULL_FACE);
    glViewport(0, 0, kFeedbackViewport, kFeedbackViewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    const double h = kFeedbackHalfSize;
    glOrtho(-h, h, -h, h, -h, h);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    std::vector<GLfloat> buffer(4 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
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
    const auto toObject = [h](const GLfloat* w) {
        return Vec3{-h + w[0] * 2 * h / kFeedbackViewport, -h + w[1] * 2 * h / kFeedbackViewport,
                    -(2.0 * w[2] - 1.0) * h};
    };
    std::vector<Vec3> vertices;
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
        for (int v = 0; v < count; ++v, i += 3)
            vertices.push_back(toObject(&buffer[i]));
    }
    return vertices;
}

Vec3 centroid(const std::vector<Vec3>& v)
{
    Vec3 sum{0, 0, 0};
    for (const Vec3& p : v) {
        sum.x += p.x;
        sum.y += p.y;
        sum.z += p.z;
    }
    const double n = v.empty() ? 1.0 : double(v.size());
    return {sum.x / n, sum.y / n, sum.z / n};
}

Vec3 lowest(const std::vector<Vec3>& v)
{
    return *std::min_element(v.begin(), v.end(),
                             [](const Vec3& a, const Vec3& b) { return a.y < b.y; });
}

Vec3 minCorner(const std::vector<Vec3>& v)
{
    Vec3 m = v.at(0);
    for (const Vec3& p : v)
        m = {std::min(m.x, p.x), std::min(m.y, p.y), std::min(m.z, p.z)};
    return m;
}

Vec3 maxCorner(const std::vector<Vec3>& v)
{
    Vec3 m = v.at(0);
    for (const Vec3& p : v)
        m = {std::max(m.x, p.x), std::max(m.y, p.y), std::max(m.z, p.z)};
    return m;
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
