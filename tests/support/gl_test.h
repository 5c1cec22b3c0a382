// What the in-process tests share: one real freeglut window with a Mesa context
// per test process, counters of what the program asks of the toolkit, and
// probes of the GL state.
#pragma once

#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <array>
#include <functional>
#include <utility>
#include <vector>

// What the program asked of the toolkit since process start: buffer swaps,
// redisplay requests, and the delay of the last timer armed (the toolkit
// calls are wrapped at link time).
struct ToolkitCalls {
    int swaps = 0, redisplays = 0;
    unsigned timerMs = 0;
};
extern ToolkitCalls toolkitCalls;
// Runs just before each of the program's buffer swaps, while the frame is in the back buffer.
extern std::function<void()> beforeSwap;

struct Vec3 {
    double x, y, z;
};

// A vertex as feedback mode returns it, with the colour it was drawn in.
struct FeedbackVertex {
    Vec3 p;
    std::array<float, 4> rgba;
};

GLint stackDepth(GLenum which); // GL_MODELVIEW_STACK_DEPTH or GL_PROJECTION_STACK_DEPTH
// N floats of GL state, as glGetFloatv gives them (matrices column by column).
template <int N> std::array<GLfloat, N> glFloats(GLenum name)
{
    std::array<GLfloat, N> v{};
    glGetFloatv(name, v.data());
    return v;
}
// The colour a pixel of the back buffer holds, 0..255 per channel.
std::array<int, 3> backPixel(int x, int y);
// True when every channel of a pixel lies within 3/255 of rgb.
bool near(const std::array<int, 3>& pixel, const std::array<int, 3>& rgb);
// A world point in eye coordinates under the current modelview.
Vec3 toEye(const Vec3& world);

// Vertices, in object coordinates of an identity modelview, of every primitive
// that draw() issues, read back in order through OpenGL's feedback mode with
// lighting off (so each carries its current colour). The box is +-5 on each axis.
std::vector<FeedbackVertex> feedbackVertices(const std::function<void()>& draw);
// The lowest and highest corners of the box around a set of vertices.
std::pair<Vec3, Vec3> bounds(const std::vector<FeedbackVertex>& v);

// Each test starts from the state the event loop first sees: start values,
// filled tables, a 640 x 360 reshape with the start view in the modelview.
class SceneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

#define EXPECT_NO_GL_ERROR() EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR))
